// One-based indexing: x[r,c], "." for a whole row or column, ranges (also
// descending), index vectors, single indices into vectors, and stores
// through each form; results of index-returning procedures count from 1.
x = reshape(seqa(1, 1, 12), 3, 4);
print x[2,3] x[3,.] x[.,4]';
print x[2:3, 1:2];
print x[3:1, 1]';
print x[{ 1, 3 }, { 4 1 }];
v = seqa(10, 10, 5);
print v[4] v[2:3]';
x[1,1] = -1;
x[2,.] = 0;
x[.,4] = { 7, 8, 9 };
x[3, 2:3] = { 5 6 };
print x;
v[{ 1, 5 }] = 0;
print v';
print maxindc(x)' minindc(x)';
print sortind({ 3, 1, 2 })';
print uniqindx({ 5, 5, 2 }, 1)';
