// The standard normal distribution: density, lower and upper tail
// probabilities and quantile, accurate to a few units in the last place over
// the whole double range (the tails are computed directly, not as 1 - p).
#pragma once

namespace kj::num {

double normal_density(double x);   // exp(-x^2/2) / sqrt(2 pi)
double normal_cdf(double x);       // P(X <= x)
double normal_tail(double x);      // P(X > x)
// x with P(X <= x) = p; -inf at 0, +inf at 1, NaN outside [0, 1] or for NaN.
double normal_quantile(double p);

}  // namespace kj::num
