// The further families of the distribution group: discrete laws (binomial,
// geometric, hypergeometric, logarithmic, negative binomial, Poisson),
// closed-form continuous laws (Cauchy, exponential, extreme value, logistic,
// log-normal, Pareto, Weibull), the inverse Gaussian, von Mises, generalized
// inverse Gaussian and generalized hyperbolic laws, and the kernels of
// density estimation. Conventions as in distributions.h; a discrete density
// at an x that is not whole is 0, a discrete probability floors x, and a
// discrete quantile is the smallest support point k with P(X <= k) >= p.
#pragma once

namespace kj::num {

double binomial_density(double x, double n, double p);
double binomial_probability(double x, double n, double p);
double binomial_quantile(double q, double n, double p);
double geometric_density(double x, double p);
double geometric_probability(double x, double p);
double geometric_quantile(double q, double p);
double hypergeometric_density(double x, double N, double M, double n);
double hypergeometric_probability(double x, double N, double M, double n);
double hypergeometric_quantile(double q, double N, double M, double n);
double logarithmic_density(double x, double p);
double logarithmic_probability(double x, double p);
double logarithmic_quantile(double q, double p);
double negbin_density(double x, double n, double p);
double negbin_probability(double x, double n, double p);
double negbin_quantile(double q, double n, double p);
double poisson_density(double x, double mu);
double poisson_probability(double x, double mu);
double poisson_quantile(double q, double mu);

double cauchy_density(double x);
double cauchy_probability(double x);
double cauchy_quantile(double p);
double exponential_density(double x, double lambda);
double exponential_probability(double x, double lambda);
double exponential_quantile(double p, double lambda);
double extreme_value_density(double x, double alpha, double beta);
double extreme_value_probability(double x, double alpha, double beta);
double extreme_value_quantile(double p, double alpha, double beta);
double logistic_density(double x, double alpha, double beta);
double logistic_probability(double x, double alpha, double beta);
double logistic_quantile(double p, double alpha, double beta);
double lognormal_density(double x);
double lognormal_probability(double x);
double lognormal_quantile(double p);
double pareto_density(double x, double k, double a);
double pareto_probability(double x, double k, double a);
double pareto_quantile(double p, double k, double a);
double weibull_density(double x, double a, double b);
double weibull_probability(double x, double a, double b);
double weibull_quantile(double p, double a, double b);

double inverse_gaussian_density(double x, double mu, double lambda);
double inverse_gaussian_probability(double x, double mu, double lambda);
double inverse_gaussian_quantile(double p, double mu, double lambda);
double mises_density(double x, double mu, double kappa);
double mises_probability(double x, double mu, double kappa);
double mises_quantile(double p, double mu, double kappa);
double gig_density(double x, double nu, double delta, double gamma);
double gh_density(double x, double nu, double delta, double gamma, double beta);
// ln K_nu(x), the modified Bessel function of the second kind of real order,
// for x > 0 (NaN otherwise).
double log_bessel_k(double nu, double x);

// Kernel functions: 'n' normal, 'e' Epanechnikov, 'b' biweight, 't'
// triangular, 'u' uniform.
double kernel_density(double x, char kernel);

}  // namespace kj::num
