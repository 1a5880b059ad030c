// Singular value decomposition a = U diag(w) V' of an r x c block, r >= c.
#pragma once

namespace kj::num {

// The default kernel: a is read, not changed; w gets the c singular values,
// u (r x c, may be null) the left and v (c x c, may be null) the right
// singular vectors in columns. With sort the values are decreasing (with
// their columns). Returns 0, 1 no convergence, 2 r < c or a bad argument.
// U's columns are orthonormal even for zero singular values.
// One-sided Jacobi rotations for small blocks, LAPACK dgesdd above.
int decsvd_default(double** a, int r, int c, double* w, double** u, double** v, int sort);
int decsvd(double** a, int r, int c, double* w, double** u, double** v, int sort = 1);

// Largest absolute row sum (1 when it is 0), the scale of the rank decisions.
double row_sum_norm(double** a, int r, int c);

}  // namespace kj::num
