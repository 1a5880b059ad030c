/*
** A data set written in blocks and read back in blocks: the moment
** matrices X'X and X'y accumulated over the blocks give the OLS estimates
** of y on a constant and x, as for a data set too large for memory
** (a least-squares solver gives 1.866667 and 0.533333).
*/
new;
x = seqa(1, 1, 10);
e = 0.1 * x .* ((-1)^x);
y = 2 + 0.5 * x + e;
create fw = /tmp/kj_gauss_prog_dataset.fmt with v, 2, 8;
i = 1;
do while i <= 10;
    call writer(fw, y[i:minc(i+2|10)]~x[i:minc(i+2|10)]);
    i = i + 3;
endo;
fw = close(fw);
open f = /tmp/kj_gauss_prog_dataset.fmt;
print "observations" rowsf(f) "variables" colsf(f);
xx = zeros(2, 2);
xy = zeros(2, 1);
blocks = 0;
do until eof(f);
    d = readr(f, 4);
    z = ones(rows(d), 1)~d[., 2];
    xx = xx + z'z;
    xy = xy + z'd[., 1];
    blocks = blocks + 1;
endo;
f = close(f);
b = xy / xx;
print "blocks" blocks;
format /rd 12,6;
print "estimates" b';
