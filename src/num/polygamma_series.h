// The polygamma kernels shared by the real and the complex functions: upward
// recurrence to |z| ≥ 15 + n, then the asymptotic series in 1/z; for a large
// order the same sum formed in logarithms.
// T is double or std::complex<double>; the caller rejects the poles.
#pragma once

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <type_traits>

namespace kj::num::detail {

// B_2k for k = 1..10.
inline constexpr double k_bernoulli_even[10] = {
    1.0 / 6, -1.0 / 30, 1.0 / 42, -1.0 / 30, 5.0 / 66,
    -691.0 / 2730, 7.0 / 6, -3617.0 / 510, 43867.0 / 798, -174611.0 / 330,
};

inline double real_part(double x) { return x; }
inline double real_part(const std::complex<double>& z) { return z.real(); }
inline double magnitude(double x) { return std::fabs(x); }
inline double magnitude(const std::complex<double>& z) { return std::abs(z); }

// ψ^(n)(z) for n ≥ 0.
template <class T>
T polygamma_series(int n, T z) {
    using std::log;
    const double z_min = 15.0 + n;
    double n_factorial = 1;
    for (int j = 2; j <= n; ++j) n_factorial *= j;

    // ψ^(n)(z) = ψ^(n)(z + 1) − (−1)^n n! / z^(n+1)
    T shift_sum = 0;
    while (real_part(z) < z_min) {
        shift_sum += 1.0 / std::pow(z, n + 1);
        z += 1.0;
    }
    const double sign_n = (n % 2 == 0) ? 1.0 : -1.0;
    const T inv = 1.0 / z;
    const T inv2 = inv * inv;
    T series;
    if (n == 0) {
        // ln z − 1/(2z) − Σ B_2k / (2k z^2k)
        series = log(z) - 0.5 * inv;
        T p = inv2;
        for (int k = 1; k <= 10; ++k) {
            series -= k_bernoulli_even[k - 1] / (2.0 * k) * p;
            p *= inv2;
        }
    } else {
        // (−1)^(n+1) [ (n−1)!/z^n + n!/(2 z^(n+1)) + Σ B_2k (2k+n−1)!/((2k)! z^(2k+n)) ]
        const T inv_n = std::pow(inv, n);
        T sum = (n_factorial / n) * inv_n + 0.5 * n_factorial * inv_n * inv;
        T p = inv_n * inv2;
        for (int k = 1; k <= 10; ++k) {
            double ratio = 1;  // (2k+n−1)! / (2k)!
            for (int j = 2 * k + 1; j <= 2 * k + n - 1; ++j) ratio *= j;
            sum += k_bernoulli_even[k - 1] * ratio * p;
            p *= inv2;
        }
        series = -sign_n * sum;
    }
    return series - sign_n * n_factorial * shift_sum;
}

// Orders above this go to polygamma_large_order.
inline constexpr int k_polygamma_large_order = 60;

// y^−(n+1) / e^scale.
inline double scaled_power(int n, double y, double scale) {
    const double size = std::exp(-(n + 1.0) * std::log(std::fabs(y)) - scale);
    return y < 0 && n % 2 == 0 ? -size : size;
}
inline std::complex<double> scaled_power(int n, const std::complex<double>& y, double scale) {
    return std::polar(std::exp(-(n + 1.0) * std::log(std::abs(y)) - scale), -(n + 1.0) * std::arg(y));
}

// (−1)^(n+1) n! e^scale s, infinite where it leaves the double range.
inline double scaled_result(int n, double scale, double s) {
    if (s == 0) return 0;
    const double sign = (n % 2 == 0 ? -1.0 : 1.0) * (s < 0 ? -1.0 : 1.0);
    const double log_size = std::lgamma(n + 1.0) + scale + std::log(std::fabs(s));
    if (log_size > 709.78) return sign * std::numeric_limits<double>::infinity();
    return sign * std::exp(log_size);
}
inline std::complex<double> scaled_result(int n, double scale, const std::complex<double>& s) {
    return {scaled_result(n, scale, s.real()), scaled_result(n, scale, s.imag())};
}

// ψ^(n)(z) = (−1)^(n+1) n! Σ_{k≥0} (z + k)^−(n+1) for a large order n, formed
// in logarithms (n! alone leaves the double range from n = 171 on). The terms
// are summed from z upwards until they no longer count against the largest
// or Re z + k reaches 15 + n, where the asymptotic series gives the rest:
// Σ_{j≥0} (w + j)^−(n+1) = w^−(n+1) [w/n + 1/2 + Σ B_2k (n+1)…(n+2k−1)/(2k)! w^(1−2k)].
// The number of terms is bounded for positive Re z by about 42 Re z/n + 15,
// which is small whenever n is large; a negative Re z adds about 2|Re z| terms.
template <class T>
T polygamma_large_order(int n, T z) {
    if constexpr (std::is_same_v<T, double>) {
        // For an even n and a negative half-integer z the terms from z to −z
        // cancel in pairs: exactly, where a rounded sum would leave noise.
        if (n % 2 == 0 && z < 0 && std::floor(2 * z) == 2 * z) z = 1 - z;
    }
    const double np1 = n + 1.0;
    auto log_size = [&](const T& y) { return -np1 * std::log(magnitude(y)); };
    const double z_min = 15.0 + n;
    const double x = real_part(z);
    // The largest term: at z, or for a negative real part nearest to zero.
    double largest = log_size(z);
    if (x < 0) {
        const double below = std::floor(-x);
        largest = std::max({largest, log_size(z + below), log_size(z + below + 1.0)});
    }
    T sum = 0;
    T w = z;
    bool tail_counts = true;
    for (; real_part(w) < z_min; w += 1.0) {
        const T term = scaled_power(n, w, largest);
        // Past the mirror image of every term left of zero (the pairs may
        // cancel), a term that no longer counts against the sum ends it.
        if (real_part(w) > 0 && real_part(w) >= -x && magnitude(term) < 1e-18 * magnitude(sum)) {
            tail_counts = false;
            break;
        }
        sum += term;
    }
    if (tail_counts) {
        const T inv2 = 1.0 / (w * w);
        T a = w / static_cast<double>(n) + 0.5, p = 1.0 / w;
        for (int k = 1; k <= 10; ++k) {
            double ratio = 1;  // (n+1)…(n+2k−1) / (2k)!
            for (int j = 1; j <= 2 * k - 1; ++j) ratio *= (n + j) / static_cast<double>(j);
            ratio /= 2 * k;
            const T term = k_bernoulli_even[k - 1] * ratio * p;
            a += term;
            if (magnitude(term) < magnitude(a) * 1e-16) break;
            p *= inv2;
        }
        sum += scaled_power(n, w, largest) * a;
    }
    return scaled_result(n, largest, sum);
}

}  // namespace kj::num::detail
