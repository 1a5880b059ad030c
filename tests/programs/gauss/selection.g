/*
** Sorting, sets and selection: unique and uniqindx with and without their
** flag, sortmc on several keys, sortindc and rankindx, the set procedures,
** indexcat, indnv and indcv, recoding (recode, substute, code), dummies
** (dummy, dummybr, dummydn, design), countwts, submat, sumr, maxv and minv,
** upmat1 and lowmat1, and lagn with lags and leads. All values by hand.
*/
format /rd 6,1;
x = { 3, 1, 2, 3, 5, 1 };
@ unique and uniqindx: sorted distinct values, first occurrences, any flag @
print unique(x)' unique(x, 1)' unique(x', 1)' unique({ 2 1, 2 3 }, 1)';
print uniqindx(x)' uniqindx(x, 1)' uniqindx(x, 0)';
names = "pear" $| "apple" $| "fig" $| "apple";
print unique(names, 0);
print uniqindx(names, 0)';
@ sortmc: first key ascending, ties broken by the second key @
m = { 2 9 1, 1 5 2, 2 3 3, 1 7 4 };
print sortmc(m, { 1, 2 });
print sortmc(m, { 1, -2 })[., 3]';
print sortindc(names)' rankindx(x, 1)';
@ set procedures: sorted columns without duplicates @
print intrsect(x, { 5, 3, 9, 3 }, 1)' union(x, { 9, 0 }, 1)' setdif(x, { 1, 9 }, 1)';
print intrsect(names, "fig" $| "kiwi" $| "pear", 0);
print setdif(names, "fig", 0);
@ indexcat: equal to a scalar, in the range (v1, v2], missing @
y = { 1.0, 4.0, 3.3, 4.2, 6.0, 5.7, 8.1, 5.5 };
print indexcat(y, { 4, 6 })' indexcat(y, 4)' scalmiss(indexcat(y, 7)) indexcat(miss(y, 6), miss(0, 0))';
print indnv({ 8.1, 7, 1 }, y)';
print indcv("APPLE" $| "kiwi", names)';
@ recode, substute and code @
print recode(x, (x .== 1) ~ (x .>= 3), { 10, 30 })';
print substute({ 1 2, 3 4 }, { 1 0, 0 1 }, 0) substute({ 1 2, 3 4 }, { 1, 0 }, { 7 8 });
print code((x .< 2) ~ (x .> 4), { 100, 200, 0 })';
@ dummies: breakpoints 2 and 4 @
z = { 1, 2, 3, 4, 5 };
print dummy(z, { 2, 4 })';
print dummybr(z, { 2, 4 })';
print dummydn(z, { 2, 4 }, 2)';
print design({ 2, 1, 3, 0 })';
print countwts(z, { 2, 4 }, { 1, 2, 3, 4, 5 })' countwts(z, { 3, 10 }, 2)';
@ submat, row sums, element-wise max and min, unit triangles @
k = { 1 2 3, 4 5 6, 7 8 9 };
print submat(k, { 3, 1 }, 0) submat(k, 0, 2)' submat(k, 2, { 1 3 });
print sumr(k)' maxv(k, 5) minv({ 1 9 }, { 4 2 });
print upmat1(k) lowmat1(k);
@ lagn: lags, leads and one lag per column @
print lagn(z, 2)' lagn(z, -1)' lagn(z, 7)';
print lagn(z ~ z, { 1, -2 });
