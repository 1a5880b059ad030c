" Kj: comments, indenting by braces, the compiler.
if exists('b:did_ftplugin')
  finish
endif
let b:did_ftplugin = 1

setlocal commentstring=//\ %s
setlocal comments=s1:/*,mb:*,ex:*/,://
setlocal cindent cinoptions=:0,l1,g0,N-s
setlocal suffixesadd=.kj,.kjh
setlocal include=^\\s*#\\s*\\(include\\\|import\\)
setlocal matchpairs+=<:>
compiler kj

let b:undo_ftplugin = 'setlocal commentstring< comments< cindent< cinoptions< suffixesadd< include< matchpairs<'
      \ . ' makeprg< errorformat<'
