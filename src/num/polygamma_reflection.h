// Polygamma far left of zero, where the upward recurrence would take a step
// for every whole number up to 15 + n: the reflection
//   ψ^(n)(z) = (−1)^n ψ^(n)(1 − z) − D_n(z),   D_n = d^n/dz^n π cot(πz),
// with ψ^(n)(1 − z) from the kernels (its real part is large) and D_n, which
// depends on z only through f = z − N, N the whole number nearest Re z:
// - |Im z| < 1: D_n = (−1)^n n! Σ_m (f + m)^−(n+1) over all whole m. Up to
//   order 60 the terms with |m| < M = 16 + n are summed and the two tails are
//   polygamma values at f + M and M − f; above, the terms beyond |m| = 3 no
//   longer count against the one nearest zero, and the sum is in logarithms.
// - |Im z| ≥ 1: the Fourier series D_n = −(2πi)^(n+1) Σ_{k≥1} k^n q^k, plus
//   −iπ for n = 0, with q = e^(2πiz) (Im z > 0; the conjugate below), summed
//   in logarithms around its largest term, so that exponentially small
//   values stay accurate and huge ones become infinite.
#pragma once

#include <cmath>
#include <complex>
#include <limits>
#include <type_traits>

#include "num/polygamma_series.h"

namespace kj::num::detail {

// Real parts below this are reflected.
inline constexpr double k_polygamma_reflection_below = -1e5;

template <class T>
T polygamma_kernel(int n, T z) {
    return n > k_polygamma_large_order ? polygamma_large_order(n, z) : polygamma_series(n, z);
}

// D_n(f) for |Im f| < 1, |Re f| ≤ 1/2, f not 0.
template <class T>
T cot_derivative_near_axis(int n, T f) {
    const double sign_n = n % 2 == 0 ? 1.0 : -1.0;
    if (n > k_polygamma_large_order) {
        double largest = -std::numeric_limits<double>::infinity();
        for (int m = -3; m <= 3; ++m) largest = std::max(largest, -(n + 1.0) * std::log(magnitude(f + double(m))));
        T s = 0;
        for (int m = -3; m <= 3; ++m) s += scaled_power(n, f + double(m), largest);
        return -scaled_result(n, largest, s);
    }
    double n_factorial = 1;
    for (int j = 2; j <= n; ++j) n_factorial *= j;
    const int tail = 16 + n;
    T s = 0;
    for (int m = 1 - tail; m < tail; ++m) s += 1.0 / std::pow(f + double(m), n + 1);
    return sign_n * n_factorial * s - polygamma_series(n, f + double(tail)) +
           sign_n * polygamma_series(n, double(tail) - f);
}

// sign(c) e^(log_size) |c|, infinite where it leaves the double range.
inline double scaled_part(double log_size, double c) {
    if (c == 0) return 0;
    const double l = log_size + std::log(std::fabs(c));
    const double size = l > 709.78 ? std::numeric_limits<double>::infinity() : std::exp(l);
    return c < 0 ? -size : size;
}

// D_n(f) for |Im f| ≥ 1, |Re f| ≤ 1/2.
inline std::complex<double> cot_derivative_fourier(int n, std::complex<double> f) {
    using C = std::complex<double>;
    if (f.imag() < 0) return std::conj(cot_derivative_fourier(n, std::conj(f)));
    constexpr double two_pi = 6.283185307179586, pi = 3.141592653589793;
    const C constant = n == 0 ? C(0, -pi) : C(0, 0);
    const double y = f.imag(), theta = two_pi * f.real();
    if (std::isinf(y)) return constant;
    auto log_term = [&](double k) { return n * std::log(k) - two_pi * k * y; };
    const double peak = std::max(1.0, std::round(n / (two_pi * y)));
    const double largest = log_term(peak);
    C s = 0;
    for (double k = peak;; k += 1) {
        const double l = log_term(k) - largest;
        if (l < -42) break;
        s += std::polar(std::exp(l), k * theta);
    }
    for (double k = peak - 1; k >= 1; k -= 1) {
        const double l = log_term(k) - largest;
        if (l < -42) break;
        s += std::polar(std::exp(l), k * theta);
    }
    // −i^(n+1) s, then times (2π)^(n+1) e^largest.
    static const C powers_of_i[4] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
    const C w = -powers_of_i[(n + 1) % 4] * s;
    const double log_size = (n + 1.0) * std::log(two_pi) + largest;
    return C(scaled_part(log_size, w.real()), scaled_part(log_size, w.imag())) + constant;
}

// ψ^(n)(z) for Re z < k_polygamma_reflection_below (finite), z not a pole.
template <class T>
T polygamma_reflected(int n, T z) {
    const double sign_n = n % 2 == 0 ? 1.0 : -1.0;
    const T f = z - std::round(real_part(z));
    T d;
    if constexpr (std::is_same_v<T, double>) {
        // At a half-integer the even derivatives of cot vanish: exactly, where
        // a sum would leave the rounding of its largest terms.
        d = n % 2 == 0 && std::fabs(f) == 0.5 ? 0.0 : cot_derivative_near_axis(n, f);
    } else {
        d = std::fabs(f.imag()) < 1 ? cot_derivative_near_axis(n, f) : cot_derivative_fourier(n, f);
    }
    return sign_n * polygamma_kernel(n, T(1.0) - z) - d;
}

}  // namespace kj::num::detail
