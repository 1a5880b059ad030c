// L D L' decomposition of a symmetric matrix (lower triangle read), solving
// with its factors, and the symmetric inverse with its log-determinant.
#pragma once

namespace kj::num {

enum LdlStatus : int { Ldl_Ok = 0, Ldl_SmallPivot = 1, Ldl_NullArgument = 3 };

// a becomes the unit lower L (ones on the diagonal, the upper triangle is not
// touched); dinv[i] = 1 / D(i). A pivot D(i) <= eps gives Ldl_SmallPivot
// with dinv[i] = the largest double, and the factorisation runs to the end.
int ldl_decompose(double** a, double* dinv, int n);
// Solves L D L' x = b in place (the strict lower triangle of l is read).
void ldl_solve(double** l, const double* dinv, double* b, int n);
// The inverse from the factors into x (n x n, both triangles).
void ldl_solve_inverse(double** l, const double* dinv, double** x, int n);

// The default symmetric-inverse kernel: 0 with a replaced by its inverse
// (both triangles), else the code of ldl_decompose. logdet (may be null)
// gets the sum of the logs of D(i).
int invertsym_default(double** a, int n, double* logdet);
int invertsym(double** a, int n, double* logdet = nullptr);

// Banded L D L' of a symmetric matrix of order n and bandwidth p in band
// storage: b is (p+1) x n, row p the diagonal, row p-d the sub-diagonal d
// right-aligned (column j holds element (j, j-d)). b becomes L in the same
// storage (row p all ones); dinv as ldl_decompose, and the same codes.
int ldl_band_decompose(double** b, double* dinv, int n, int p);
// Solves with the band factors in place.
void ldl_band_solve(double** l, const double* dinv, double* x, int n, int p);

}  // namespace kj::num
