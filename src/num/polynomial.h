// Polynomial kernels on coefficient arrays. Unless said otherwise the
// coefficients are stored highest power first: a[0] x^n + ... + a[n].
#pragma once

#include <vector>

namespace kj::num {

// Horner's rule.
double polynomial_eval(const double* a, int count, double x);

// c[k] = Σ_i a[i] b[k − i] for k < na + nb − 1 (a convolution: either order).
void polynomial_multiply(const double* a, int na, const double* b, int nb, double* c);

// The first n coefficients of the power series a(L)/b(L), a and b in
// ascending powers of L. b[0] must not be 0.
void power_series_divide(const double* a, int na, const double* b, int nb, int n, double* c);

// Coefficients (n + 1, leading 1) of Π(x − r_k) for the roots re[k] + i·im[k]
// (im null: real roots); the imaginary part of the product is dropped.
void polynomial_from_roots(const double* re, const double* im, int n, double* c);

// Roots of a[0] x^n + ... + a[n] after dropping leading zero coefficients, as
// the eigenvalues of the companion matrix, in the order the eigenvalue routine
// gives them. Returns 0 on success, else the routine's failure code (re and
// im then hold what was computed).
int polynomial_roots(const double* a, int count, std::vector<double>& re, std::vector<double>& im);

}  // namespace kj::num
