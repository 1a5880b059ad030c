// Von Mises, generalized inverse Gaussian and generalized hyperbolic laws,
// and the Bessel function K of real order they need.
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "num/distributions/families.h"
#include "num/distributions/normal.h"
#include "num/distributions/quantile_search.h"
#include "num/higher_functions.h"

namespace kj::num {

namespace {
constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();
constexpr double k_pi = 3.141592653589793;
constexpr double k_two_pi = 6.283185307179586;
}  // namespace

// K_nu(x) = ∫_0^∞ exp(-x cosh t) cosh(nu t) dt by the trapezoidal rule, which
// converges geometrically for this analytic, doubly-exponentially decaying
// integrand; summed in logarithms around the peak of the integrand, with the
// step scaled to the peak's width.
double log_bessel_k(double nu, double x) {
    if (std::isnan(nu) || std::isnan(x) || !(x > 0) || std::isinf(nu)) return k_nan;
    if (std::isinf(x)) return -std::numeric_limits<double>::infinity();
    nu = std::fabs(nu);
    auto f = [=](double t) {
        const double a = -x * std::cosh(t) + nu * t;
        return a + std::log1p(std::exp(-2 * nu * t)) - std::log(2.0);  // ln(e^(-x cosh t) cosh(nu t))
    };
    const double peak = std::asinh(nu / x);  // maximum of -x cosh t + nu t
    const double fpeak = f(peak);
    const double curvature = x * std::cosh(peak);  // -f'' at the peak
    const double h = std::min(0.1, 0.25 / std::sqrt(curvature));
    // The integrand is even in t: K = h (g(0)/2 + Σ_(j>=1) g(jh)), walked
    // outward from the grid point nearest the peak.
    const double jp = std::floor(peak / h);
    auto g = [&](double j) { return std::exp(f(j * h) - fpeak) * (j == 0 ? 0.5 : 1.0); };
    double sum = 0;
    for (double j = jp + 1, n = 0; n < 1e5; j += 1, n += 1) {
        const double v = g(j);
        sum += v;
        if (v < 1e-18 * sum) break;
    }
    for (double j = jp, n = 0; j >= 0 && n < 1e5; j -= 1, n += 1) {
        const double v = g(j);
        sum += v;
        if (v < 1e-18 * sum) break;
    }
    return fpeak + std::log(sum * h);
}

// --- von Mises ------------------------------------------------------------------

double mises_density(double x, double mu, double kappa) {
    if (std::isnan(x) || std::isnan(mu) || !(kappa >= 0) || std::isinf(kappa) || std::isinf(mu)) return k_nan;
    const double u = x - mu;
    if (u < -k_pi || u > k_pi) return 0;
    if (kappa == 0) return 1 / k_two_pi;
    // exp(κ cos u) / (2π I0(κ)) with the scaled e^-κ I0(κ).
    return std::exp(kappa * (std::cos(u) - 1)) / (k_two_pi * bessel('i', 0, kappa));
}

// Hill's method (ACM Algorithm 518): for κ < 10.5 the Fourier series
// F(u) = (u + π)/(2π) + (1/π) Σ_n (I_n(κ)/I_0(κ)) sin(nu)/n, the ratios by
// backward recurrence; beyond, the series too (more terms) up to κ = 1e5, and
// Hill's normal approximation for larger κ.
double mises_probability(double x, double mu, double kappa) {
    if (std::isnan(x) || std::isnan(mu) || !(kappa >= 0) || std::isinf(kappa) || std::isinf(mu)) return k_nan;
    const double u = x - mu;
    if (u <= -k_pi) return 0;
    if (u >= k_pi) return 1;
    if (kappa == 0) return (u + k_pi) / k_two_pi;
    if (kappa > 1e5) {
        const double c = 24 * kappa;
        double v = c - 56;
        const double r = std::sqrt((54 / (347 / v + 26 - c) - 6 + c) / 12);
        const double z = std::sin(u / 2) * r;
        const double s = 2 * z * z;
        v = v - s + 3;
        double y = (c - s - s - 16) / 3;
        y = ((s + 1.75) * s + 83.5) / v - y;
        return normal_cdf(z * (1 - s / (y * y)));
    }
    const int terms = static_cast<int>(std::ceil(28 + 0.5 * kappa + 12 * std::sqrt(kappa))) ;
    std::vector<double> ratio(static_cast<std::size_t>(terms) + 2, 0.0);
    // r_n = I_n/I_(n-1) = 1 / (2n/κ + r_(n+1)).
    double r = 0;
    for (int n = terms + 1; n >= 1; --n) {
        r = 1 / (2.0 * n / kappa + r);
        ratio[static_cast<std::size_t>(n)] = r;
    }
    double prod = 1, sum = 0;
    for (int n = 1; n <= terms; ++n) {
        prod *= ratio[static_cast<std::size_t>(n)];
        if (prod < 1e-20) break;
        sum += prod * std::sin(n * u) / n;
    }
    return std::min(1.0, std::max(0.0, (u + k_pi) / k_two_pi + sum / k_pi));
}

double mises_quantile(double p, double mu, double kappa) {
    if (std::isnan(p) || std::isnan(mu) || !(kappa >= 0) || std::isinf(kappa) || std::isinf(mu)) return k_nan;
    if (p <= 0) return mu - k_pi;
    if (p >= 1) return mu + k_pi;
    const double u = invert_distribution(
        p, [=](double v, bool up) { const double f = mises_probability(v, 0, kappa); return up ? 1 - f : f; },
        [=](double v) { return mises_density(v, 0, kappa); }, 0, -k_pi, k_pi);
    return mu + u;
}

// --- GIG and GH -------------------------------------------------------------------

double gig_density(double x, double nu, double delta, double gamma) {
    if (std::isnan(x) || std::isnan(nu) || std::isnan(delta) || std::isnan(gamma) || std::isinf(nu)) return k_nan;
    if (delta < 0 || gamma < 0 || std::isinf(delta) || std::isinf(gamma)) return k_nan;
    if (delta == 0 && !(nu > 0 && gamma > 0)) return k_nan;
    if (gamma == 0 && !(nu < 0 && delta > 0)) return k_nan;
    if (x <= 0) return 0;
    if (delta == 0) {  // gamma with shape nu, rate gamma^2/2
        const double rate = 0.5 * gamma * gamma;
        return std::exp(nu * std::log(rate) + (nu - 1) * std::log(x) - rate * x - std::lgamma(nu));
    }
    if (gamma == 0) {  // inverse gamma with shape -nu, scale delta^2/2
        const double scale = 0.5 * delta * delta, shape = -nu;
        return std::exp(shape * std::log(scale) - (shape + 1) * std::log(x) - scale / x - std::lgamma(shape));
    }
    return std::exp(nu * std::log(gamma / delta) + (nu - 1) * std::log(x) -
                    0.5 * (delta * delta / x + gamma * gamma * x) - std::log(2.0) - log_bessel_k(nu, delta * gamma));
}

double gh_density(double x, double nu, double delta, double gamma, double beta) {
    if (std::isnan(x) || std::isnan(nu) || std::isnan(delta) || std::isnan(gamma) || std::isnan(beta)) return k_nan;
    if (!(delta > 0) || !(gamma > 0) || std::isinf(delta) || std::isinf(gamma) || std::isinf(beta) || std::isinf(nu))
        return k_nan;
    if (std::isinf(x)) return 0;
    const double alpha = std::hypot(gamma, beta), s = std::hypot(delta, x);
    const double l = nu * std::log(gamma / delta) + (nu - 0.5) * std::log(s / alpha) + log_bessel_k(nu - 0.5, alpha * s) +
                     beta * x - 0.91893853320467274178 - log_bessel_k(nu, delta * gamma);
    return std::exp(l);
}

}  // namespace kj::num
