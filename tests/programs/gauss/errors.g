// exit: 1
// Misplaced constructs, a procedure defined twice and bad input give the compiler's messages with the
// file and line, and the program does not run.
print "never printed";
library nosuchcatalog;
local a;
endif;
x = ;
proc f(a);
    proc g(b);
    retp(a);
endp;
retp(1);
y = { 1 2, 3 };
dataloop in out;
    x = 1;
endata;
proc twice(a);
    retp(a);
endp;
proc twice(b);
    retp(b);
endp;
if x;
    print x
