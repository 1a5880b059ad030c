// The incomplete beta function for one large parameter: an expansion in
// incomplete gamma functions that keeps full accuracy where the continued
// fraction needs thousands of terms and its prefactor cancels digits.
#pragma once

namespace kj::num {

// I_x(a, b) (upper false) or 1 - I_x(a, b) (upper true), y = 1 - x, for a
// large against b (a >= 500 and b^3 <= a^2/1000) and x >= 0.01. NaN when the
// arguments are outside that range or the series does not settle, so that
// the caller can take another method.
double beta_large_a(double x, double y, double a, double b, bool upper);

}  // namespace kj::num
