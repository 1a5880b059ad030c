/*
** Procedures returning several values: summary statistics of each column,
** a symmetric eigen decomposition, and a procedure that calls another one
** and passes its results on.
*/
new;
proc (4) = describe(x);
    retp(meanc(x), stdc(x), minc(x), maxc(x));
endp;

proc (2) = spectral(s);
    local va, ve;
    { va, ve } = eighv(s);
    retp(va, ve);
endp;

proc (3) = standardize(x);
    local m, sd, mn, mx;
    { m, sd, mn, mx } = describe(x);
    retp((x - m') ./ sd', m, sd);
endp;

data = { 1 10, 2 14, 3 9, 4 20, 5 17 };
{ m, s, lo, hi } = describe(data);
format /rd 10,4;
print "mean, std, min, max of each column";
print m~s~lo~hi;
{ z, m2, s2 } = standardize(data);
print "standardized columns have mean 0 and std 1";
print (maxc(abs(meanc(z))) < 1e-12) stdc(z)';
{ va, ve } = spectral({ 2 1, 1 2 });
print "eigenvalues " va';
print "A*v = lambda*v holds " (maxc(maxc(abs({ 2 1, 1 2 }*ve - ve.*va'))) < 1e-12);
