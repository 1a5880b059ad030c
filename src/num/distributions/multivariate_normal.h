// Bivariate and multivariate normal probabilities.
#pragma once

namespace kj::num {

// P(X <= x, Y <= y) for the standard bivariate normal with correlation rho
// (Genz's refinement of the Drezner-Wesolowsky method, about 1e-15 absolute).
// |rho| > 1 gives NaN; infinite limits are allowed.
double bvn_probability(double x, double y, double rho);

// P(X <= x) for X ~ N(0, sigma), sigma k x k row-major (standardised here).
// k = 1 and 2 are exact; k >= 3 uses Genz's separation of variables with a
// randomised lattice rule (absolute error about 1e-6, deterministic shifts).
// A sigma that is not positive definite gives NaN; +inf limits drop a component.
double mvn_probability(const double* x, const double* sigma, int k);

}  // namespace kj::num
