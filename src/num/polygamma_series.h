// The polygamma kernel shared by the real and the complex functions: upward
// recurrence to |z| ≥ 15 + n, then the asymptotic series in 1/z.
// T is double or std::complex<double>; the caller rejects the poles.
#pragma once

#include <cmath>
#include <complex>

namespace kj::num::detail {

// B_2k for k = 1..10.
inline constexpr double k_bernoulli_even[10] = {
    1.0 / 6, -1.0 / 30, 1.0 / 42, -1.0 / 30, 5.0 / 66,
    -691.0 / 2730, 7.0 / 6, -3617.0 / 510, 43867.0 / 798, -174611.0 / 330,
};

inline double real_part(double x) { return x; }
inline double real_part(const std::complex<double>& z) { return z.real(); }

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

}  // namespace kj::num::detail
