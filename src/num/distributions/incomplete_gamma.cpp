#include "num/distributions/incomplete_gamma.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "num/distributions/normal.h"

namespace kj::num {

namespace {
constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();
constexpr double k_eps = 1e-16;
constexpr double k_tiny = 1e-300;
constexpr double k_half_log_2pi = 0.91893853320467274178;
constexpr double k_euler = 0.57721566490153286061;
constexpr int k_max_terms = 20000;  // enough below the shape where Temme's expansion takes over

// ln Gamma(1 + a) for |a| <= 0.1 by its Taylor series -γa + Σ (-1)^k ζ(k) a^k / k.
double log_gamma_1p_small(double a) {
    static const double zeta[] = {1.6449340668482264, 1.2020569031595943, 1.0823232337111382,
                                  1.0369277551433699, 1.0173430619844491, 1.0083492773819228,
                                  1.0040773561979443, 1.0020083928260822, 1.0009945751278181,
                                  1.0004941886041195, 1.0002460865533080, 1.0001227133475785,
                                  1.0000612481350587, 1.0000305882363070, 1.0000152822594087};
    double s = 0, p = -a;
    for (int k = 2; k <= 16; ++k) {
        p *= -a;
        s += zeta[k - 2] * p / k;
    }
    return -k_euler * a + s;
}

// P(a, x) = front/a · Σ x^n / ((a+1)···(a+n)) for x < a + 1.
double lower_series(double a, double x) {
    double term = 1, sum = 1;
    for (int n = 1; n < k_max_terms; ++n) {
        term *= x / (a + n);
        sum += term;
        if (term < sum * k_eps) break;
    }
    return gamma_front(a, x) * sum / a;
}

// Q(a, x) by the continued fraction (modified Lentz) for x >= a + 1.
double upper_fraction(double a, double x) {
    double b = x + 1 - a, c = 1 / k_tiny, d = 1 / b, h = d;
    for (int i = 1; i < k_max_terms; ++i) {
        const double an = -i * (i - a);
        b += 2;
        d = an * d + b;
        if (std::fabs(d) < k_tiny) d = k_tiny;
        c = b + an / c;
        if (std::fabs(c) < k_tiny) c = k_tiny;
        d = 1 / d;
        const double delta = d * c;
        h *= delta;
        if (std::fabs(delta - 1) < k_eps) break;
    }
    return gamma_front(a, x) * h;
}

// Q(a, x) for a < 1 and x < 1.5 (Gautschi's form): 1 - x^a/Γ(a+1) and the
// remainder x^a/Γ(a+1) · a · Σ_{n>=1} -(-x)^n / (n! (a+n)), both without
// cancellation when a is small.
double upper_small_shape(double a, double x) {
    const double lg = a <= 0.1 ? log_gamma_1p_small(a) : std::lgamma(1 + a);
    const double u = a * std::log(x) - lg;
    const double head = -std::expm1(u);
    double term = 1, sum = 0;
    for (int n = 1; n < 60; ++n) {
        term *= -x / n;
        const double t = term / (a + n);
        sum += t;
        if (std::fabs(t) < k_eps * std::fabs(sum)) break;
    }
    return head - std::exp(u) * a * sum;
}

// Temme's uniform asymptotic expansion (DLMF 8.12) with the terms c0 and c1,
// for a above 1e6: Q = erfc(η sqrt(a/2))/2 + R, P = erfc(-η sqrt(a/2))/2 - R.
double temme(double a, double x, bool upper) {
    const double mu = (x - a) / a;
    double eta = std::sqrt(2 * ratio_gap(x / a));
    if (mu < 0) eta = -eta;
    double c0, c1;
    if (std::fabs(eta) < 0.01) {
        c0 = -1.0 / 3 + eta * (1.0 / 12 + eta * (-2.0 / 135 + eta * (1.0 / 864 + eta / 2835)));
        c1 = -1.0 / 540 - eta / 288;
    } else {
        c0 = 1 / mu - 1 / eta;
        c1 = 1 / (eta * eta * eta) - 1 / (mu * mu * mu) - 1 / (mu * mu) - 1 / (12 * mu);
    }
    const double r = std::exp(-0.5 * a * eta * eta) / std::sqrt(2 * M_PI * a) * (c0 + c1 / a);
    const double s = eta * std::sqrt(a);
    return upper ? normal_probability(s, true) + r : normal_probability(s, false) - r;
}
}  // namespace

double gamma_front(double a, double x) {
    if (a >= 10) return std::exp(-a * ratio_gap(x / a) + 0.5 * std::log(a) - k_half_log_2pi - stirling_remainder(a));
    return std::exp(a * std::log(x) - x - std::lgamma(a));
}

double stirling_remainder(double x) {
    if (x < 10) return std::lgamma(x) - ((x - 0.5) * std::log(x) - x + k_half_log_2pi);
    const double t = 1 / (x * x);
    return (1.0 / 12 +
            t * (-1.0 / 360 +
                 t * (1.0 / 1260 +
                      t * (-1.0 / 1680 + t * (1.0 / 1188 + t * (-691.0 / 360360 + t * (1.0 / 156 + t * (-3617.0 / 122400)))))))) /
           x;
}

double log_gamma_difference(double a, double b) {
    if (a < 10 || b > a) return std::lgamma(a + b) - std::lgamma(a);
    return (a - 0.5) * std::log1p(b / a) + b * std::log(a + b) - b + stirling_remainder(a + b) - stirling_remainder(a);
}

double log1p_gap(double e) {
    if (std::fabs(e) > 0.5) return e - std::log1p(e);
    // With w = e/(2+e): ln(1+e) = 2 Σ w^(2k+1)/(2k+1) and e - 2w = w e.
    const double w = e / (2 + e), w2 = w * w;
    double p = w2, s = 0;
    for (int k = 1; k < 40; ++k) {
        const double t = p / (2 * k + 1);
        s += t;
        if (t < 1e-17 * s) break;
        p *= w2;
    }
    return w * e - 2 * w * s;
}

double ratio_gap(double r) {
    if (r >= 0.5 && r <= 2) return log1p_gap(r - 1);  // r - 1 is exact here
    return (r - 1) - std::log(r);
}

double regularized_gamma(double a, double x, bool upper) {
    if (std::isnan(a) || std::isnan(x) || a <= 0 || std::isinf(a)) return k_nan;
    if (x <= 0) return upper ? 1 : 0;
    if (std::isinf(x)) return upper ? 0 : 1;
    double v;
    if (a > 1e6) {
        v = temme(a, x, upper);
    } else if (upper && a < 1 && x < 1.5) {
        v = upper_small_shape(a, x);
    } else if (x < a + 1) {
        const double p = lower_series(a, x);
        v = upper ? 1 - p : p;
    } else {
        const double q = upper_fraction(a, x);
        v = upper ? q : 1 - q;
    }
    return std::min(1.0, std::max(0.0, v));  // rounding may step just outside
}

}  // namespace kj::num
