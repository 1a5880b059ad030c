/*
** Decompositions and solvers: the singular value decompositions in their
** full and compact shapes (svd1, svd2, svds), QR with and without column
** pivoting (qr, qqr, qre, qqre) and its solvers (qrsol, qrtsol, olsqr2),
** Cholesky solves and updates, LU, the symmetric eigenproblem, Schur, null
** and column-space bases of a rank-deficient matrix, the condition number
** and vector cross products. Values are checked against
** R; singular vectors and QR factors only up to their signs, which are a
** convention, and through the products that rebuild the matrix.
*/
format /rd 12,6;
x = { 2 -1 3, 1 4 0, 0 2 5, 3 1 1, -2 0 4 };
a = { 4 2 1, 2 5 3, 1 3 6 };
@ full and compact singular value decompositions: shapes, values, x = u*s*v' @
{ u, s, v } = svd1(x);
print rows(u)~cols(u)~rows(s)~cols(s)~rows(v)~cols(v);
print s;
print abs(v);
print (maxc(maxc(abs(u*s*v' - x))) < 1e-12) (maxc(maxc(abs(u'u - eye(5)))) < 1e-12) (maxc(maxc(abs(v'v - eye(3)))) < 1e-12);
{ u, s, v } = svd2(x);
print rows(u)~cols(u)~rows(s)~cols(s)~rows(v)~cols(v);
print (maxc(maxc(abs(u*s*v' - x))) < 1e-12) diag(s)';
{ u, s, v } = svd1(x');
print rows(u)~cols(u)~rows(s)~cols(s)~rows(v)~cols(v);
print (maxc(maxc(abs(u*s*v' - x'))) < 1e-12) (maxc(maxc(abs(v'v - eye(5)))) < 1e-12);
{ u, s, v } = svd2(x');
print rows(u)~cols(u)~rows(s)~cols(s)~rows(v)~cols(v);
{ u, s, v } = svdusv(a);
print (maxc(maxc(abs(u*s*v' - a))) < 1e-12);
print svds(x)' svd(x)';
print cond(x);
@ QR: r has min(rows, cols) rows; x = q*r and x[., e] = q*r with pivoting @
r = qr(x);
print rows(r)~cols(r);
print abs(r);
{ q, r } = qqr(x);
print rows(q)~cols(q) (maxc(maxc(abs(q*r - x))) < 1e-12) (maxc(maxc(abs(q'q - eye(3)))) < 1e-12);
{ q, r } = qqr(x');
print rows(q)~cols(q)~rows(r)~cols(r) (maxc(maxc(abs(q*r - x'))) < 1e-12);
{ r, e } = qre(x);
print e';
print abs(diag(r))';
{ q, r, e } = qqre(x);
print (maxc(maxc(abs(q*r - x[., e]))) < 1e-12);
@ triangular solves, least squares by QR, Cholesky solves and updates @
y = { 1, 2, 3, 4, 5 };
c = chol(a);
print qrsol({ 1, 2, 3 }, c)';
print qrtsol({ 1, 2, 3 }, c)';
print cholsol({ 1 0, 2 1, 3 0 }, c);
{ b, res, p } = olsqr2(y, x);
print b';
print res';
print (maxc(abs(p + res - y)) < 1e-12);
up = cholup(c, { 1, 0, 2 });
print (maxc(maxc(abs(up - chol(a + { 1, 0, 2 } * { 1 0 2 })))) < 1e-12) (maxc(maxc(abs(choldn(up, { 1, 0, 2 }) - c))) < 1e-12);
@ LU: l is a row permutation of a unit lower triangular matrix @
g = { 1 2 3, 4 5 6, 7 8 10 };
{ l, uu } = lu(g);
print l;
print uu;
print (maxc(maxc(abs(l*uu - g))) < 1e-12);
@ symmetric eigenproblem (values ascending), Schur, bases of the null space
  and of the column space @
{ va, ve } = eighv(a);
print va' eigrs(a)' (maxc(maxc(abs(a*ve - ve .* va'))) < 1e-12);
{ s, z } = schur(a);
print sortc(diag(s), 1)';
print (maxc(maxc(abs(z*s*z' - a))) < 1e-12);
w = { 1 2 3, 2 4 6, 1 0 1 };
nb = null(w);
print rows(nb)~cols(nb) (maxc(abs(w*nb)) < 1e-12) abs(nb)';
ob = orth(w);
print rows(ob)~cols(ob) (maxc(maxc(abs(ob'ob - eye(2)))) < 1e-12);
print cols(null(a));
@ rank-deficient matrices decompose, square and wide @
{ u, s, v } = svd1(w);
print (maxc(maxc(abs(u*s*v' - w))) < 1e-12) (maxc(maxc(abs(u'u - eye(3)))) < 1e-12);
z = { 1 2 3 4, 2 4 6 8 };
nb = null(z);
print rows(nb)~cols(nb) (maxc(maxc(abs(z*nb))) < 1e-12) cols(orth(z)) cols(orth(z'));
@ cross products of the columns of 3 x k matrices @
print crossprd({ 1 0, 0 1, 0 0 }, { 0 2, 1 3, 0 4 });
print crossprd({ 1, 2, 3 }, { 4, 5, 6 })';
