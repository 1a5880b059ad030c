// exit: 1
// A procedure that runs compiled hands a call whose % would divide by zero
// back to the interpreter, which reports it where it happens, with the trace.
proc (1) = rem(a, b);
    retp(a % b);
endp;
s = 0;
i = 5;
do while i >= 0;
    s = s + rem(100, i - 2);
    print s;
    i = i - 1;
endo;
print "not reached";
