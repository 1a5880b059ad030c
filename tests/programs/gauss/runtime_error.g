// exit: 1
// Run-time errors name the line; indices in messages count from 1.
v = { 1, 2, 3 };
print v[3];
print v[4];
