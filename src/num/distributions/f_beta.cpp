// F (central and non-central) and beta.
#include <algorithm>
#include <cmath>
#include <limits>

#include "num/distributions/distributions.h"
#include "num/distributions/incomplete_beta.h"
#include "num/distributions/incomplete_gamma.h"
#include "num/distributions/normal.h"
#include "num/distributions/poisson_mixture.h"
#include "num/distributions/quantile_search.h"

namespace kj::num {

namespace {
constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();
constexpr double k_inf = std::numeric_limits<double>::infinity();
constexpr double k_max = 1.7976931348623157e308;

// Start for the beta quantile: the normal approximation of AS 109 (Cran,
// Martin and Thomas) for a, b >= 1, else the power laws of the two tails.
double beta_quantile_start(double p, double a, double b) {
    if (a >= 1 && b >= 1) {
        const double y = -normal_quantile(p);  // AS 109 works with the upper point
        const double l = (y * y - 3) / 6;
        const double h = 2 / (1 / (2 * a - 1) + 1 / (2 * b - 1));
        const double w = y * std::sqrt(h + l) / h - (1 / (2 * b - 1) - 1 / (2 * a - 1)) * (l + 5.0 / 6 - 2 / (3 * h));
        const double x = a / (a + b * std::exp(2 * w));
        if (x > 0 && x < 1) return x;
    }
    const double lb = std::lgamma(a) + std::lgamma(b) - std::lgamma(a + b);
    const double lo = std::exp((std::log(p * a) + lb) / a);           // I_x ≈ x^a / (a B)
    const double hi = 1 - std::exp((std::log((1 - p) * b) + lb) / b);  // 1 - I_x ≈ (1-x)^b / (b B)
    if (lo < 0.5) return lo;
    if (hi > 0.5) return hi;
    return 0.5;
}
}  // namespace

double f_density(double x, double nu1, double nu2) {
    if (std::isnan(x) || std::isnan(nu1) || std::isnan(nu2) || nu1 <= 0 || nu2 <= 0) return k_nan;
    if (x <= 0) return 0;
    // With y = nu1 x/(nu1 x + nu2) ~ beta(nu1/2, nu2/2) the density is
    // y^a (1-y)^b / (B(a, b) x), through the accurate beta front.
    const double d = x * nu1 + nu2;
    return beta_front(x * nu1 / d, nu2 / d, 0.5 * nu1, 0.5 * nu2) / x;
}

double f_probability(double x, double nu1, double nu2, bool upper) {
    if (std::isnan(x) || std::isnan(nu1) || std::isnan(nu2)) return k_nan;
    if (x <= 0) return upper ? 1 : 0;
    if (nu1 <= 0 || nu2 <= 0) return 0;  // both the probability and the tail
    if (x >= k_max) return upper ? 0 : 1;
    if (nu1 > 1e7 && nu2 > 1e7) {
        // Paulson's normal transformation.
        const double c1 = 2 / (9 * nu1), c2 = 2 / (9 * nu2), w = std::cbrt(x);
        return normal_probability(((1 - c2) * w - (1 - c1)) / std::sqrt(c2 * w * w + c1), upper);
    }
    // y = nu2/(x nu1 + nu2) and 1 - y, each formed without cancellation.
    const double d = x * nu1 + nu2;
    const double y = nu2 / d, ym = x * nu1 / d;
    if (y == 0) return upper ? 0 : 1;
    if (ym == 0) return upper ? 1 : 0;
    // P(F > x) = I_y(nu2/2, nu1/2).
    return regularized_beta(y, ym, 0.5 * nu2, 0.5 * nu1, !upper);
}

double f_quantile(double p, double nu1, double nu2) {
    if (std::isnan(p) || std::isnan(nu1) || std::isnan(nu2) || nu1 <= 0 || nu2 <= 0 || std::isinf(nu1) ||
        std::isinf(nu2))
        return k_nan;
    if (p <= 0) return 0;
    if (p >= 1) return k_inf;
    // x = (nu2/nu1) w/(1-w) with w the beta(nu1/2, nu2/2) quantile as the start.
    const double w = beta_quantile_start(p, 0.5 * nu1, 0.5 * nu2);
    return invert_distribution(
        p, [=](double u, bool up) { return f_probability(u, nu1, nu2, up); },
        [=](double u) { return f_density(u, nu1, nu2); }, nu2 * w / (nu1 * (1 - w)), 0, k_inf);
}

// Poisson mixture Σ_i e^(-λ/2) (λ/2)^i / i! · I_z(ν1/2 + i, ν2/2), z = ν1x/(ν1x + ν2),
// summed forward and backward from the mode of the weights with the recurrence
// of I_z in its first parameter.
double f_nc_probability(double x, double nu1, double nu2, double lambda, bool upper) {
    if (std::isnan(x) || std::isnan(nu1) || std::isnan(nu2) || std::isnan(lambda) || nu1 <= 0 || nu2 <= 0 ||
        lambda < 0 || std::isinf(lambda))
        return k_nan;
    if (lambda == 0) return f_probability(x, nu1, nu2, upper);
    if (x <= 0) return upper ? 1 : 0;
    if (x >= k_max) return upper ? 0 : 1;
    const double d = x * nu1 + nu2;
    const double z = x * nu1 / d, zc = nu2 / d;
    const double b = 0.5 * nu2;
    // g(a) = z^a (1-z)^b / (a B(a, b)), the step between I_z(a, b) and I_z(a+1, b).
    return poisson_mixture(
        0.5 * lambda, 0.5 * nu1, upper,
        [=](double a, double* v, double* g) {
            *v = regularized_beta(z, zc, a, b, upper);
            *g = beta_front(z, zc, a, b) / a;
        },
        [=](double a) { return z * (a + b) / (a + 1); });
}

double beta_density(double x, double a, double b) {
    if (std::isnan(x) || std::isnan(a) || std::isnan(b)) return k_nan;
    if (!(x > 0 && x < 1) || a <= 0 || b <= 0) return 0;
    return beta_front(x, 1 - x, a, b) / (x * (1 - x));
}

double beta_probability(double x, double a, double b, bool upper) {
    if (std::isnan(x) || std::isnan(a) || std::isnan(b) || a <= 0 || b <= 0) return k_nan;
    return regularized_beta(x, 1 - x, a, b, upper);
}

double beta_quantile(double p, double a, double b) {
    if (std::isnan(p) || std::isnan(a) || std::isnan(b) || a <= 0 || b <= 0 || std::isinf(a) || std::isinf(b))
        return k_nan;
    if (p <= 0) return 0;
    if (p >= 1) return 1;
    return invert_distribution(
        p, [=](double u, bool up) { return regularized_beta(u, 1 - u, a, b, up); },
        [=](double u) { return beta_density(u, a, b); }, beta_quantile_start(p, a, b), 0, 1);
}

}  // namespace kj::num
