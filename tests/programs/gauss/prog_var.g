/*
** A VAR(1) in two variables: the series is built from a known coefficient
** matrix and deterministic shocks, then estimated equation by equation by
** least squares; the residual covariance and the eigenvalues of the
** estimated companion matrix (stability) follow.
*/
new;
a = { 0.5 0.1, 0.2 0.3 };
t = 60;
y = zeros(t, 2);
for i (2, t, 1);
    shock = 0.5 * (sin(i) ~ cos(2*i));
    y[i,.] = y[i-1,.] * a' + shock;
endfor;
yy = y[2:t, .];
xx = ones(t-1, 1) ~ y[1:t-1, .];
bvar = invpd(xx'xx) * xx'yy;
res = yy - xx*bvar;
sigma = res'res / (rows(yy) - cols(xx));
format /rd 12,6;
print "coefficients (constant, lags), one column per equation";
print bvar;
print "residual covariance";
print sigma;
ev = eig(bvar[2:3, .]');
print "largest modulus of the eigenvalues " maxc(abs(ev));
