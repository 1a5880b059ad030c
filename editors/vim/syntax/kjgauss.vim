" Vim syntax file for GAUSS sources compiled by Kj (.kjgauss, and .g or .src
" when the filetype is set by hand). Keywords ignore case.
if exists('b:current_syntax')
  finish
endif

syn case ignore

syn match kjgOperator "[-+*/^~|!=<>%?:']"
syn match kjgOperator "\.\*\.\|\*\~\|\.\?\$\(==\|/=\|<=\|>=\|[<>+|~]\)\="
syn match kjgOperator "\.\(and\|or\|not\|xor\|eqv\|eq\|ne\|lt\|gt\|le\|ge\)\>"
syn keyword kjgOperatorWord and or not xor eqv eq ne lt gt le ge

syn keyword kjgTodo contained TODO FIXME XXX NOTE
syn match kjgLineComment "//.*$" contains=kjgTodo,@Spell
syn region kjgBlockComment start="/\*" end="\*/" contains=kjgBlockComment,kjgTodo,@Spell
syn region kjgAtComment start="@" end="@" contains=kjgTodo,@Spell
syn match kjgPreProc "^\s*#\s*\(include\|define\|definecs\|undef\|ifdef\|ifndef\|else\|endif\|lineson\|linesoff\|srcfile\|srcline\|iflight\|ifdos\|ifos2win\|ifunix\|ifcplx\|ifreal\|_ifdllcall\)\>"

syn region kjgString start=+"+ skip=+\\\\\|\\"+ end=+"+ contains=kjgEscape,@Spell
syn match kjgEscape contained "\\\(\d\{1,3}\|x\x\{1,2}\|.\)"
syn match kjgNumber "\<\d\+\(\.\d*\)\=\([eEdD][-+]\=\d\+\)\=\>"
syn match kjgNumber "\(\w\|[)\]]\)\@<!\.\d\+\([eEdD][-+]\=\d\+\)\=\>"

syn keyword kjgConditional if elseif else endif
syn keyword kjgRepeat do while until endo for endfor
syn keyword kjgStatement break continue goto gosub return pop retp endp call
syn keyword kjgStorage proc keyword fn local declare external let matrix string array sparse
syn keyword kjgCommand clear clearg closeall close create datalist debug delete disable dlibrary dllcall
      \ ed edit enable format graph lib library load loadf loadk loadm loadp loads msym ndpclex new
      \ open output outwidth plot plotsym prcsn print rndseed run save saveall system trace trap use
syn match kjgFunction "\(\<\(proc\|keyword\|fn\)\>\s*\(\(([0-9]\+)\|[0-9]\+\)\s*=\s*\)\=\)\@<=\h\w*"

hi def link kjgOperator Operator
hi def link kjgOperatorWord Operator
hi def link kjgTodo Todo
hi def link kjgLineComment Comment
hi def link kjgBlockComment Comment
hi def link kjgAtComment Comment
hi def link kjgPreProc PreProc
hi def link kjgString String
hi def link kjgEscape SpecialChar
hi def link kjgNumber Number
hi def link kjgConditional Conditional
hi def link kjgRepeat Repeat
hi def link kjgStatement Statement
hi def link kjgStorage StorageClass
hi def link kjgCommand Keyword
hi def link kjgFunction Function

let b:current_syntax = 'kjgauss'
