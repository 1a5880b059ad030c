/*
** Text files: fputs/fputst write, fgets/fgetst read one line (at most
** maxsize - 1 characters), fgetsa/fgetsat read several; eof, fseek/ftell,
** the error state of a handle, a file that cannot be opened, filesa.
*/
dir = "/tmp/kj_gauss_textfiles_";
f = fopen(dir $+ "a.txt", "w");
print fputst(f, "first" $| "second line" $| "3");
print fputs(f, "no end");
print ftell(f);
@ reading from a file opened for writing fails and sets its error state @
print strlen(fgets(f, 10)) fcheckerr(f);
print fclearerr(f) fcheckerr(f);
call fclose(f);

f = fopen(dir $+ "a.txt", "r");
s = fgets(f, 100);
print strlen(s) (s $== "first\n");
print fgetst(f, 7);
print fgetst(f, 100);
call fseek(f, -6, 2);
print fgetst(f, 100);
print eof(f);
call fseek(f, 6, 0);
sa = fgetsat(f, 10);
print rows(sa);
print sa;
call fclose(f);

f = fopen(dir $+ "a.txt", "r");
sa = fgetsa(f, 2);
print (sa[2] $== "second line\n");
call fclose(f);

g = fopen(dir $+ "b.txt", "w");
call fclose(g);
print filesa(dir $+ "*.txt");
print fopen(dir $+ "nothere.txt", "r");
