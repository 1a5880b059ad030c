/*
** closeall closes every file the program opened (finishing data-file
** headers); closeall with names closes only those. Closing a file that is
** no longer open gives -1.
*/
stem = "/tmp/kj_gauss_closeall_";
f = fopen(stem $+ "a.txt", "w");
g = fopen(stem $+ "b.txt", "w");
hname = stem $+ "c.fmt";
create h = ^hname with x, 2, 8;
call writer(h, { 1 2, 3 4 });
closeall f;
print fclose(f) fputs(g, "kept open");
closeall;
print fclose(g) close(h);
k = fopen(stem $+ "b.txt", "r");
print fgets(k, 100);
h = close(k);
open h = ^hname;
print rowsf(h) colsf(h) close(h);
