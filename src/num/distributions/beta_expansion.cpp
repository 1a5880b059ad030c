// With t = e^-w the integral of I_x(a, b) becomes
//   I_x(a, b) = 1/B(a, b) ∫_{ω}^∞ e^(-T w) w^(b-1) f(w) dw,  ω = -ln x,
// where T = a + (b - 1)/2 and f(w) = (sinh(w/2)/(w/2))^(b-1) is even with
// the power series Σ c_n w^(2n). Term by term, with z = T ω:
//   I_x(a, b)     = K Σ c_n r_n Q(b + 2n, z),
//   1 - I_x(a, b) = K Σ c_n r_n P(b + 2n, z),
// r_n = Γ(b + 2n)/(Γ(b) T^(2n)) and K = Γ(a + b)/(Γ(a) T^b). The series in
// 1/T² is asymptotic for the upper integral and convergent (ω < 2π) for the
// lower one; for large a it settles after a few terms (Temme's expansion,
// the basis of the BGRAT algorithm of Didonato and Morris).
#include "num/distributions/beta_expansion.h"

#include <array>
#include <cmath>
#include <limits>

#include "num/distributions/incomplete_gamma.h"

namespace kj::num {

namespace {
constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();
constexpr int k_terms = 30;

// ln(sinh(w/2)/(w/2)) = Σ_{k>=1} e_k w^(2k), e_k = (-1)^(k+1) ζ(2k) / (k (2π)^(2k)).
const std::array<double, k_terms + 1>& log_sinhc_coefficients() {
    static const std::array<double, k_terms + 1> e = [] {
        static const double zeta_even[] = {1.6449340668482264, 1.0823232337111382, 1.0173430619844491,
                                           1.0040773561979443, 1.0009945751278181, 1.0002460865533080,
                                           1.0000612481350587, 1.0000152822594087};
        std::array<double, k_terms + 1> c{};
        const double two_pi_sq = 4 * M_PI * M_PI;
        double power = 1;
        for (int k = 1; k <= k_terms; ++k) {
            power *= two_pi_sq;
            double zeta = 1;
            if (k <= 8) {
                zeta = zeta_even[k - 1];
            } else {
                for (int m = 2; m <= 10; ++m) zeta += std::pow(static_cast<double>(m), -2.0 * k);
            }
            c[static_cast<std::size_t>(k)] = (k % 2 ? 1 : -1) * zeta / (k * power);
        }
        return c;
    }();
    return e;
}
}  // namespace

double beta_large_a(double x, double y, double a, double b, bool upper) {
    if (!(a >= 500 && b > 0 && b * b * b <= 1e-3 * a * a && x >= 0.01 && y > 0)) return k_nan;
    const double t = a + 0.5 * (b - 1);
    const double log_x = x <= 0.5 ? std::log(x) : std::log1p(-y);
    const double z = -t * log_x;
    // ln K = (a - 1/2) ln(1 + b/a) - b + b ln(1 + (b+1)/(2T)) + Stirling remainders,
    // with ln(1 + e) = e - log1p_gap(e) so that the terms of order b cancel exactly.
    const double e = b / a;
    const double log_k = -0.5 * e - (a - 0.5) * log1p_gap(e) + b * std::log1p(0.5 * (b + 1) / t) +
                         stirling_remainder(a + b) - stirling_remainder(a);
    // c_n of f = exp((b - 1) ln sinhc) by the power-series exponential.
    const auto& ek = log_sinhc_coefficients();
    std::array<double, k_terms + 1> c{};
    c[0] = 1;
    // Q(s + 2, z) = Q(s, z) + h_s (1 + z/(s + 1)) with h_s = z^s e^-z / Γ(s + 1)
    // adds positive terms, so the upper functions follow by recurrence; the
    // lower ones would cancel and are evaluated one by one.
    double g = regularized_gamma(b, z, !upper), h = upper ? 0 : gamma_front(b, z) / b;
    double sum = 0, r = 1;
    for (int n = 0; n <= k_terms; ++n) {
        if (n > 0) {
            double s = 0;
            for (int k = 1; k <= n; ++k) s += k * ek[static_cast<std::size_t>(k)] * c[static_cast<std::size_t>(n - k)];
            c[static_cast<std::size_t>(n)] = (b - 1) * s / n;
            const double sh = b + 2 * n - 2;  // the shape of the previous term
            r *= sh * (sh + 1) / (t * t);
            if (upper) {
                g = regularized_gamma(sh + 2, z, false);
            } else {
                g += h * (1 + z / (sh + 1));
                h *= z * z / ((sh + 1) * (sh + 2));
            }
        }
        const double term = c[static_cast<std::size_t>(n)] * r * g;
        sum += term;
        if (n > 0 && std::fabs(term) <= 1e-17 * std::fabs(sum)) return std::exp(log_k) * sum;
        if (!std::isfinite(sum)) break;
    }
    return k_nan;
}

}  // namespace kj::num
