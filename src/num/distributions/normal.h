// The standard normal distribution: density, lower and upper probabilities,
// quantile and the error function. The two probabilities share one routine
// with an "upper" flag, so a small tail keeps its relative accuracy.
#pragma once

namespace kj::num {

double normal_density(double x);   // exp(-x^2/2) / sqrt(2 pi)
double normal_cdf(double x);       // P(X <= x); 0 below x = -36.3, 1 above x = 7.8
double normal_tail(double x);      // P(X > x)
// P(X <= x) when `upper` is false, P(X > x) when it is true.
double normal_probability(double x, bool upper);
// x with P(X <= x) = p; -inf for p <= 0, +inf for p >= 1, NaN for NaN.
double normal_quantile(double p);
// erf(x) = 2 P(X <= x sqrt 2) - 1.
double normal_erf(double x);

}  // namespace kj::num
