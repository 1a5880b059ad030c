#include "num/distributions/incomplete_beta.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "num/distributions/beta_expansion.h"
#include "num/distributions/incomplete_gamma.h"

namespace kj::num {

namespace {
constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();
constexpr double k_half_log_2pi = 0.91893853320467274178;
constexpr int k_max_terms = 20000;

// ln B(a, b), the larger parameter through log_gamma_difference.
double log_beta(double a, double b) {
    if (a < b) return log_beta(b, a);
    return std::lgamma(b) - log_gamma_difference(a, b);
}
}  // namespace

double beta_front(double x, double y, double a, double b) {
    if (x <= 0 || y <= 0) return 0;
    if (a >= 10 && b >= 10) {
        const double s = a + b, x0 = a / s, y0 = b / s;
        const double lg = -(a * ratio_gap(x / x0) + b * ratio_gap(y / y0));
        const double bcorr = stirling_remainder(a) + stirling_remainder(b) - stirling_remainder(s);
        return std::exp(lg + 0.5 * std::log(s * x0 * y0) - k_half_log_2pi - bcorr);
    }
    const double lx = x <= 0.5 ? std::log(x) : std::log1p(-y);
    const double ly = y <= 0.5 ? std::log(y) : std::log1p(-x);
    return std::exp(a * lx + b * ly - log_beta(a, b));
}

double beta_continued_fraction(double x, double a, double b) {
    constexpr double tiny = 1e-300, eps = 1e-16;
    const double qab = a + b, qap = a + 1, qam = a - 1;
    double c = 1, d = 1 - qab * x / qap;
    if (std::fabs(d) < tiny) d = tiny;
    d = 1 / d;
    double h = d;
    for (int m = 1; m < k_max_terms; ++m) {
        const int m2 = 2 * m;
        double aa = m * (b - m) * x / ((qam + m2) * (a + m2));
        d = 1 + aa * d;
        if (std::fabs(d) < tiny) d = tiny;
        c = 1 + aa / c;
        if (std::fabs(c) < tiny) c = tiny;
        d = 1 / d;
        h *= d * c;
        aa = -(a + m) * (qab + m) * x / ((a + m2) * (qap + m2));
        d = 1 + aa * d;
        if (std::fabs(d) < tiny) d = tiny;
        c = 1 + aa / c;
        if (std::fabs(c) < tiny) c = tiny;
        d = 1 / d;
        const double delta = d * c;
        h *= delta;
        if (std::fabs(delta - 1) < eps) break;
    }
    return h;
}

double regularized_beta(double x, double y, double a, double b, bool upper) {
    if (std::isnan(x) || std::isnan(y) || std::isnan(a) || std::isnan(b)) return k_nan;
    if (a <= 0 || b <= 0 || std::isinf(a) || std::isinf(b)) return k_nan;
    if (x <= 0) return upper ? 1 : 0;
    if (y <= 0) return upper ? 0 : 1;
    // One parameter large against the other: the expansion, on the side
    // where the large parameter is the first one.
    double v = a >= b ? beta_large_a(x, y, a, b, upper) : beta_large_a(y, x, b, a, !upper);
    if (!std::isnan(v)) return std::min(1.0, std::max(0.0, v));
    if (x < (a + 1) / (a + b + 2)) {
        v = beta_front(x, y, a, b) * beta_continued_fraction(x, a, b) / a;
        if (upper) v = 1 - v;
    } else {
        v = beta_front(y, x, b, a) * beta_continued_fraction(y, b, a) / b;
        if (!upper) v = 1 - v;
    }
    return std::min(1.0, std::max(0.0, v));  // rounding may step just outside
}

}  // namespace kj::num
