/*
** output file = name reset/on/off: while output is on, everything printed
** also goes into the file; reset empties it, on appends, off stops the copy.
*/
name = "/tmp/kj_gauss_output.out";
output file = ^name reset;
print "one";
print { 1 2 };
output off;
print "only on the screen";
output on;
format /rd 6,2;
print 3.14159;
output off;
f = fopen(name, "r");
copy = fgetsat(f, 20);
call fclose(f);
print "copy:";
print copy;
output reset;
print "after reset";
output off;
f = fopen(name, "r");
copy = fgetsat(f, 20);
call fclose(f);
print "copy:";
print copy;
