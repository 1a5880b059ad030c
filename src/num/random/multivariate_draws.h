// Multivariate draws: Dirichlet, multinomial and Wishart.
#pragma once

#include <kj80x.h>

namespace kj::num {

// One Dirichlet(alpha) draw into out[0..k-1]; any alpha <= 0: all NaN.
void ran_dirichlet(KjRanState& s, double* out, const double* alpha, int k);
// One multinomial draw of n trials over k category probabilities p (their sum
// at most 1 + 1e-10, the last category taking the rest): counts into out.
// A negative probability or a larger sum: all NaN.
void ran_multinomial(KjRanState& s, double* out, double n, const double* p, int k);
// A p x p Wishart(n, P P') draw from the lower triangular P (row-major
// p x p); n must exceed p - 1, else all NaN.
void ran_wishart(KjRanState& s, double* out, double n, const double* factor, int p);

}  // namespace kj::num
