// Discrete families. Masses use Loader's saddle-point form (deviance and
// Stirling remainders) so that large counts keep full accuracy; probabilities
// go through the incomplete beta and gamma functions where a relation exists.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "num/distributions/families.h"
#include "num/distributions/incomplete_beta.h"
#include "num/distributions/incomplete_gamma.h"
#include "num/distributions/normal.h"

namespace kj::num {

namespace {
constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();
constexpr double k_inf = std::numeric_limits<double>::infinity();
constexpr double k_two_pi = 6.283185307179586;

bool whole(double x) { return std::isfinite(x) && x == std::floor(x); }

// ln k! - ln(sqrt(2 pi k) (k/e)^k), the Stirling remainder of k!.
double stirlerr(double k) { return k == 0 ? 0 : stirling_remainder(k); }
// Loader's deviance x ln(x/m) + m - x >= 0.
double deviance(double x, double m) {
    if (x == 0) return m;
    return m * (x / m) * ratio_gap(m / x);
}

// C(n, x) p^x q^(n-x) for real n >= x >= 0 (Loader 2000).
double binomial_raw(double x, double n, double p, double q) {
    if (p == 0) return x == 0 ? 1 : 0;
    if (q == 0) return x == n ? 1 : 0;
    if (x == 0) return n == 0 ? 1 : std::exp(n * (p < 0.1 ? std::log1p(-p) : std::log(q)));
    if (x == n) return std::exp(n * (q < 0.1 ? std::log1p(-q) : std::log(p)));
    if (x < 0 || x > n) return 0;
    const double lc = stirlerr(n) - stirlerr(x) - stirlerr(n - x) - deviance(x, n * p) - deviance(n - x, n * q);
    return std::exp(lc) * std::sqrt(n / (k_two_pi * x * (n - x)));
}

// The smallest k in [lo, hi] with cdf(k) >= q, cdf non-decreasing on whole
// numbers; k0 a guess. Doubling steps, then bisection: at most about 130
// evaluations of cdf.
//
// A computed cdf(k) carries rounding errors, so when q is P(X <= k) itself
// (0.9375 = P(X <= 3) for the binomial law with n = 4, p = 1/2) it may come
// out just below q, and the search would step to k + 1. A point is therefore
// taken once its probability is within 2^-44 (about 6e-14) of q relative to
// the nearer end, q or 1 - q, a few times the error of the distribution
// functions for moderate parameters. Relative to 1 - q, so that quantiles far
// in the upper tail, where the doubles near 1 are all that tell the points
// apart, stay where they are.
template <class Cdf>
double discrete_search(double q, Cdf cdf, double k0, double lo, double hi) {
    q -= std::min(q, 1 - q) * 0x1p-44;
    double k = std::min(std::max(std::floor(k0), lo), hi);
    if (!std::isfinite(k)) k = lo;
    double a, b;  // cdf(a) < q <= cdf(b), or a = lo - 1
    if (cdf(k) >= q) {
        b = k;
        double step = 1;
        a = k - step;
        while (a >= lo && cdf(a) >= q) {
            b = a;
            step *= 2;
            a = std::max(lo - 1, b - step);
            if (step > 1e300) break;
        }
        if (a < lo) a = lo - 1;
    } else {
        a = k;
        double step = 1;
        b = k + step;
        for (;;) {
            if (b > hi) b = hi;
            if (cdf(b) >= q) break;
            if (b >= hi) return hi;
            a = b;
            step *= 2;
            b = a + step;
            if (!std::isfinite(b)) return k_inf;
        }
    }
    for (int it = 0; it < 200 && b - a > 1; ++it) {
        const double m = std::floor(a + (b - a) / 2);
        if (m <= a || m >= b) break;
        if (m >= lo && cdf(m) >= q) b = m;
        else a = m;
    }
    return b;
}
}  // namespace

// --- binomial ------------------------------------------------------------

namespace {
bool binomial_ok(double n, double p) { return whole(n) && n >= 0 && p >= 0 && p <= 1; }
}  // namespace

double binomial_density(double x, double n, double p) {
    if (std::isnan(x) || !binomial_ok(n, p)) return k_nan;
    if (!whole(x) || x < 0 || x > n) return 0;
    return binomial_raw(x, n, p, 1 - p);
}

double binomial_probability(double x, double n, double p) {
    if (std::isnan(x) || !binomial_ok(n, p)) return k_nan;
    if (x < 0) return 0;
    if (x >= n) return 1;
    const double k = std::floor(x);
    return regularized_beta(1 - p, p, n - k, k + 1, false);
}

double binomial_quantile(double q, double n, double p) {
    if (std::isnan(q) || !binomial_ok(n, p)) return k_nan;
    if (q <= 0) return 0;
    if (q >= 1) return n;
    const double mean = n * p, sd = std::sqrt(n * p * (1 - p));
    return discrete_search(q, [=](double k) { return binomial_probability(k, n, p); },
                           mean + sd * normal_quantile(q), 0, n);
}

// --- geometric (failures before the first success) --------------------------

namespace {
// Double-double numbers hi + lo, about 106 bits. The sum is the short one,
// good to about 2^-104 relative when nothing cancels, as in every use below.
struct Twin {
    double hi, lo;
};
Twin fast_two_sum(double a, double b) {  // |a| >= |b|
    const double s = a + b;
    return {s, b - (s - a)};
}
Twin two_sum(double a, double b) {
    const double s = a + b, v = s - a;
    return {s, (a - (s - v)) + (b - v)};
}
Twin operator+(Twin a, Twin b) {
    const Twin s = two_sum(a.hi, b.hi);
    return fast_two_sum(s.hi, s.lo + a.lo + b.lo);
}
Twin operator*(Twin a, Twin b) {
    const double p = a.hi * b.hi;
    return fast_two_sum(p, std::fma(a.hi, b.hi, -p) + (a.hi * b.lo + a.lo * b.hi));
}

// Counts below this go through the double-double forms, bit by bit.
constexpr double k_bitwise_limit = 9007199254740992.0;  // 2^53

// p (1 - p)^n for whole n >= 0, the power by repeated squaring: a product of
// positive numbers, correct to about 1e-30 relative before the last rounding.
double geometric_mass(double n, double p) {
    if (n >= k_bitwise_limit) return p * std::exp(n * std::log1p(-p));
    Twin base = two_sum(1, -p), mass{p, 0};  // 1 - p held exactly
    for (auto bits = static_cast<uint64_t>(n); bits; bits >>= 1) {
        if (bits & 1) mass = mass * base;
        if (bits > 1) base = base * base;
    }
    return mass.hi + mass.lo;
}

// 1 - (1 - p)^n for whole n >= 1, from r(1) = p and, along the binary digits
// of n, r(2m) = r(m) (2 - r(m)) and r(m + 1) = p + (1 - p) r(m): nothing
// cancels, so in double-double arithmetic the result is correct to about
// 1e-30 relative, and rounded once it is exact wherever the true value is a
// double (0.25 and 0.4375 for p = 1/4).
double geometric_complement(double n, double p) {
    if (n >= k_bitwise_limit) return -std::expm1(n * std::log1p(-p));
    const auto m = static_cast<uint64_t>(n);
    const Twin pp{p, 0}, q = two_sum(1, -p);
    Twin r = pp;
    for (int bit = std::bit_width(m) - 2; bit >= 0; --bit) {
        r = r * (two_sum(2, -r.hi) + Twin{-r.lo, 0});
        if ((m >> bit) & 1) r = pp + q * r;
    }
    return r.hi + r.lo;
}
}  // namespace

double geometric_density(double x, double p) {
    if (std::isnan(x) || !(p > 0 && p <= 1)) return k_nan;
    if (!whole(x) || x < 0) return 0;
    if (p == 1) return x == 0 ? 1 : 0;
    return geometric_mass(x, p);
}

double geometric_probability(double x, double p) {
    if (std::isnan(x) || !(p > 0 && p <= 1)) return k_nan;
    if (x < 0) return 0;
    if (p == 1) return 1;
    return geometric_complement(std::floor(x) + 1, p);
}

double geometric_quantile(double q, double p) {
    if (std::isnan(q) || !(p > 0 && p <= 1)) return k_nan;
    if (q <= 0 || p == 1) return 0;
    if (q >= 1) return k_inf;
    const double guess = std::log1p(-q) / std::log1p(-p) - 1;
    return discrete_search(q, [=](double k) { return geometric_probability(k, p); }, guess, 0, k_inf);
}

// --- hypergeometric ----------------------------------------------------------

namespace {
bool hyper_ok(double N, double M, double n) {
    return whole(N) && whole(M) && whole(n) && M >= 0 && M <= N && n >= 0 && n <= N;
}
}  // namespace

double hypergeometric_density(double x, double N, double M, double n) {
    if (std::isnan(x) || !hyper_ok(N, M, n)) return k_nan;
    if (!whole(x) || x < std::max(0.0, n - N + M) || x > std::min(n, M)) return 0;
    if (n == 0 || N == 0) return 1;
    // Loader: dbinom(x; M, p) dbinom(n - x; N - M, p) / dbinom(n; N, p), p = n/N.
    const double p = n / N, q = (N - n) / N;
    return binomial_raw(x, M, p, q) * binomial_raw(n - x, N - M, p, q) / binomial_raw(n, N, p, q);
}

double hypergeometric_probability(double x, double N, double M, double n) {
    if (std::isnan(x) || !hyper_ok(N, M, n)) return k_nan;
    const double lo = std::max(0.0, n - N + M), hi = std::min(n, M);
    if (x < lo) return 0;
    if (x >= hi) return 1;
    double k = std::floor(x);
    // Sum the masses from k toward the near end of the support, by their
    // ratios; the side holding the smaller probability is summed (at most a
    // million terms: beyond, the counts exceed what doubles resolve anyway).
    const bool upper = k > n * M / N;
    double term = 1, sum = 1;
    if (!upper) {
        for (double j = k, steps = 0; j > lo && steps < 1e6; j -= 1, steps += 1) {
            term *= j * (N - M - n + j) / ((M - j + 1) * (n - j + 1));
            sum += term;
            if (term < 1e-17 * sum) break;
        }
        return std::min(1.0, hypergeometric_density(k, N, M, n) * sum);
    }
    // P(X > k) = Σ_{j > k} d(j)
    k += 1;
    for (double j = k, steps = 0; j < hi && steps < 1e6; j += 1, steps += 1) {
        term *= (M - j) * (n - j) / ((j + 1) * (N - M - n + j + 1));
        sum += term;
        if (term < 1e-17 * sum) break;
    }
    return std::max(0.0, 1 - hypergeometric_density(k, N, M, n) * sum);
}

double hypergeometric_quantile(double q, double N, double M, double n) {
    if (std::isnan(q) || !hyper_ok(N, M, n)) return k_nan;
    const double lo = std::max(0.0, n - N + M), hi = std::min(n, M);
    if (q <= 0) return lo;
    if (q >= 1) return hi;
    const double mean = n * M / N;
    const double sd = N > 1 ? std::sqrt(mean * (N - M) / N * (N - n) / (N - 1)) : 0;
    return discrete_search(q, [=](double k) { return hypergeometric_probability(k, N, M, n); },
                           mean + sd * normal_quantile(q), lo, hi);
}

// --- logarithmic (log-series) ------------------------------------------------

double logarithmic_density(double x, double p) {
    if (std::isnan(x) || !(p > 0 && p < 1)) return k_nan;
    if (!whole(x) || x < 1) return 0;
    return -std::exp(x * std::log(p)) / (x * std::log1p(-p));
}

double logarithmic_probability(double x, double p) {
    if (std::isnan(x) || !(p > 0 && p < 1)) return k_nan;
    if (x < 1) return 0;
    const double k = std::floor(x), c = -1 / std::log1p(-p);
    // The smaller side: Σ_{j<=k} p^j/j, or 1 - Σ_{j>k} p^j/j; the terms fall
    // at least geometrically by p, at most a million of them.
    if (k < 1000 || k * (1 - p) < 1) {
        double term = 1, sum = 0, pj = 1;
        for (double j = 1; j <= k && j < 1e6; j += 1) {
            pj *= p;
            term = pj / j;
            sum += term;
            if (term < 1e-17 * sum && j > 1 / (1 - p)) break;
        }
        return std::min(1.0, c * sum);
    }
    double pj = std::exp((k + 1) * std::log(p)), sum = 0;
    for (double j = k + 1; j < k + 1e6; j += 1) {
        const double term = pj / j;
        sum += term;
        if (term < 1e-17 * sum) break;
        pj *= p;
    }
    return std::max(0.0, 1 - c * sum);
}

double logarithmic_quantile(double q, double p) {
    if (std::isnan(q) || !(p > 0 && p < 1)) return k_nan;
    if (q <= 0) return 1;
    if (q >= 1) return k_inf;
    return discrete_search(q, [=](double k) { return logarithmic_probability(k, p); }, 1, 1, k_inf);
}

// --- negative binomial (failures before the n-th success) ---------------------

double negbin_density(double x, double n, double p) {
    if (std::isnan(x) || !(n > 0) || std::isinf(n) || !(p > 0 && p <= 1)) return k_nan;
    if (!whole(x) || x < 0) return 0;
    if (p == 1) return x == 0 ? 1 : 0;
    // n/(n+x) · dbinom(n; n + x, p)
    return n / (n + x) * binomial_raw(n, n + x, p, 1 - p);
}

double negbin_probability(double x, double n, double p) {
    if (std::isnan(x) || !(n > 0) || std::isinf(n) || !(p > 0 && p <= 1)) return k_nan;
    if (x < 0) return 0;
    if (p == 1) return 1;
    return regularized_beta(p, 1 - p, n, std::floor(x) + 1, false);
}

double negbin_quantile(double q, double n, double p) {
    if (std::isnan(q) || !(n > 0) || std::isinf(n) || !(p > 0 && p <= 1)) return k_nan;
    if (q <= 0 || p == 1) return 0;
    if (q >= 1) return k_inf;
    const double mean = n * (1 - p) / p, sd = std::sqrt(mean / p);
    return discrete_search(q, [=](double k) { return negbin_probability(k, n, p); },
                           mean + sd * normal_quantile(q), 0, k_inf);
}

// --- Poisson --------------------------------------------------------------------

double poisson_density(double x, double mu) {
    if (std::isnan(x) || !(mu >= 0) || std::isinf(mu)) return k_nan;
    if (!whole(x) || x < 0) return 0;
    if (mu == 0) return x == 0 ? 1 : 0;
    if (x == 0) return std::exp(-mu);
    return std::exp(-stirlerr(x) - deviance(x, mu)) / std::sqrt(k_two_pi * x);
}

double poisson_probability(double x, double mu) {
    if (std::isnan(x) || !(mu >= 0) || std::isinf(mu)) return k_nan;
    if (x < 0) return 0;
    if (mu == 0) return 1;
    return regularized_gamma(std::floor(x) + 1, mu, true);
}

double poisson_quantile(double q, double mu) {
    if (std::isnan(q) || !(mu >= 0) || std::isinf(mu)) return k_nan;
    if (q <= 0 || mu == 0) return 0;
    if (q >= 1) return k_inf;
    return discrete_search(q, [=](double k) { return poisson_probability(k, mu); },
                           mu + std::sqrt(mu) * normal_quantile(q), 0, k_inf);
}

}  // namespace kj::num
