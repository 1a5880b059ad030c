// Complex special functions (principal branches). Poles give NaN in both
// parts; nothing traps or throws.
#pragma once

#include <complex>

namespace kj::num {

using Complex = std::complex<double>;

// erf(z) = (2/√π)∫₀^z e^(−t²) dt; a real z gives the real erf exactly.
Complex complex_erf(Complex z);
// ln Γ(z), continued analytically from the positive real axis (the imaginary
// part is not reduced to (−π, π]).
Complex complex_log_gamma(Complex z);
// Γ(z).
Complex complex_gamma(Complex z);
// ψ^(n)(z) for n ≥ 0 (NaN for n < 0).
Complex complex_polygamma(int n, Complex z);
// z^p = exp(p·ln z); 0^p is 0 for Re p > 0 and 1 for p = 0.
Complex complex_pow(Complex z, Complex p);

}  // namespace kj::num
