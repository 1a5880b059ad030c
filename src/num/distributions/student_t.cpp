// Student t, central and non-central.
#include <cmath>
#include <limits>

#include "num/distributions/distributions.h"
#include "num/distributions/incomplete_beta.h"
#include "num/distributions/incomplete_gamma.h"
#include "num/distributions/normal.h"
#include "num/distributions/quantile_search.h"

namespace kj::num {

namespace {
constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();
constexpr double k_inf = std::numeric_limits<double>::infinity();
constexpr double k_inv_pi = 0.3183098861837907;
// Beyond this many degrees of freedom the finite series (nu/2 terms, whose
// final 1 - sum cancels more and more digits) gives way to the continued
// fraction, which needs a few dozen terms at most.
constexpr int k_series_limit = 50;
// Beyond this the t law is the normal law to double precision (and a + 1
// would round to a inside the fraction).
constexpr double k_normal_limit = 1e20;

// x = nu/(t^2 + nu) and y = 1 - x without overflow for huge t.
void beta_arguments(double t, double nu, double* x, double* y) {
    if (t > 1e150) {
        *x = nu / t / t;
        *y = 1;
    } else {
        const double t2 = t * t;
        *x = nu / (t2 + nu);
        *y = t2 / (t2 + nu);
    }
}

// P(T > t) for t >= 0 as (1/2) I_x(nu/2, 1/2). For large nu the incomplete
// beta function takes the expansion in incomplete gamma functions; between
// this and the finite series, in the body, the complement 1 - I_(1-x)(1/2, nu/2)
// avoids the fraction in x = 1 - O(1/nu), which cancels about log10(nu) digits.
double tail_by_beta(double t, double nu) {
    double x, y;
    beta_arguments(t, nu, &x, &y);
    if (nu > 200 && nu < 1000 && t < 2) {
        const double a = 0.5 * nu;
        return 0.5 * (1 - beta_front(y, x, 0.5, a) * beta_continued_fraction(y, 0.5, a) / 0.5);
    }
    return 0.5 * regularized_beta(x, y, 0.5 * nu, 0.5, false);
}
}  // namespace

double t_density(double x, double nu) {
    if (std::isnan(x) || std::isnan(nu) || nu <= 0) return k_nan;
    if (nu > k_normal_limit) return normal_density(x);
    const double h = 0.5 * nu;
    return std::exp(log_gamma_difference(h, 0.5) - 0.5 * std::log(nu * M_PI) - (h + 0.5) * std::log1p(x * x / nu));
}

double t_tail(double t, int nu) {
    if (std::isnan(t)) return t;
    if (nu < 1) return 0.0;
    if (t < 0) return 1 - t_tail(-t, nu);
    if (t == 0) return 0.5;
    if (t >= 4 || nu > k_series_limit) return tail_by_beta(t, nu);
    // The finite series of the t distribution function.
    const double x = nu / (t * t + nu);
    const double w = t / std::sqrt(static_cast<double>(nu));
    const int m = nu % 2;
    double term = 1, sum = 1;
    for (int k = m + 2; k < nu - 1; k += 2) {
        term = term * (k - 1) * x / k;
        if (term == 0) break;
        sum += term;
    }
    double v;
    if (m == 1) v = nu == 1 ? 0.5 - std::atan(w) * k_inv_pi : 0.5 - (std::atan(w) + x * w * sum) * k_inv_pi;
    else v = 0.5 * (1 - std::sqrt(x) * w * sum);
    return v < 0 ? 0 : v;
}

double t_cdf(double t, int nu) {
    if (std::isnan(t)) return t;
    if (t < 0) return t_tail(-t, nu);
    if (t == 0) return 0.5;
    return 1 - t_tail(t, nu);
}

double t_quantile(double p, int nu) {
    if (std::isnan(p) || nu < 1) return k_nan;
    if (p <= 0) return -k_inf;
    if (p >= 1) return k_inf;
    // Cornish-Fisher start around the normal quantile, then Newton steps.
    const double z = normal_quantile(p), z2 = z * z, n = nu;
    double t = z + (z2 * z + z) / (4 * n) + ((5 * z2 + 16) * z2 + 3) * z / (96 * n * n) +
               (((3 * z2 + 19) * z2 + 17) * z2 - 15) * z / (384 * n * n * n) +
               ((((79 * z2 + 776) * z2 + 1482) * z2 - 1920) * z2 - 945) * z / (92160 * n * n * n * n);
    for (int i = 0; i < 40; ++i) {
        const double dp = p - t_cdf(t, nu);
        const double step = dp / t_density(t, nu);
        if (!std::isfinite(step)) break;  // the density underflowed: keep the last point
        t += step;
        if (std::fabs(dp) < 1e-10 && std::fabs(step) < 1e-10) break;
    }
    return t;
}

double t_probability_real(double t, double nu, bool upper) {
    if (std::isnan(t) || std::isnan(nu) || nu <= 0) return k_nan;
    if (nu > k_normal_limit) return normal_probability(t, upper);
    if (t == 0) return 0.5;
    // The tail on t's side is computed; the other side is its complement.
    const bool tail_side = (t > 0) == upper;
    const double v = tail_by_beta(std::fabs(t), nu);
    return tail_side ? v : 1 - v;
}

double t_quantile_real(double p, double nu) {
    if (std::isnan(p) || std::isnan(nu) || nu <= 0) return k_nan;
    if (p <= 0) return -k_inf;
    if (p >= 1) return k_inf;
    if (p == 0.5) return 0;
    // Symmetric: solve in the lower half and reflect.
    const double q = p < 0.5 ? p : 1 - p;
    const double x = invert_distribution(
        q, [nu](double t, bool up) { return t_probability_real(t, nu, up); },
        [nu](double t) { return t_density(t, nu); }, normal_quantile(q), -k_inf, 0);
    return p < 0.5 ? x : -x;
}

// Benton and Krishnamoorthy (2003): P(T <= t) = Φ(-δ) + (1/2) Σ_i [P_i I_x(i+1/2, ν/2)
// + (δ/√2) Q_i I_x(i+1, ν/2)], x = t²/(t²+ν), P_i = e^-λ λ^i / i!, Q_i = e^-λ λ^i / Γ(i+3/2),
// λ = δ²/2, summed forward and backward from the mode i = ⌊λ⌋; the incomplete
// beta values follow by their recurrences in a.
double t_nc_probability(double t, double nu, double delta, bool upper) {
    if (std::isnan(t) || std::isnan(nu) || std::isnan(delta) || nu <= 0 || std::isinf(delta)) return k_nan;
    if (delta == 0) return t_probability_real(t, nu, upper);
    if (t == k_inf) return upper ? 0 : 1;
    if (t == -k_inf) return upper ? 1 : 0;
    if (t < 0) return t_nc_probability(-t, nu, -delta, !upper);
    if (nu > k_normal_limit) return normal_probability(t - delta, upper);
    double x, y;
    beta_arguments(t, nu, &y, &x);  // here x = t^2/(t^2+nu), y = 1 - x
    const double b = 0.5 * nu, lambda = 0.5 * delta * delta;
    double sum = 0;
    if (x > 0) {
        const int k = static_cast<int>(std::min(lambda, 1e8));
        const double lp = k * std::log(lambda) - lambda;
        double pk = lambda > 0 ? std::exp(lp - std::lgamma(k + 1.0)) : (k == 0 ? 1 : 0);
        double qk = lambda > 0 ? std::exp(lp - std::lgamma(k + 1.5)) : 0;
        const double s = delta / M_SQRT2;
        // I_x(a, b) and the recurrence I_x(a+1, b) = I_x(a, b) - x^a y^b / (a B(a, b)).
        const double ip0 = regularized_beta(x, y, k + 0.5, b, false);
        const double iq0 = regularized_beta(x, y, k + 1.0, b, false);
        const double gp0 = beta_front(x, y, k + 0.5, b) / (k + 0.5);
        const double gq0 = beta_front(x, y, k + 1.0, b) / (k + 1.0);
        // Forward from the mode.
        double ip = ip0, iq = iq0, gp = gp0, gq = gq0, p = pk, q = qk, mass = 0;
        for (int i = k; i < k + 100000; ++i) {
            const double term = p * ip + s * q * iq;
            sum += term;
            mass += p;
            const double a1 = i + 0.5, a2 = i + 1.0;
            ip -= gp;
            iq -= gq;
            gp *= x * (a1 + b) / (a1 + 1);
            gq *= x * (a2 + b) / (a2 + 1);
            p *= lambda / (i + 1);
            q *= lambda / (i + 1.5);
            if (i > lambda && (1 - mass) * ip < 1e-17 * std::fabs(sum) && std::fabs(term) < 1e-17 * std::fabs(sum)) break;
            if (p == 0 && q == 0) break;
        }
        // Backward from the mode.
        ip = ip0, iq = iq0, gp = gp0, gq = gq0, p = pk, q = qk;
        for (int i = k - 1; i >= 0 && i > k - 200000; --i) {
            const double a1 = i + 0.5, a2 = i + 1.0;
            gp *= (a1 + 1) / (x * (a1 + b));
            gq *= (a2 + 1) / (x * (a2 + b));
            ip += gp;
            iq += gq;
            p *= (i + 1) / lambda;
            q *= (i + 1.5) / lambda;
            const double term = p * ip + s * q * iq;
            sum += term;
            if (std::fabs(term) < 1e-17 * std::fabs(sum) || !std::isfinite(gp)) break;
        }
    }
    const double lower = normal_probability(-delta, false) + 0.5 * sum;
    if (!upper) return std::fmin(1, std::fmax(0, lower));
    return std::fmin(1, std::fmax(0, 1 - lower));
}

}  // namespace kj::num
