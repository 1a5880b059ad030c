// Closed-form continuous families and the inverse Gaussian.
#include <algorithm>
#include <cmath>
#include <limits>

#include "num/distributions/families.h"
#include "num/distributions/normal.h"
#include "num/distributions/quantile_search.h"

namespace kj::num {

namespace {
constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();
constexpr double k_inf = std::numeric_limits<double>::infinity();
constexpr double k_pi = 3.141592653589793;

bool bad(double v) { return std::isnan(v); }
bool positive(double v) { return v > 0 && std::isfinite(v); }
}  // namespace

double cauchy_density(double x) { return bad(x) ? x : 1 / (k_pi * (1 + x * x)); }
double cauchy_probability(double x) {
    if (bad(x)) return x;
    // The lower tail directly for x < -1, where 0.5 + atan(x)/pi cancels.
    return x < -1 ? std::atan(-1 / x) / k_pi : 0.5 + std::atan(x) / k_pi;
}
double cauchy_quantile(double p) {
    if (bad(p)) return p;
    if (p <= 0) return -k_inf;
    if (p >= 1) return k_inf;
    if (p < 0.25) return -1 / std::tan(k_pi * p);
    if (p > 0.75) return 1 / std::tan(k_pi * (1 - p));
    return std::tan(k_pi * (p - 0.5));
}

double exponential_density(double x, double lambda) {
    if (bad(x) || !positive(lambda)) return k_nan;
    return x < 0 ? 0 : lambda * std::exp(-lambda * x);
}
double exponential_probability(double x, double lambda) {
    if (bad(x) || !positive(lambda)) return k_nan;
    return x <= 0 ? 0 : -std::expm1(-lambda * x);  // -expm1(-0) would be -0
}
double exponential_quantile(double p, double lambda) {
    if (bad(p) || !positive(lambda)) return k_nan;
    if (p <= 0) return 0;
    if (p >= 1) return k_inf;
    return -std::log1p(-p) / lambda;
}

double extreme_value_density(double x, double alpha, double beta) {
    if (bad(x) || bad(alpha) || !positive(beta)) return k_nan;
    const double z = (x - alpha) / beta;
    return std::exp(-z - std::exp(-z)) / beta;
}
double extreme_value_probability(double x, double alpha, double beta) {
    if (bad(x) || bad(alpha) || !positive(beta)) return k_nan;
    return std::exp(-std::exp(-(x - alpha) / beta));
}
double extreme_value_quantile(double p, double alpha, double beta) {
    if (bad(p) || bad(alpha) || !positive(beta)) return k_nan;
    if (p <= 0) return -k_inf;
    if (p >= 1) return k_inf;
    return alpha - beta * std::log(-std::log(p));
}

double logistic_density(double x, double alpha, double beta) {
    if (bad(x) || bad(alpha) || !positive(beta)) return k_nan;
    const double e = std::exp(-std::fabs(x - alpha) / beta);  // symmetric: no overflow
    return e / (beta * (1 + e) * (1 + e));
}
double logistic_probability(double x, double alpha, double beta) {
    if (bad(x) || bad(alpha) || !positive(beta)) return k_nan;
    return 1 / (1 + std::exp(-(x - alpha) / beta));
}
double logistic_quantile(double p, double alpha, double beta) {
    if (bad(p) || bad(alpha) || !positive(beta)) return k_nan;
    if (p <= 0) return -k_inf;
    if (p >= 1) return k_inf;
    return alpha + beta * (std::log(p) - std::log1p(-p));
}

double lognormal_density(double x) {
    if (bad(x)) return x;
    return x <= 0 ? 0 : normal_density(std::log(x)) / x;
}
double lognormal_probability(double x) {
    if (bad(x)) return x;
    return x <= 0 ? 0 : normal_cdf(std::log(x));
}
double lognormal_quantile(double p) {
    if (bad(p)) return p;
    if (p <= 0) return 0;
    if (p >= 1) return k_inf;
    return std::exp(normal_quantile(p));
}

double pareto_density(double x, double k, double a) {
    if (bad(x) || !positive(k) || !positive(a)) return k_nan;
    return x < k ? 0 : a / x * std::exp(a * std::log(k / x));
}
double pareto_probability(double x, double k, double a) {
    if (bad(x) || !positive(k) || !positive(a)) return k_nan;
    return x <= k ? 0 : -std::expm1(a * std::log(k / x));  // at x = k, -expm1(0) would be -0
}
double pareto_quantile(double p, double k, double a) {
    if (bad(p) || !positive(k) || !positive(a)) return k_nan;
    if (p <= 0) return k;
    if (p >= 1) return k_inf;
    return k * std::exp(-std::log1p(-p) / a);
}

double weibull_density(double x, double a, double b) {
    if (bad(x) || !positive(a) || !positive(b)) return k_nan;
    if (x < 0) return 0;
    if (x == 0) return b == 1 ? a : (b > 1 ? 0 : k_inf);
    const double xb = std::pow(x, b);
    return a * b * xb / x * std::exp(-a * xb);
}
double weibull_probability(double x, double a, double b) {
    if (bad(x) || !positive(a) || !positive(b)) return k_nan;
    return x <= 0 ? 0 : -std::expm1(-a * std::pow(x, b));
}
double weibull_quantile(double p, double a, double b) {
    if (bad(p) || !positive(a) || !positive(b)) return k_nan;
    if (p <= 0) return 0;
    if (p >= 1) return k_inf;
    return std::pow(-std::log1p(-p) / a, 1 / b);
}

// --- inverse Gaussian ---------------------------------------------------------

namespace {
// ln Φ(v), through the asymptotic series of Mills' ratio far in the lower tail.
double log_normal_cdf(double v) {
    if (v > -30) return std::log(normal_cdf(v));
    const double v2 = v * v;
    const double s = 1 - 1 / v2 + 3 / (v2 * v2) - 15 / (v2 * v2 * v2) + 105 / (v2 * v2 * v2 * v2);
    return -0.5 * v2 - std::log(-v) - 0.91893853320467274178 + std::log(s);
}

double ig_probability(double x, double mu, double lambda, bool upper) {
    const double r = std::sqrt(lambda / x);
    const double a = r * (x / mu - 1), b = -r * (x / mu + 1);
    const double second = std::exp(2 * lambda / mu + log_normal_cdf(b));
    // Lower: Φ(a) + e^(2λ/μ) Φ(b); upper: Φ(-a) - e^(2λ/μ) Φ(b).
    const double v = upper ? normal_tail(a) - second : normal_cdf(a) + second;
    return std::min(1.0, std::max(0.0, v));
}
}  // namespace

double inverse_gaussian_density(double x, double mu, double lambda) {
    if (bad(x) || !positive(mu) || !positive(lambda)) return k_nan;
    if (x <= 0) return 0;
    return std::sqrt(lambda / (2 * k_pi * x * x * x)) * std::exp(-lambda * (x - mu) * (x - mu) / (2 * mu * mu * x));
}
double inverse_gaussian_probability(double x, double mu, double lambda) {
    if (bad(x) || !positive(mu) || !positive(lambda)) return k_nan;
    if (x <= 0) return 0;
    if (std::isinf(x)) return 1;
    return ig_probability(x, mu, lambda, false);
}
double inverse_gaussian_quantile(double p, double mu, double lambda) {
    if (bad(p) || !positive(mu) || !positive(lambda)) return k_nan;
    if (p <= 0) return 0;
    if (p >= 1) return k_inf;
    // Start from the log-normal with the same mean and variance.
    const double s2 = std::log1p(mu / lambda);
    const double start = mu * std::exp(-0.5 * s2 + std::sqrt(s2) * normal_quantile(p));
    return invert_distribution(
        p, [=](double u, bool up) { return u <= 0 ? (up ? 1.0 : 0.0) : ig_probability(u, mu, lambda, up); },
        [=](double u) { return inverse_gaussian_density(u, mu, lambda); }, start, 0, k_inf);
}

// --- kernels --------------------------------------------------------------------

double kernel_density(double x, char kernel) {
    if (bad(x)) return x;
    const double ax = std::fabs(x);
    switch (kernel) {
        case 'n': return normal_density(x);
        case 'e': return ax > 1 ? 0 : 0.75 * (1 - x * x);
        case 'b': return ax > 1 ? 0 : 15.0 / 16 * (1 - x * x) * (1 - x * x);
        case 't': return ax > 1 ? 0 : 1 - ax;
        case 'u': return ax > 1 ? 0 : 0.5;
        default: return k_nan;
    }
}

}  // namespace kj::num
