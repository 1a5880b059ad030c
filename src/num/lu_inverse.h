// General matrix inverse by LU decomposition with partial pivoting, used by
// right division and negative matrix powers.
#pragma once

namespace kj::num {

// Pivots at most this large in absolute value mark the matrix as singular.
constexpr double k_lu_singular_eps = 2.220446049250313e-13;

enum LuStatus : int { Lu_Ok = 0, Lu_Singular = 1, Lu_OutOfMemory = 2 };

// Replaces the n x n block a by its inverse. On failure a is unchanged.
// The row pointers of a are not rearranged.
int lu_invert(double** a, int n, double eps = k_lu_singular_eps);

}  // namespace kj::num
