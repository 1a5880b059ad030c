// Least squares Y' ~ B X' with the observations in the columns: xt is k x T
// (one regressor per row), yt is n x T (one dependent series per row), b
// gets n x k. The optional outputs get (X'X)^-1 and X'X (k x k).
#pragma once

namespace kj::num {

// By Householder QR with column pivoting: k for full rank, minus the rank
// when it is reduced (the coefficients of the dependent columns are 0 and
// (X'X)^-1 is the inverse on the independent columns), 0 on failure.
int ols_qr(double** xt, int k, int t, double** yt, int n, double** b, double** xtx_inv, double** xtx);
// From a factorisation already made (decqr, decqr_fixed: qr is the factored
// k x T storage, pivots its column order or null for none): the coefficients
// of the first `rank` pivoted columns, 0 for the others; xtx_inv (may be
// null) the inverse of X'X on those columns.
void ols_from_qr(double** qr, const double* rdiag, const int* pivots, int k, int t, int rank, double** yt, int n,
                 double** b, double** xtx_inv);
// By the normal equations (X'X inverted as a symmetric matrix): k, or 0
// when X'X is not positive definite.
int ols_normal(double** xt, int k, int t, double** yt, int n, double** b, double** xtx_inv, double** xtx);

}  // namespace kj::num
