// Real special functions. Every function is total: arguments outside the
// domain give NaN (or the stated limit), never an exception or a trap, and
// NaN arguments give NaN. Accuracy goal: a few units in the 14th digit.
#pragma once

namespace kj::num {

// Γ(x); 0 and the negative whole numbers give NaN, overflow +∞.
double gamma_function(double x);
// ln Γ(x) for x > 0; x ≤ 0 gives NaN.
double log_gamma(double x);
// n! = Γ(n + 1): exact products for whole n ≤ 170, +∞ beyond; n < 0 NaN.
double factorial(double n);
// "n over k" of the truncated arguments: exact below 2^53, otherwise through
// ln Γ and rounded; k < 0 or k > n gives 0, n < 0 NaN.
double binomial(double n, double k);

// Regularized lower incomplete gamma P(a, x); x ≤ 0 gives 0, a ≤ 0 NaN.
double incomplete_gamma(double a, double x);
// Regularized incomplete beta I_x(a, b); x ≤ 0 gives 0, x ≥ 1 gives 1,
// a ≤ 0 or b ≤ 0 NaN.
double incomplete_beta(double x, double a, double b);

// ψ^(n)(x), the n-th derivative of the digamma function; x = 0 or a negative
// whole number, or n < 0, gives NaN.
double polygamma(int n, double x);

// Gauss hypergeometric ₂F₁(a, b; c; x) for x < 1, and at x = 1 when
// c − a − b > 0; c a non-positive whole number or x beyond gives NaN.
double hypergeometric_2f1(double a, double b, double c, double x);

// Dawson's integral e^(−x²)∫₀^x e^(t²) dt.
double dawson(double x);
// Exponential integral E1(x) for x > 0; 0 gives +∞, x < 0 NaN.
double expint_e1(double x);

// Bessel functions of whole order nu ≥ 0: 'J', 'Y', 'I', 'K', and the scaled
// 'i' = e^(−|x|)·I and 'k' = e^x·K. 'Y', 'K', 'k' need x > 0 (else NaN). An
// unknown type or nu < 0 gives NaN (callers check those first).
double bessel(int type, int nu, double x);

}  // namespace kj::num
