/*
** Index vectors written with blanks inside the brackets select rows and
** columns in the order given, on both sides of an assignment.
*/
x = { 11 12 13, 21 22 23, 31 32 33 };
print x[3 1, .];
print x[., 3 1 2];
i = 2;
print x[i 3, 1 3];
x[1 3, 2] = { -1, -3 };
print x;
v = seqa(10, 10, 5);
print v[5 1 5]';
