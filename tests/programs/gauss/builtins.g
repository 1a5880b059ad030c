// GAUSS built-ins that are not Kj aliases: rows and cols of every kind of
// value, ismiss, typecv, varget and varput, balance; and aliases whose GAUSS
// meaning differs from the Kj name (log is base 10, ln natural, int rounds
// down, feq compares within the fuzz).
x = { 1 2 3, 4 5 6 };
s = "text";
sa = "a" $| "b" $| "c";
print rows(x) cols(x) rows(5) cols(5) rows(s) cols(s) rows(sa);
print ismiss(x) ismiss(x ~ miss(zeros(2, 1), 0)) ismiss(s);
keyword kw(t); endp;
proc pr(a); retp(a); endp;
print typecv("x" $| "s" $| "sa" $| "pr" $| "kw")';
print scalmiss(typecv("nosuchname"));
print varget("x");
call varput(42, "x");
print x (varput(1, "nosuchname"));
{ b, z } = balance({ 1 100, 0.01 1 });
print b z;
print log(1000) ln(exp(2)) int(-2.5) trunc(-2.5) fmod(7, 3) feq(1, 1 + 1e-16);
t0 = hsec;
print (hsec - t0 >= 0);
print (strsect(cdir(0), 1, 1) $== "/") (cdir("") $== cdir("C:"));
