/*
** Ordinary least squares with standard errors, t-values and R-squared,
** computed by hand and then by the ols procedure (consumption on income and
** wealth, ten observations).
*/
new;
let y = 70 65 90 95 110 115 120 140 155 150;
let inc = 80 100 120 140 160 180 200 220 240 260;
let wlth = 810 1009 1273 1425 1633 1876 2052 2201 2435 2686;
n = rows(y);
x = ones(n, 1) ~ inc ~ wlth;
k = cols(x);
b = invpd(x'x) * x'y;
e = y - x*b;
s2 = e'e / (n - k);
se = sqrt(diag(s2 * invpd(x'x)));
t = b ./ se;
r2 = 1 - e'e / ((y - meanc(y))'(y - meanc(y)));
format /rd 12,6;
print "coefficients, standard errors, t-values";
print b~se~t;
print "R-squared " r2;
print "b by division " (y/x)';
__output = 1;
{ vnam, m, bb, stb, vc, stderr, sig, cx, rsq, resid, dw } = ols("", y, inc~wlth);
print "sigma " sig;
