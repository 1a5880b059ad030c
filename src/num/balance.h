// Balancing a square matrix by a diagonal similarity: B = D^-1 A D with the
// diagonal D made of powers of 2, so that each row and its column have
// comparable norms (scaling only, no permutations). Exact in binary floating
// point, since only exponents change.
#pragma once

namespace kj::num {

// a: n x n row-major, balanced in place; d receives the n scale factors.
void balance_matrix(double* a, double* d, int n);

}  // namespace kj::num
