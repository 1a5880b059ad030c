/*
** Internal rate of return of an investment by Newton's method on the net
** present value, with a bisection check, and the present value at several
** discount rates.
*/
new;
cash = { -1000, 300, 400, 500, 200 };
t = seqa(0, 1, rows(cash));

proc npv(r, cash, t);
    retp(sumc(cash ./ (1 + r)^t));
endp;

proc dnpv(r, cash, t);
    retp(sumc(-t .* cash ./ (1 + r)^(t + 1)));
endp;

r = 0.1;
it = 0;
do until abs(npv(r, cash, t)) < 1e-12 or it > 100;
    r = r - npv(r, cash, t) / dnpv(r, cash, t);
    it = it + 1;
endo;
lo = 0; hi = 1;
for i (1, 60, 1);
    mid = (lo + hi) / 2;
    if npv(mid, cash, t) > 0; lo = mid; else; hi = mid; endif;
endfor;
format /rd 12,8;
print "IRR by Newton    " r;
print "IRR by bisection " mid;
format /rd 10,2;
rates = { 0, 0.05, 0.1 };
for i (1, rows(rates), 1);
    print rates[i] npv(rates[i], cash, t);
endfor;
