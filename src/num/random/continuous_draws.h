// Draws of the continuous distributions, all through the slots of a state
// record. Invalid parameters give NaN.
#pragma once

#include <kj80x.h>

namespace kj::num {

double ran_exp(KjRanState& s, double lambda);
double ran_gamma(KjRanState& s, double r, double a);  // shape r, rate a
double ran_beta(KjRanState& s, double a, double b);
double ran_chi(KjRanState& s, double nu);
double ran_f(KjRanState& s, double nu1, double nu2);
double ran_t(KjRanState& s, double nu);          // nu >= 1
double ran_student_t(KjRanState& s, double nu);  // any nu > 0
double ran_lognormal(KjRanState& s);
double ran_cauchy(KjRanState& s);
double ran_logistic(KjRanState& s);
double ran_extreme_value(KjRanState& s, double alpha, double beta);
double ran_pareto(KjRanState& s, double k, double a);
double ran_weibull(KjRanState& s, double a, double b);
double ran_stable(KjRanState& s, double alpha, double beta);
double ran_mises(KjRanState& s, double kappa);
double ran_inv_gaussian(KjRanState& s, double mu, double lambda);
double ran_gig(KjRanState& s, double nu, double delta, double gamma);
double ran_gh(KjRanState& s, double nu, double delta, double gamma, double beta);

}  // namespace kj::num
