/*
** Statistics: covariances and correlations from data, moment and
** covariance matrices, quantiles, dstat's table and results; the beta and
** incomplete gamma distribution functions, erfc, multivariate normal and t
** log densities; numerical gradients, Jacobians and Hessians; Gauss-Legendre
** and Simpson integrals; the moments of seeded random draws. Values from R
** (or by hand); the derivatives and integrals to the digits shown.
*/
format /rd 12,6;
x = { 1 2, 3 4, 5 7, 2 1, 4 6, 8 3 };
m = moment(ones(6, 1) ~ x, 0);
print varcovx(x);
print (maxc(maxc(abs(vcm(m) - vcx(x)))) < 1e-12);
print corrm(m);
print corrvc({ 4 2, 2 9 });
print quantile(x, { 0.25, 0.5, 0.9 });
__altnam = "height" $| "width";
{ vnam, mean, var, std, lo, hi, valid, missing } = dstat(0, miss(x, 8));
print mean' var' std' lo' hi' valid' missing';
print vnam;
__output = 0;
{ vnam, mean, var, std, lo, hi, valid, missing } = dstat(0, x);
print var';
@ distributions @
print cdfbeta(0.3, 2, 3) cdfbeta({ 0.5, 0.9 }, 2.5, 1)';
print cdfgam(2, { 0.5, 1, 3 })' cdfgam(0.5, 2);
print erfc({ -1, 0, 0.5, 3 })';
print lnpdfmvn({ 0 0, 1 -1 }, { 2 0.5, 0.5 1 })';
print lnpdfmvt({ 0 0, 1 -1 }, { 2 0.5, 0.5 1 }, 5)';
@ numerical derivatives: analytic values 4 1+e^2, 2 0 2 1, 4 2 2 e^2, 1000 1e6+e^0.5 @
proc f(p); retp(p[1]^2 * p[2] + exp(p[2])); endp;
proc fv(p); retp(p[1]^2 | p[1] * p[2]); endp;
format /rd 10,4;
print gradp(&f, { 1, 2 });
print gradp(&fv, { 1, 2 });
print hessp(&f, { 1, 2 });
print gradp(&f, { 1000, 0.5 });
@ integrals: 1/3, 1 - 2 Pr(Z > 1.96), Pr(0 < Z < 2), 2 @
format /rd 12,8;
proc sq(x); retp(x .^ 2); endp;
proc phi(x); retp(exp(-x .^ 2 / 2) / sqrt(2 * pi)); endp;
proc sine(x); retp(sin(x)); endp;
print intquad1(&sq, { 1, 0 }) intsimp(&sq, { 1, 0 }, 1e-10);
print intquad1(&phi, { 1.96 2, -1.96 0 })' intsimp(&phi, { 1.96, -1.96 }, 1e-10);
print intquad1(&sine, { 3.14159265358979, 0 });
@ random draws: sample means near the means 3, 2, 0.4 and 3 @
format /rd 8,1;
rndseed 42;
print meanc(rndgam(20000, 1, 3)) meanc(rndp(20000, 1, 2)) meanc(rndbeta(20000, 1, 2, 3)) meanc(rndnb(20000, 1, 3, 0.5));
print rows(rndgam(2, 3, { 1 2 3, 4 5 6 })) cols(rndgam(2, 3, 1));
