#include "num/complex_functions.h"

#include <cmath>
#include <limits>

#include "num/polygamma_reflection.h"
#include "num/higher_functions.h"

namespace kj::num {

namespace {
constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();
constexpr double k_pi = 3.14159265358979323846;
constexpr double k_eps = 1e-16;
const Complex k_complex_nan{k_nan, k_nan};

bool is_nan(Complex z) { return std::isnan(z.real()) || std::isnan(z.imag()); }
bool is_pole(Complex z) { return z.imag() == 0 && z.real() <= 0 && z.real() == std::trunc(z.real()); }

// Σ (−1)^n z^(2n+1) / (n!(2n+1)) · 2/√π: used where the terms do not cancel badly.
Complex erf_series(Complex z) {
    const Complex z2 = z * z;
    Complex term = z, sum = z;
    for (int n = 1; n < 5000; ++n) {
        term *= -z2 / static_cast<double>(n);
        const Complex add = term / static_cast<double>(2 * n + 1);
        sum += add;
        if (std::abs(add) < std::abs(sum) * k_eps * 0.1) break;
    }
    return sum * (2 / std::sqrt(k_pi));
}

// erfc(z) for Re z > 0 by the continued fraction
// e^(−z²)/√π · 1/(z + (1/2)/(z + 1/(z + (3/2)/(z + ...)))), modified Lentz.
Complex erfc_fraction(Complex z) {
    const double tiny = 1e-300;
    Complex f = z, c = z, d = 0;
    for (int k = 1; k < 20000; ++k) {
        const double a = 0.5 * k;
        d = z + a * d;
        if (std::abs(d) < tiny) d = tiny;
        c = z + a / c;
        if (std::abs(c) < tiny) c = tiny;
        d = 1.0 / d;
        const Complex del = c * d;
        f *= del;
        if (std::abs(del - 1.0) < k_eps) break;
    }
    return std::exp(-z * z) / (std::sqrt(k_pi) * f);
}

// Stirling series of ln Γ(w) for Re w ≥ 15.
Complex log_gamma_stirling(Complex w) {
    const Complex inv = 1.0 / w, inv2 = inv * inv;
    Complex sum = (w - 0.5) * std::log(w) - w + 0.5 * std::log(2 * k_pi);
    Complex p = inv;
    for (int k = 1; k <= 10; ++k) {
        sum += detail::k_bernoulli_even[k - 1] / (2.0 * k * (2.0 * k - 1)) * p;
        p *= inv2;
    }
    return sum;
}
}  // namespace

Complex complex_erf(Complex z) {
    if (is_nan(z)) return k_complex_nan;
    if (z.imag() == 0) return {std::erf(z.real()), 0.0};
    if (z.real() < 0) return -complex_erf(-z);
    // Right half plane: the series loses about e^(2 Re² z) against the result,
    // the fraction converges slowly near the imaginary axis.
    const double r = std::abs(z);
    if (r < 2 || (z.real() < 1 && r < 26)) return erf_series(z);
    return 1.0 - erfc_fraction(z);
}

Complex complex_log_gamma(Complex z) {
    if (is_nan(z) || is_pole(z)) return k_complex_nan;
    // ln Γ(z) = ln Γ(z + m) − Σ_(j<m) ln(z + j): the sum of principal logarithms
    // is continuous off the negative real axis, unlike the logarithm of the product.
    Complex shift = 0;
    for (int j = 0; z.real() < 15 && j < 10000000; ++j) {
        shift += std::log(z);
        z += 1.0;
    }
    return log_gamma_stirling(z) - shift;
}

Complex complex_gamma(Complex z) {
    if (is_nan(z) || is_pole(z)) return k_complex_nan;
    if (z.imag() == 0) return {gamma_function(z.real()), 0.0};
    return std::exp(complex_log_gamma(z));
}

Complex complex_polygamma(int n, Complex z) {
    if (n < 0 || is_nan(z) || is_pole(z) || (std::isinf(z.real()) && z.real() < 0)) return k_complex_nan;
    if (n > detail::k_polygamma_large_order && z.imag() == 0) return {polygamma(n, z.real()), 0.0};
    // Left of zero and off the axis the recurrence sums terms that cancel to
    // a value far smaller than they are; the reflection does not.
    const bool off_axis = z.real() < 0 && std::fabs(z.imag()) >= 1 && n <= detail::k_polygamma_large_order;
    if (z.real() < detail::k_polygamma_reflection_below || off_axis) return detail::polygamma_reflected(n, z);
    return detail::polygamma_kernel(n, z);
}

Complex complex_pow(Complex z, Complex p) {
    if (z == 0.0) {
        if (p == 0.0) return 1.0;
        if (p.real() > 0) return 0.0;
    }
    return std::exp(p * std::log(z));
}

}  // namespace kj::num
