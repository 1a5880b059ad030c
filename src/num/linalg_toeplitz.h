// Symmetric Toeplitz systems by Levinson's recursion.
#pragma once

namespace kj::num {

// Solves T x = b for the symmetric positive definite m x m Toeplitz matrix
// whose first row is r[0..m-1]; b is overwritten by x. logdet (may be null)
// gets ln det T. 0 on success, 1 when T is not positive definite.
int toeplitz_solve(const double* r, int m, double* b, double* logdet);

}  // namespace kj::num
