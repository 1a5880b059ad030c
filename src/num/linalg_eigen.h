// The general real eigenproblem (LAPACK dgeev).
#pragma once

namespace kj::num {

// The default kernel: eigenvalues re[k] + i im[k] in LAPACK's order (a
// complex pair adjacent, positive imaginary part first); with vectors
// (n x n, may be null) the right eigenvectors in its columns, a complex pair
// as real part in column k and imaginary part in column k+1. a is read, not
// changed. 0 success, 1 no convergence, 2 no LAPACK, bad argument or out of
// memory.
int eigen_default(double** a, int n, double* re, double* im, double** vectors);
int eigen(double** a, int n, double* re, double* im, double** vectors);

}  // namespace kj::num
