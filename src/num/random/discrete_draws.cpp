// Discrete draws. Poisson, binomial, negative binomial and logarithmic follow
// the fixed methods of the reproducible set; n is truncated to a whole count.
#include "num/random/discrete_draws.h"

#include <cmath>
#include <limits>
#include <numbers>

#include "num/random/generator_state.h"

namespace kj::num {
namespace {

constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();

bool whole(double x) { return std::isfinite(x) && x == std::floor(x); }

// Atkinson's logistic rejection for large means (Appl. Stat. 28, 1979).
double poisson_large(KjRanState& s, double mu) {
    const double beta = std::numbers::pi / std::sqrt(3 * mu);
    const double alpha = beta * mu;
    const double c = 0.767 - 3.36 / mu;
    const double k = std::log(c) - mu - std::log(beta);
    const double log_mu = std::log(mu);
    for (;;) {
        const double u1 = ran_u(s);
        const double x = (alpha - std::log((1 - u1) / u1)) / beta;
        if (x <= -0.5) continue;
        const double n = std::floor(x + 0.5);
        const double u2 = ran_u(s);
        const double y = alpha - beta * x;
        const double e = 1 + std::exp(y);
        if (y + std::log(u2 / (e * e)) <= k + n * log_mu - std::lgamma(n + 1)) return n;
    }
}

}  // namespace

// Counts come from loops over single trials: at most this many.
constexpr double k_most_trials = 2147483647.0;

double ran_poisson(KjRanState& s, double mu) {
    if (!(mu > 0)) return 0;
    if (!std::isfinite(mu)) return k_nan;
    if (mu >= 30) return poisson_large(s, mu);
    const double limit = std::exp(-mu);
    double product = 1;
    int count = 0;
    do {
        product *= ran_u(s);
        ++count;
    } while (product >= limit);
    return count - 1;
}

double ran_binomial(KjRanState& s, double n, double p) {
    if (!(n >= 1)) return 0;
    if (n > k_most_trials) return k_nan;
    const long long trials = static_cast<long long>(n);
    long long x = 0;
    for (long long j = 0; j < trials; ++j)
        if (ran_u(s) < p) ++x;
    return static_cast<double>(x);
}

double ran_negbin(KjRanState& s, double n, double p) {
    if (!(p > 0 && p <= 1)) return k_nan;
    if (!(n >= 1)) return 0;
    if (n > k_most_trials) return k_nan;
    const long long count = static_cast<long long>(n);
    const double log_q = std::log(1 - p);
    double x = 0;
    for (long long j = 0; j < count; ++j) x += std::floor(std::log(ran_u(s)) / log_q);
    return x;
}

// Kemp's second method (Appl. Stat. 30, 1981).
double ran_logarithmic(KjRanState& s, double p) {
    if (!(p > 0 && p < 1)) return 0;
    const double u1 = ran_u(s);
    if (u1 > p) return 1;
    const double q = 1 - std::exp(ran_u(s) * std::log(1 - p));
    if (q * q > u1) return std::floor(std::log(u1) / std::log(q) + 1);
    return u1 > q ? 1 : 2;
}

double ran_geometric(KjRanState& s, double p) {
    if (!(p > 0 && p <= 1)) return k_nan;
    if (p == 1) return 0;
    return std::floor(std::log(ran_u(s)) / std::log(1 - p));
}

// n successive draws without replacement, each a success with probability
// (successes left) / (items left).
double ran_hypergeometric(KjRanState& s, double N, double M, double n) {
    if (!whole(N) || !whole(M) || !whole(n) || M < 0 || M > N || n < 0 || n > N || n > k_most_trials) return k_nan;
    double left = N, good = M, x = 0;
    for (double j = 0; j < n; ++j, --left)
        if (ran_u(s) * left < good) {
            ++x;
            --good;
        }
    return x;
}

}  // namespace kj::num
