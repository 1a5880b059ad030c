// Output formats: the default /mb1 /ros 16,8; fixed, exponent and compact
// forms; left justification and separators; row modes; missing values and
// infinities; outwidth wrapping; ";;" keeping the line; options written in a
// print statement holding for that statement only.
x = { 1.5 -2, 1000 0.001 };
print x;
format /rd 10,3;
print x;
format /re 12,4;
print x;
format /rz 8,4;
print x;
format /ldc 8,2;
print x;
format /m0 /rd 6,1;
print x;
format /m2 /ros 16,8;
print x;
print miss(0, 0) (1/0) (-1/0);
format /mb1 /rd 5,1;
outwidth 20;
print seqa(1, 1, 6)';
print "a";; print "b";; print "c";
print 12345678.9 0.000012345;
format /rd 8,3;
print /re x[1,1];
print x[1,1];
