// Chi-squared (central and non-central) and gamma.
#include <algorithm>
#include <cmath>
#include <limits>

#include "num/distributions/distributions.h"
#include "num/distributions/incomplete_gamma.h"
#include "num/distributions/normal.h"
#include "num/distributions/quantile_search.h"

namespace kj::num {

namespace {
constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();
constexpr double k_inf = std::numeric_limits<double>::infinity();

// Start for the quantile of gamma(r, 1): Wilson-Hilferty, or the small-x
// power law x ≈ (p Γ(r+1))^(1/r) in the lower tail.
double gamma_quantile_start(double p, double r) {
    const double z = normal_quantile(p), c = 1 / (9 * r);
    const double wh = r * std::pow(1 - c + z * std::sqrt(c), 3);
    const double small = std::exp((std::log(p) + std::lgamma(r + 1)) / r);
    if (wh <= 0 || (p < 0.5 && small < 0.5 * r && small < wh)) return small;
    return wh;
}
}  // namespace

double chi_density(double x, double nu) {
    if (std::isnan(x) || std::isnan(nu) || nu <= 0) return k_nan;
    if (x <= 0) return 0;
    // (x/2)^(h-1) e^(-x/2) / (2 Γ(h)), h = nu/2, through the accurate front.
    return gamma_front(0.5 * nu, 0.5 * x) / x;
}

double chi_probability(double x, double nu, bool upper) {
    if (std::isnan(x) || std::isnan(nu) || nu <= 0) return k_nan;
    return regularized_gamma(0.5 * nu, 0.5 * x, upper);
}

double chi_quantile(double p, double nu) { return 2 * gamma_quantile(p, 0.5 * nu, 1); }

double gamma_density(double x, double r, double a) {
    if (std::isnan(x) || std::isnan(r) || std::isnan(a)) return k_nan;
    if (x < 0 || (x <= 0 && r != 1) || r <= 0 || a <= 0) return 0;
    if (r == 1) return a * std::exp(-a * x);
    return gamma_front(r, a * x) / x;  // (ax)^r e^(-ax) / (Γ(r) x)
}

double gamma_probability(double x, double r, double a, bool upper) {
    if (std::isnan(x) || std::isnan(r) || std::isnan(a) || r <= 0 || a <= 0) return k_nan;
    return regularized_gamma(r, a * x, upper);
}

double gamma_quantile(double p, double r, double a) {
    if (std::isnan(p) || std::isnan(r) || std::isnan(a) || r <= 0 || a <= 0 || std::isinf(r)) return k_nan;
    if (p <= 0) return 0;
    if (p >= 1) return k_inf;
    const double x = invert_distribution(
        p, [r](double u, bool up) { return regularized_gamma(r, u, up); },
        [r](double u) { return gamma_density(u, r, 1); }, gamma_quantile_start(p, r), 0, k_inf);
    return x / a;
}

// The Poisson mixture Σ_i e^(-λ/2) (λ/2)^i / i! · P(ν/2 + i, x/2), summed
// forward and backward from the mode of the weights; the incomplete gamma
// values follow by P(a+1, y) = P(a, y) - y^a e^-y / Γ(a+1) (Ding's recurrence).
double chi_nc_probability(double x, double nu, double lambda, bool upper) {
    if (std::isnan(x) || std::isnan(nu) || std::isnan(lambda) || nu <= 0 || lambda < 0 || std::isinf(lambda))
        return k_nan;
    if (lambda == 0) return chi_probability(x, nu, upper);
    if (x <= 0) return upper ? 1 : 0;
    if (std::isinf(x)) return upper ? 0 : 1;
    const double h = 0.5 * lambda, y = 0.5 * x;
    const double k = std::floor(std::min(h, 1e15));
    const double a0 = 0.5 * nu + k;
    const double w0 = std::exp(k * std::log(h) - h - std::lgamma(k + 1));
    // g(a) = y^a e^-y / Γ(a+1), the step between P(a, y) and P(a+1, y).
    const double g0 = std::exp(a0 * std::log(y) - y - std::lgamma(a0 + 1));
    const double v0 = regularized_gamma(a0, y, upper);
    double sum = 0;
    // Forward: the lower P decreases by g(a), the upper Q increases by it.
    double w = w0, g = g0, v = v0;
    for (int i = 0; i < 200000; ++i) {
        const double term = w * v;
        sum += term;
        v += upper ? g : -g;
        const double a = a0 + i;
        g *= y / (a + 1);
        w *= h / (k + i + 1);
        // Past the mode the weights fall geometrically; v stays below 1.
        if (k + i > h && (std::fabs(term) <= 1e-17 * sum || w == 0)) break;
    }
    // Backward.
    w = w0, g = g0, v = v0;
    for (double i = k - 1; i >= 0 && i > k - 200000; i -= 1) {
        const double a = 0.5 * nu + i;
        g *= (a + 1) / y;
        v += upper ? -g : g;
        w *= (i + 1) / h;
        const double term = w * v;
        sum += term;
        if (std::fabs(term) <= 1e-17 * sum || !std::isfinite(g)) break;
    }
    return std::min(1.0, std::max(0.0, sum));
}

}  // namespace kj::num
