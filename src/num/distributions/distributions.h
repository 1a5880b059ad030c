// Scalar routines of the continuous families built on the incomplete gamma and
// beta functions: Student t, chi-squared, gamma, F and beta, central and
// non-central. Conventions: results outside the support are 0 (densities,
// lower probabilities) or 1; invalid parameters give NaN unless a routine says
// otherwise; a tail is computed directly, never as 1 - probability; quantiles
// map p <= 0 and p >= 1 to the ends of the support.
#pragma once

namespace kj::num {

// Student t. The density takes any nu > 0; the tail, probability and
// quantile of a whole nu follow the finite series and continued fraction
// (nu < 1: tail 0); the _real forms take any nu > 0.
double t_density(double x, double nu);
double t_tail(double t, int nu);
double t_cdf(double t, int nu);
double t_quantile(double p, int nu);
double t_probability_real(double t, double nu, bool upper);
double t_quantile_real(double p, double nu);
// Non-central t, P(T <= t) or P(T > t) with non-centrality delta.
double t_nc_probability(double t, double nu, double delta, bool upper);

// Chi-squared with nu > 0 degrees of freedom; non-centrality lambda >= 0.
double chi_density(double x, double nu);
double chi_probability(double x, double nu, bool upper);
double chi_quantile(double p, double nu);
double chi_nc_probability(double x, double nu, double lambda, bool upper);

// Gamma with shape r and rate a.
double gamma_density(double x, double r, double a);
double gamma_probability(double x, double r, double a, bool upper);
double gamma_quantile(double p, double r, double a);

// F with nu1, nu2 degrees of freedom; non-centrality lambda >= 0.
double f_density(double x, double nu1, double nu2);
double f_probability(double x, double nu1, double nu2, bool upper);
double f_quantile(double p, double nu1, double nu2);
double f_nc_probability(double x, double nu1, double nu2, double lambda, bool upper);

// Beta(a, b) on (0, 1); the density is 0 (not NaN) for a <= 0 or b <= 0.
double beta_density(double x, double a, double b);
double beta_probability(double x, double a, double b, bool upper);
double beta_quantile(double p, double a, double b);

}  // namespace kj::num
