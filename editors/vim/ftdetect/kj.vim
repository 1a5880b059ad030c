" Kj sources and headers; GAUSS sources for the Kj compiler.
autocmd BufRead,BufNewFile *.kj,*.kjh setfiletype kj
autocmd BufRead,BufNewFile *.kjgauss setfiletype kjgauss
