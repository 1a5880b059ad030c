/*
** Monte Carlo study of the OLS slope: 500 samples of 50 observations with
** fixed regressors; the mean and spread of the estimates are compared with
** the theory, and the size of the 5% t-test is counted.
*/
new;
rndseed 4567;
nrep = 500;
n = 50;
beta = { 1, 2 };
x = ones(n, 1) ~ rndn(n, 1);
xxi = inv(x'x);
bhat = zeros(nrep, 1);
reject = 0;
for r (1, nrep, 1);
    y = x*beta + rndn(n, 1);
    b = y / x;
    e = y - x*b;
    s2 = e'e / (n - 2);
    bhat[r] = b[2];
    if abs((b[2] - 2) / sqrt(s2 * xxi[2,2])) > cdftci(0.025, n - 2);
        reject = reject + 1;
    endif;
endfor;
theory = sqrt(xxi[2,2]);
print "replications " nrep;
print "mean within four standard errors " (abs(meanc(bhat) - 2) < 4 * theory / sqrt(nrep));
print "spread within 15% of theory " (abs(stdc(bhat) / theory - 1) < 0.15);
print "size of the test between 2% and 9% " (reject / nrep > 0.02 and reject / nrep < 0.09);
