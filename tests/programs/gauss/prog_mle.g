/*
** Maximum likelihood by Newton iterations: a Poisson regression of counts
** on a trend, with the log-likelihood, gradient and Hessian written out.
*/
new;
y = { 2, 3, 6, 7, 8, 9, 10, 12, 15, 20 };
x = ones(10, 1) ~ seqa(1, 1, 10);

proc loglik(b, y, x);
    local mu;
    mu = exp(x*b);
    retp(sumc(y .* ln(mu) - mu - lnfact(y)));
endp;

proc (2) = derivs(b, y, x);
    local mu, g, h;
    mu = exp(x*b);
    g = x'(y - mu);
    h = -x'(x .* mu);
    retp(g, h);
endp;

b = { 0, 0 };
iter = 0;
do until iter >= 50;
    iter = iter + 1;
    { g, h } = derivs(b, y, x);
    step = -inv(h) * g;
    b = b + step;
    if maxc(abs(step)) < 1e-10;
        break;
    endif;
endo;
{ g, h } = derivs(b, y, x);
se = sqrt(diag(inv(-h)));
format /rd 14,8;
print "converged after " iter " iterations";
print "estimates and standard errors";
print b~se;
print "log-likelihood " loglik(b, y, x);
