// Householder QR of the transposed storage: the columns of an r x c matrix X
// are the rows of xt (c x r), so every reflection runs over contiguous rows.
#pragma once

namespace kj::num {

// The default kernel. With pivots (c entries, may be null) the column with
// the largest remaining norm is taken next (the first of equal norms) and
// pivots lists the column order, X[][pivots] = Q R. On return, for j < k =
// min(r, c): xt[j][j..r-1] holds the Householder vector v_j (norm sqrt(2),
// or 0 for no reflection; H_j = I - v_j v_j'), xt[j][0..j-1] the column j of
// R above the diagonal and rdiag[j] = R(j, j); a row j >= k holds column j of
// R (r entries). Q = H_0 H_1 ... H_(k-1). Returns 0, or 2 for a bad argument.
int decqr_default(double** xt, int c, int r, double* rdiag, int* pivots);
int decqr(double** xt, int c, int r, double* rdiag, int* pivots);
// As decqr_default, but the first `fixed` columns are factored first and in
// their own order; the search for the largest remaining norm (when pivots is
// not null) covers only the columns after them.
int decqr_fixed(double** xt, int c, int r, double* rdiag, int* pivots, int fixed);
// Numerical rank of a pivoted factorisation: how many leading |rdiag[j]|
// (j < k = min(r, c)) exceed tol |rdiag[0]|; tol <= 0 means the inversion eps.
int qr_rank(const double* rdiag, int k, double tol);

// Modified Gram-Schmidt on the columns of X (r >= c), held as the rows of qt
// (c x r): qt becomes Q' (orthonormal rows) and r_out (c x c) the upper
// triangular R with a non-negative diagonal. 1 when a column's remaining norm
// is at most eps times its original norm (or r < c); 0 on success.
int mgs_decompose(double** qt, int c, int r, double** r_out);

// y (r entries) := Q' y, or Q y, with the k reflections of a factored xt.
void qr_apply_qt(double** xt, int k, int r, double* y);
void qr_apply_q(double** xt, int k, int r, double* y);
// Element (i, j) of R from the factored storage.
inline double qr_r(double** xt, const double* rdiag, int i, int j) {
    return i == j ? rdiag[i] : (i < j ? xt[j][i] : 0.0);
}

}  // namespace kj::num
