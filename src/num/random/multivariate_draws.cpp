#include "num/random/multivariate_draws.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "num/random/continuous_draws.h"
#include "num/random/discrete_draws.h"
#include "num/random/generator_state.h"

namespace kj::num {
namespace {
constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();
}

// Gamma draws of shapes alpha_j (rate 1) divided by their sum.
void ran_dirichlet(KjRanState& s, double* out, const double* alpha, int k) {
    for (int j = 0; j < k; ++j)
        if (!(alpha[j] > 0)) {
            std::fill_n(out, k, k_nan);
            return;
        }
    double sum = 0;
    for (int j = 0; j < k; ++j) sum += out[j] = ran_gamma(s, alpha[j], 1);
    for (int j = 0; j < k; ++j) out[j] /= sum;
}

// Successive conditional binomial draws.
void ran_multinomial(KjRanState& s, double* out, double n, const double* p, int k) {
    double total = 0;
    for (int j = 0; j < k; ++j) {
        if (!(p[j] >= 0)) total = k_nan;
        total += p[j];
    }
    if (!(total <= 1 + 1e-10)) {
        std::fill_n(out, k, k_nan);
        return;
    }
    double left = n, mass = 1;
    for (int j = 0; j + 1 < k; ++j) {
        const double q = mass > 0 ? std::min(1.0, p[j] / mass) : 0;
        out[j] = left > 0 && q > 0 ? ran_binomial(s, left, q) : 0;
        left -= out[j];
        mass -= p[j];
    }
    if (k > 0) out[k - 1] = left;
}

// Whole n (up to 10000): the sum of n outer products x x' with x = P z. Otherwise the
// Bartlett decomposition W = P A A' P', A lower triangular with
// A_ii = sqrt(chi2(n - i)) and standard normals below the diagonal.
void ran_wishart(KjRanState& s, double* out, double n, const double* factor, int p) {
    const std::size_t pp = static_cast<std::size_t>(p) * p;
    if (!(n > p - 1) || !std::isfinite(n)) {
        std::fill_n(out, pp, k_nan);
        return;
    }
    std::fill_n(out, pp, 0.0);
    std::vector<double> z(static_cast<std::size_t>(p)), x(static_cast<std::size_t>(p));
    auto times_factor = [&](const double* v, double* y) {
        for (int i = 0; i < p; ++i) {
            double t = 0;
            for (int j = 0; j <= i; ++j) t += factor[i * p + j] * v[j];
            y[i] = t;
        }
    };
    auto add_outer = [&](const double* y) {
        for (int i = 0; i < p; ++i)
            for (int j = 0; j < p; ++j) out[i * p + j] += y[i] * y[j];
    };
    if (n == std::floor(n) && n <= 10000) {
        for (double r = 0; r < n; ++r) {
            for (double& v : z) v = ran_n(s);
            times_factor(z.data(), x.data());
            add_outer(x.data());
        }
        return;
    }
    // Bartlett: column j of A, times P, is one term of P A A' P'.
    std::vector<double> a(pp, 0.0);
    for (int i = 0; i < p; ++i) {
        a[static_cast<std::size_t>(i * p + i)] = std::sqrt(ran_chi(s, n - i));
        for (int j = 0; j < i; ++j) a[static_cast<std::size_t>(i * p + j)] = ran_n(s);
    }
    for (int j = 0; j < p; ++j) {
        for (int i = 0; i < p; ++i) z[static_cast<std::size_t>(i)] = a[static_cast<std::size_t>(i * p + j)];
        times_factor(z.data(), x.data());
        add_outer(x.data());
    }
}

}  // namespace kj::num
