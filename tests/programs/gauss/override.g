/*
** A procedure of the program replaces the support library's procedure of the
** same name, whether the library is compiled before the program (seqa and
** unique, in kjgauss.kj) or after it (dummybr and union, in the module that
** dummy and intrsect bring in), and the library's own calls reach it too:
** uniqindx calls unique, dummy calls dummybr.
*/
format /rd 6,1;
proc seqa(start, inc, n);
    retp(start + inc * n);
endp;
print seqa(1, 2, 3);

proc unique(x, flag);
    print "unique of the program";
    retp(x);
endp;
print uniqindx({ 3, 1, 3 })';

proc union(a, b, flag);
    retp(-1);
endp;
print intrsect({ 1, 2, 3 }, { 2, 3, 4 }, 1)' union(1, 2, 1);

proc dummybr(x, v);
    retp(zeros(rows(x), 1));
endp;
print dummy({ 1, 5 }, { 2, 4 });
