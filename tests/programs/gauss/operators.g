// Operators of the dialect: element-wise power, matrix and Kronecker products,
// not-equal spelled /=, modulo, factorial, the dot words, string operators,
// and keywords in any case.
a = { 1 2, 3 4 };
b = { 0 1, 1 0 };
print a^2;            @ squares every element @
print a*b;            /* the matrix product */
print a.*.{1, 1};     // Kronecker product
IF a[1,1] /= 0;
    PRINT "one is not zero";
EndIf;
print (7 % 3) (5!) (-2^2);
print (a ./= 1) (a .eq 4);
print (a .gt 1 .and a .lt 4);
print ((1 xor 0) + (1 eqv 1));
print ({1 1} .xor {0 1});
print ({1 2} *~ {3 4});
s = "abc" $+ "def";
print s;
if s $== "abcdef"; print "same"; endif;
if "abc" $< "abd"; print "ordered"; endif;
print ("x" $+ 3);
#define TWICE 2*
print (TWICE 21);
t = "line one\lline two\ttab \"quoted\" \065";
print t;
u = "joined " \
    "strings";
print u;
print 6/3 (a/2) ({4, 6}/{2 0, 0 2});
