// The inversion epsilon: the one threshold of every singularity test of the
// decompositions (pivots, Choleski and LDL' diagonals, rank decisions).
#pragma once

namespace kj::num {

constexpr double k_default_invert_eps = 2.220446049250313e-13;  // 1000 x machine epsilon

double invert_eps();
// Stores eps when it is >= 0; a negative value is ignored.
void set_invert_eps(double eps);
// eps times the largest absolute row sum of the n x n block a (0 for n < 1).
double invert_eps_norm(double** a, int n);

}  // namespace kj::num
