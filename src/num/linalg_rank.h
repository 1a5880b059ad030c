// Decisions on numerical rank: rank, null space and generalized inverses,
// all from the singular values.
#pragma once

#include "num/linalg_block.h"

namespace kj::num {

// The number of singular values above tol x |a|_F, or above tol itself when
// absolute; -2 when the decomposition fails.
int matrix_rank(double** a, int r, int c, double tol, bool absolute);

// An orthonormal basis of the null space: for r >= c the complement of the
// column space (n' a = 0, r x (r - rank)); for r < c the vectors with a n =
// 0 (c x (c - rank)). The rank threshold is 10 x eps relative to |a|_F.
// Returns the number of columns of out, negative on failure.
int null_space(double** a, int r, int c, WorkBlock& out);

// The generalized inverse (c x r) of the r x c block a: singular values
// above 10 x eps x (largest absolute row sum) inverted, the others 0. w, when
// given, gets the min(r, c) singular values. Non-zero on success.
int generalized_inverse(double** a, int r, int c, double** result, double* w = nullptr);
// The same for a symmetric positive semi-definite n x n block through its
// eigenvalues.
int generalized_inverse_sym(double** a, int n, double** result);

}  // namespace kj::num
