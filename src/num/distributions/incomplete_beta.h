// The regularized incomplete beta function I_x(a, b) and its complement,
// shared by the t, F, beta, binomial and negative binomial families.
#pragma once

namespace kj::num {

// x^a (1-x)^b / B(a, b), with y = 1 - x passed separately so that x near 1
// keeps its accuracy. Large a and b go through log1p_gap around the mean
// (the form of Didonato and Morris, TOMS 708).
double beta_front(double x, double y, double a, double b);
// The continued fraction of I_x(a, b) (modified Lentz): I_x(a, b) =
// beta_front(x, 1-x, a, b) · CF / a; converges fast for x < (a+1)/(a+b+2).
double beta_continued_fraction(double x, double a, double b);
// I_x(a, b) when `upper` is false, 1 - I_x(a, b) when it is true, each
// computed directly (the expansion of beta_expansion.h when one parameter is
// large against the other, else the continued fraction on the side where it
// converges).
// y = 1 - x. x <= 0 gives I = 0, x >= 1 gives I = 1; a <= 0, b <= 0, an
// infinite parameter or NaN gives NaN.
double regularized_beta(double x, double y, double a, double b, bool upper);

}  // namespace kj::num
