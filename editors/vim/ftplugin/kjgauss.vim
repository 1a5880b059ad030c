" GAUSS sources compiled by Kj.
if exists('b:did_ftplugin')
  finish
endif
let b:did_ftplugin = 1

setlocal commentstring=//\ %s
setlocal comments=s1:/*,mb:*,ex:*/,://
setlocal suffixesadd=.src,.g,.kjgauss
compiler kj

let b:undo_ftplugin = 'setlocal commentstring< comments< suffixesadd< makeprg< errorformat<'
