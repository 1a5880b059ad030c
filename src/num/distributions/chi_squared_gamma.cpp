// Chi-squared (central and non-central) and gamma.
#include <algorithm>
#include <cmath>
#include <limits>

#include "num/distributions/distributions.h"
#include "num/distributions/incomplete_gamma.h"
#include "num/distributions/normal.h"
#include "num/distributions/poisson_mixture.h"
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
    const double y = 0.5 * x;
    // g(a) = y^a e^-y / Γ(a+1), the step between P(a, y) and P(a+1, y).
    return poisson_mixture(
        0.5 * lambda, 0.5 * nu, upper,
        [=](double a, double* v, double* g) {
            *v = regularized_gamma(a, y, upper);
            *g = std::exp(a * std::log(y) - y - std::lgamma(a + 1));
        },
        [=](double a) { return y / (a + 1); });
}

}  // namespace kj::num
