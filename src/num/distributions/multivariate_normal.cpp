#include "num/distributions/multivariate_normal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "num/distributions/normal.h"

namespace kj::num {

namespace {
constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();
constexpr double k_two_pi = 6.283185307179586;

// Half of the Gauss-Legendre rules with 6, 12 and 20 points.
constexpr double k_w6[] = {0.17132449237916975, 0.36076157304813894, 0.46791393457269137};
constexpr double k_x6[] = {-0.932469514203152, -0.6612093864662645, -0.23861918608319693};
constexpr double k_w12[] = {0.04717533638651202, 0.10693932599531888, 0.1600783285433461,
                            0.20316742672306565, 0.23349253653835464, 0.2491470458134027};
constexpr double k_x12[] = {-0.9815606342467192, -0.9041172563704748, -0.7699026741943047,
                            -0.5873179542866175, -0.3678314989981802, -0.1252334085114689};
constexpr double k_w20[] = {0.017614007139153273, 0.04060142980038622, 0.06267204833410944, 0.08327674157670467,
                            0.10193011981724026, 0.11819453196151825, 0.13168863844917653, 0.14209610931838187,
                            0.14917298647260366, 0.15275338713072578};
constexpr double k_x20[] = {-0.9931285991850949, -0.9639719272779138, -0.9122344282513258, -0.8391169718222188,
                            -0.7463319064601508, -0.636053680726515, -0.5108670019508271, -0.37370608871541955,
                            -0.2277858511416451, -0.07652652113349734};

double phi_lower(double x) { return normal_cdf(x); }

// P(X > h, Y > k) with correlation r (Genz, "Numerical computation of
// rectangular bivariate and trivariate normal and t probabilities", 2004).
double bvn_upper(double h, double k, double r) {
    const double* w;
    const double* x;
    int lg;
    if (std::fabs(r) < 0.3) w = k_w6, x = k_x6, lg = 3;
    else if (std::fabs(r) < 0.75) w = k_w12, x = k_x12, lg = 6;
    else w = k_w20, x = k_x20, lg = 10;
    double hk = h * k, bvn = 0;
    if (std::fabs(r) < 0.925) {
        const double hs = (h * h + k * k) / 2, asr = std::asin(r);
        for (int i = 0; i < lg; ++i)
            for (int is = -1; is <= 1; is += 2) {
                const double sn = std::sin(asr * (is * x[i] + 1) / 2);
                bvn += w[i] * std::exp((sn * hk - hs) / (1 - sn * sn));
            }
        return bvn * asr / (2 * k_two_pi) + phi_lower(-h) * phi_lower(-k);
    }
    if (r < 0) {
        k = -k;
        hk = -hk;
    }
    if (std::fabs(r) < 1) {
        const double as = (1 - r) * (1 + r);
        double a = std::sqrt(as);
        const double bs = (h - k) * (h - k);
        const double c = (4 - hk) / 8, d = (12 - hk) / 16;
        double asr = -(bs / as + hk) / 2;
        if (asr > -100) bvn = a * std::exp(asr) * (1 - c * (bs - as) * (1 - d * bs / 5) / 3 + c * d * as * as / 5);
        if (-hk < 100) {
            const double b = std::sqrt(bs);
            bvn -= std::exp(-hk / 2) * std::sqrt(k_two_pi) * phi_lower(-b / a) * b * (1 - c * bs * (1 - d * bs / 5) / 3);
        }
        a /= 2;
        for (int i = 0; i < lg; ++i)
            for (int is = -1; is <= 1; is += 2) {
                const double xs = (a * (is * x[i] + 1)) * (a * (is * x[i] + 1));
                const double rs = std::sqrt(1 - xs);
                asr = -(bs / xs + hk) / 2;
                if (asr > -100)
                    bvn += a * w[i] * std::exp(asr) *
                           (std::exp(-hk * (1 - rs) / (2 * (1 + rs))) / rs - (1 + c * xs * (1 + d * xs)));
            }
        bvn = -bvn / k_two_pi;
    }
    if (r > 0) return bvn + phi_lower(-std::max(h, k));
    if (h >= k) return -bvn;
    const double l = h < 0 ? phi_lower(k) - phi_lower(h) : phi_lower(-h) - phi_lower(-k);
    return l - bvn;
}

// Cholesky factor (lower, row-major) of a k x k matrix; false when not
// positive definite.
bool cholesky(std::vector<double>& a, int k) {
    for (int j = 0; j < k; ++j) {
        double s = a[j * k + j];
        for (int m = 0; m < j; ++m) s -= a[j * k + m] * a[j * k + m];
        if (!(s > 0)) return false;
        const double d = std::sqrt(s);
        a[j * k + j] = d;
        for (int i = j + 1; i < k; ++i) {
            double t = a[i * k + j];
            for (int m = 0; m < j; ++m) t -= a[i * k + m] * a[j * k + m];
            a[i * k + j] = t / d;
        }
        for (int m = j + 1; m < k; ++m) a[j * k + m] = 0;
    }
    return true;
}
}  // namespace

double bvn_probability(double x, double y, double rho) {
    if (std::isnan(x) || std::isnan(y) || std::isnan(rho) || std::fabs(rho) > 1) return k_nan;
    if (x == -INFINITY || y == -INFINITY) return 0;
    if (x == INFINITY) return phi_lower(y);
    if (y == INFINITY) return phi_lower(x);
    if (rho == 1) return phi_lower(std::min(x, y));
    if (rho == -1) return std::max(0.0, phi_lower(x) + phi_lower(y) - 1);
    return std::min(1.0, std::max(0.0, bvn_upper(-x, -y, rho)));
}

// Genz (1992): with the Cholesky factor C of the correlation matrix, the
// probability is the integral over the unit cube of Π e_i, e_i = Φ((b_i -
// Σ_{j<i} c_ij y_j)/c_ii), y_j = Φ⁻¹(w_j e_j). The cube is sampled with the
// Richtmyer lattice (square roots of primes) under 12 fixed random shifts,
// doubling the points until three standard errors fall below 1e-6.
double mvn_probability(const double* x, const double* sigma, int k) {
    if (k <= 0) return k_nan;
    std::vector<double> b, s;
    std::vector<int> keep;
    for (int i = 0; i < k; ++i) {
        const double v = sigma[i * k + i];
        if (std::isnan(x[i]) || !(v > 0) || std::isinf(v)) return k_nan;
        for (int j = 0; j < k; ++j)
            if (std::isnan(sigma[i * k + j])) return k_nan;
        if (x[i] == -INFINITY) return 0;
        if (x[i] != INFINITY) keep.push_back(i);
    }
    const int n = static_cast<int>(keep.size());
    if (n == 0) return 1;
    for (int i : keep) b.push_back(x[i] / std::sqrt(sigma[i * k + i]));
    std::vector<double> c(static_cast<std::size_t>(n) * n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            c[i * n + j] = sigma[keep[i] * k + keep[j]] / std::sqrt(sigma[keep[i] * k + keep[i]] * sigma[keep[j] * k + keep[j]]);
    // A full covariance must be positive definite, even where components drop.
    {
        std::vector<double> full(sigma, sigma + static_cast<std::size_t>(k) * k);
        if (!cholesky(full, k)) return k_nan;
    }
    if (n == 1) return phi_lower(b[0]);
    if (n == 2) return bvn_probability(b[0], b[1], c[1]);
    if (!cholesky(c, n)) return k_nan;

    static const double primes[] = {2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37, 41, 43, 47, 53, 59, 61, 67, 71,
                                    73, 79, 83, 89, 97, 101, 103, 107, 109, 113, 127, 131, 137, 139, 149, 151};
    const int dims = n - 1;
    std::vector<double> alpha(static_cast<std::size_t>(dims));
    for (int i = 0; i < dims; ++i) {
        const double q = std::sqrt(primes[i % 36] + (i / 36) * 157.0);
        alpha[i] = q - std::floor(q);
    }
    constexpr int shifts = 12;
    uint64_t state = 0x9E3779B97F4A7C15ull;
    auto uniform = [&state] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(state >> 11) * 0x1.0p-53;
    };
    std::vector<double> shift(static_cast<std::size_t>(shifts) * dims);
    for (double& v : shift) v = uniform();
    std::vector<double> sums(shifts, 0.0), y(static_cast<std::size_t>(n));
    const double e0 = phi_lower(b[0] / c[0]);
    long points = 0;
    double estimate = 0;
    for (long chunk = 512; points < 1 << 18; chunk *= 2) {
        for (int s = 0; s < shifts; ++s) {
            for (long p = points + 1; p <= points + chunk; ++p) {
                double prod = e0, e = e0;
                for (int i = 1; i < n; ++i) {
                    double w = p * alpha[i - 1] + shift[s * dims + i - 1];
                    w -= std::floor(w);
                    w = std::fabs(2 * w - 1);  // baker's transformation
                    y[i - 1] = normal_quantile(std::min(std::max(w * e, 1e-300), 1 - 1e-16));
                    double t = b[i];
                    for (int j = 0; j < i; ++j) t -= c[i * n + j] * y[j];
                    e = phi_lower(t / c[i * n + i]);
                    prod *= e;
                    if (prod == 0) break;
                }
                sums[s] += prod;
            }
        }
        points += chunk;
        double mean = 0, var = 0;
        for (double v : sums) mean += v / points;
        mean /= shifts;
        for (double v : sums) var += (v / points - mean) * (v / points - mean);
        var /= shifts * (shifts - 1.0);
        estimate = mean;
        if (3 * std::sqrt(var) < 1e-6) break;
    }
    return std::min(1.0, std::max(0.0, estimate));
}

}  // namespace kj::num
