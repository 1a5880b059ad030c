/*
** Formatted printing: printfm with one format per column or one for all
** (format, width and precision as a mixed constant of text and numbers, as
** three strings, or as an array of rows), character columns by mask;
** printfmt in the current format; the row options of format and print
** (/m0, /m1, /m2, /m3, /ma1, /a1, /b1 and the type flags that change
** nothing here).
*/
x = { 1 2.5, -3 40.125 };
let fmt[2,3] = "-*.*lf" 8 2 "*.*e" 12 3;
call printfm(x, 1, fmt);
fmt1 = { "%*.*lf," 7 1 };
call printfm(x, 1, fmt1);
call printfm(x, { 0 1 }, { "*.*s " 6 6, "x=%*.*lf" 1 3 });
names = "alpha" $| "beta";
call printfm(names, 0, { "[%-*.*s]" "6" "6" });
@ the usual form: a mask row and one format row per column @
let mask = 1 0 1;
let fmt3[3,3] = "-*.*lf" 8 3 "*.*s" 8 8 "*.*lf" 10 4;
call printfm(x ~ { 7, 8 }, mask, fmt3);
@ a mixed constant keeps its numbers; a shape repeats the elements @
let w[2,3] = "a" 1;
print w;
format /rd 6,1;
print printfmt(x, 1);
call printfmt(x, { 0 1 });
call printfmt(names, 0);
@ row options: before or after each row, for one-row matrices too @
y = { 1 2, 3 4 };
print /m0 y;
print /m2 y;
print /m3 y;
print /ma1 y;
print "|";
print /b1 { 5 6 };
print /a1 { 5 6 };
print "|";
print /m1 { 5 6 };
format /mat /on /rd /m1 8,3;
print y;
