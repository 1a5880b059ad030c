// exit: 1
/*
** Data sets: create with its with clause, writer, open, rowsf/colsf, readr
** in pieces, seekr, close; a data set that cannot be opened gives -1, and
** reading past the end of the data ends the program.
*/
name = "/tmp/kj_gauss_datasets.fmt";
create f = ^name with x, 3, 8;
print writer(f, { 1 2 3, 4 5 6 });
print writer(f, { 7 8 9 });
f = close(f);
print f close(f);
open g = ^name for read;
print rowsf(g) colsf(g);
print readr(g, 2);
print seekr(g, -1);
print readr(g, 5);
print seekr(g, -1);
call seekr(g, 2);
print readr(g, 1);
@ the file holds a 16-byte header and 9 doubles @
call fseek(g, 0, 2);
print ftell(g);
g = close(g);
open h = /tmp/kj_gauss_datasets_nothere.fmt;
print h;
open k = ^name;
call seekr(k, 4);
x = readr(k, 1);
print "not reached";
