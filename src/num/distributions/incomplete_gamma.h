// The regularized incomplete gamma functions P(a, x) and Q(a, x) = 1 - P(a, x)
// and the pieces of ln Gamma that keep large arguments accurate. Shared by the
// chi-squared, gamma and Poisson families.
#pragma once

namespace kj::num {

// ln Gamma(x) - ((x - 1/2) ln x - x + ln(2 pi)/2), the remainder of
// Stirling's series; x >= 10 for full accuracy.
double stirling_remainder(double x);
// ln Gamma(a + b) - ln Gamma(a) for a, b > 0, without the cancellation of two
// large logarithms.
double log_gamma_difference(double a, double b);
// e - ln(1 + e) >= 0 for e > -1, accurate for small e.
double log1p_gap(double e);
// The same as a function of r = 1 + e > 0, keeping its accuracy for r near 0.
double ratio_gap(double r);

// x^a e^-x / Gamma(a) for a > 0, x > 0, formed so that large a around x = a
// keeps its accuracy.
double gamma_front(double a, double x);

// P(a, x) when `upper` is false, Q(a, x) when it is true, each computed
// directly: a power series, a continued fraction, a series for small a, or
// Temme's uniform asymptotic expansion for a above 1e6. x <= 0 gives P = 0;
// a <= 0, a = +inf or NaN gives NaN.
double regularized_gamma(double a, double x, bool upper);

}  // namespace kj::num
