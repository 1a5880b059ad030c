// The general real eigenproblem (LAPACK dgeev).
#pragma once

namespace kj::num {

// The default kernel: eigenvalues re[k] + i im[k] in LAPACK's order (a
// complex pair adjacent, positive imaginary part first); with vectors
// (n x n, may be null) the right eigenvectors in its columns, a complex pair
// as real part in column k and imaginary part in column k+1. a is read, not
// changed. 0 success, 1 no convergence, 2 no LAPACK or a bad argument.
int eigen_default(double** a, int n, double* re, double* im, double** vectors);
int eigen(double** a, int n, double* re, double* im, double** vectors);

// The default method with the eigenvectors as the rows of a (which it
// replaces), in the order of the eigenvalues: a complex pair k, k+1 has the
// real part of the first vector in row k and its imaginary part in row k+1
// (the second vector is the conjugate). Codes as eigen_default.
int eigen_rows(double** a, int n, double* re, double* im);
// Divides every eigenvector row of v (a complex pair of rows as one complex
// vector, told by im[k] != 0) by its element of largest modulus (the first
// of equal moduli), which becomes exactly 1. A zero vector stays as it is.
void eigenvector_divide(double** v, int n, const double* im);

}  // namespace kj::num
