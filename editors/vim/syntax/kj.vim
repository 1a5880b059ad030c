" Vim syntax file for Kj (.kj sources, .kjh headers).
if exists('b:current_syntax')
  finish
endif

syn case match

" Operators first: the items defined later win where both match.
syn match kjOperator "\.\(\*=\|/=\|==\|!=\|<=\|>=\|&&\|||\|[*/^<>?:']\)"
syn match kjOperator "[-+*/^~|!=<>&?:]"
syn match kjOperator "\.\.\."
syn match kjOperator "->\|::"

" Comments: // to the end of the line; /* ... */ nests.
syn keyword kjTodo contained TODO FIXME XXX NOTE
syn match kjLineComment "//.*$" contains=kjTodo,@Spell
syn region kjBlockComment start="/\*" end="\*/" contains=kjBlockComment,kjTodo,@Spell fold

" Preprocessor lines.
syn match kjInclude "^\s*#\s*\(include\|import\)\>" nextgroup=kjIncludePath skipwhite
syn match kjIncludePath contained "<[^>]*>\|\"[^\"]*\""
syn match kjPreCondit "^\s*#\s*\(ifdef\|ifndef\|else\|endif\)\>"
syn match kjDefine "^\s*#\s*\(define\|definecs\|undef\)\>"
syn match kjPragma "^\s*#\s*pragma\>"

" Literals.
syn match kjEscape contained "\\\(\o\{1,3}\|x\x\{1,2}\|[\"'\\abfnrtv]\)"
syn region kjString start=+"+ skip=+\\\\\|\\"+ end=+"\|$+ contains=kjEscape,@Spell
" A quote after a name, a closing bracket or a quote is a transpose.
syn match kjTranspose "\(\w\|[)\]}'>]\)\@<=\.\?'"
syn match kjCharacter "\(\w\|[)\]}'>]\)\@<!'\([^'\\]\|\\.\)\+'" contains=kjEscape
syn match kjNumber "\<\d\+\(\.\d*\)\=\([eEdD][-+]\=\d\+\)\=[iI]\=\>"
syn match kjNumber "\(\w\|[)\]]\)\@<!\.\d\+\([eEdD][-+]\=\d\+\)\=[iI]\=\>"
syn match kjNumber "\<0[xX]\x\+\>"
syn match kjNumber "\<0[xX]\.\x\+\>"
syn match kjNumber "\<0[vV]\x\+\>"
syn match kjSpecial "\.\(NaN\|Inf\|Null\)\>"
syn keyword kjBoolean TRUE FALSE

" Keywords.
syn keyword kjConditional if else switch switch_single
syn keyword kjRepeat while do for foreach parallel
syn keyword kjLabel case default
syn keyword kjStatement break continue return goto
syn keyword kjOperatorWord new delete in
syn keyword kjStorageClass static const extern inline virtual serial public protected operator
syn keyword kjStructure class struct enum namespace
syn keyword kjDecl decl
syn keyword kjType int double matrix string array
syn keyword kjReserved char short
syn keyword kjThis this

" Matrix constants: < ... > holding constants only.
syn region kjMatrix matchgroup=kjMatrixDelimiter start="<\ze[[:space:][:alnum:]._+\-*/^,;:\[\]=()']*>" end="\.\=>"
      \ contains=kjNumber,kjSpecial,kjCharacter,kjBoolean,kjMatrixRow,kjBlockComment
syn match kjMatrixRow contained ";"

" Names: definitions at the start of a line, calls, members.
syn match kjFunction "^\(\h\w*::\)\=\~\=\h\w*\ze\s*("
syn match kjCall "\<\h\w*\ze\s*("
syn match kjMember "\(\.\|->\)\@<=\h\w*"
syn match kjClassName "\(\<\(class\|struct\)\s\+\)\@<=\h\w*"
syn match kjLambda "\[\s*[=&]\s*\]\ze\s*("

" Folding by braces.
syn region kjBlock start="{" end="}" transparent fold

hi def link kjTodo Todo
hi def link kjLineComment Comment
hi def link kjBlockComment Comment
hi def link kjInclude Include
hi def link kjIncludePath String
hi def link kjPreCondit PreCondit
hi def link kjDefine Define
hi def link kjPragma PreProc
hi def link kjEscape SpecialChar
hi def link kjString String
hi def link kjCharacter Character
hi def link kjTranspose Operator
hi def link kjNumber Number
hi def link kjSpecial Constant
hi def link kjBoolean Boolean
hi def link kjConditional Conditional
hi def link kjRepeat Repeat
hi def link kjLabel Label
hi def link kjStatement Statement
hi def link kjOperatorWord Operator
hi def link kjStorageClass StorageClass
hi def link kjStructure Structure
hi def link kjDecl Type
hi def link kjType Type
hi def link kjReserved Error
hi def link kjThis Special
hi def link kjMatrixDelimiter Delimiter
hi def link kjMatrixRow Delimiter
hi def link kjFunction Function
hi def link kjCall Function
hi def link kjMember Identifier
hi def link kjClassName Typedef
hi def link kjLambda Special
hi def link kjOperator Operator

let b:current_syntax = 'kj'
