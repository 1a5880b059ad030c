// Procedures of the support source that research programs call, on small
// inputs whose results are known.
format /rd 9,4;
x = { 3 1, 1 4, 2 2 };
print cumsumc(x) cumprodc(x);
print sortc(x, 2) sorthc(x, 1);
print unique({ 3, 1, 3, 2 })';
print det({ 2 1, 1 3 }) chol({ 4 2, 2 5 });
print eigh({ 2 1, 1 2 })' svd({ 3 0, 0 4 })';
print eig({ 2 0, 0 5 })';
{ va, ve } = eigv({ 2 0, 0 5 });
print va';
r = qr({ 3 0, 4 5 });
print abs(r);
print olsqr({ 1, 2, 3 }, { 1 0, 1 1, 1 2 })';
print lnpdfn(0) exp(lnpdfn(1)) pdfn(1) cdfn(0) cdfnc(1.96) cdfni(0.975);
print cdfchic(3.84, 1) cdftc(2, 10);
y = { 1 2, . 4, 5 6 };
print packr(y);
print missrv(y, -1);
print selif(x, x[.,1] .> 1) delif(x, x[.,1] .> 1);
print counts({ 1, 2, 2, 3, 5 }, { 2, 4, 6 })';
print seqm(1, 2, 4)' vech({ 1 2, 2 3 })' xpnd({ 1, 2, 3 });
call printfm({ 1 2, 3 4 }, 1, "%5.1f" $| "%6.2f");
