// The symmetric eigenproblem (the lower triangle of a is read).
#pragma once

namespace kj::num {

enum EigenStatus : int { Eigen_Ok = 0, Eigen_NoConvergence = 1, Eigen_BadArgument = 2 };

// The default kernel: eigenvalues in decreasing order into eval; with
// want_vectors the orthonormal eigenvectors replace the rows of a, in the
// same order. Householder tridiagonalisation and implicit QL (at most 50
// iterations per eigenvalue) for small orders, LAPACK dsyevd above.
int eigensym_default(double** a, int n, double* eval, int want_vectors);
// The own method at any order (IEigValSym / IEigVecSym run it directly).
int eigensym_ql(double** a, int n, double* eval, int want_vectors);
int eigensym(double** a, int n, double* eval, int want_vectors);

// A x = lambda B x with B symmetric positive definite: eigenvalues
// decreasing; the eigenvectors (B-orthonormal, X' B X = I) replace the rows
// of a. b is overwritten by its Choleski factor. Codes as above; a B that is
// not positive definite gives Eigen_BadArgument.
int eigensym_generalized(double** a, double** b, int n, double* eval);

}  // namespace kj::num
