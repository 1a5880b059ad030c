" :make compiles the current file with the Kj console program without running
" it (kj -r-) and reads its messages: "file (line): text" by default, the
" "file:line:column: kind: text" form of -fe, and the places of a run-time
" error's call trace.
if exists('current_compiler')
  finish
endif
let current_compiler = 'kj'

if exists(':CompilerSet') != 2
  command -nargs=* CompilerSet setlocal <args>
endif

CompilerSet makeprg=kj\ -b\ -r-\ %:S
CompilerSet errorformat=
      \%f:%l:%c:\ %trror:\ %m,
      \%f:%l:%c:\ %tarning:\ %m,
      \%f:%l:%c:\ %tote:\ %m,
      \%f:%l:\ %trror:\ %m,
      \%f:%l:\ %tarning:\ %m,
      \%.%#\ call\ trace:\ %f\ (%l):\ %m,
      \%f\ (%l):\ %tarning:\ %m,
      \%f\ (%l):\ %m,
      \%-G%.%#
