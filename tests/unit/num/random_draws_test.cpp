// Statistical checks of the derived draws, grouped by family: sample mean and
// variance of 10^5 draws within 5 standard errors of the exact moments;
// discrete laws pass a chi-square test at 0.1%. Exact moments are closed
// forms, or values computed independently (Bessel ratios of the GIG laws).
#include <gtest/gtest.h>

#include <kj80x.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

#include "num/random/continuous_draws.h"
#include "num/random/discrete_draws.h"
#include "num/random/generator_state.h"
#include "num/random/multivariate_draws.h"
#include "num/random/sampling.h"

namespace kj::num {
namespace {

constexpr int k_draws = 100000;
constexpr double k_pi = std::numbers::pi;

class RandomDraws : public ::testing::Test {
protected:
    void SetUp() override {
        ran_reset(s);
        const int seed = 20261206;
        s.set_seed(&s, &seed, 1);
    }
    KjRanState s{};
};

struct Moments {
    double mean, var, se_mean, se_var;
};

Moments moments(const std::vector<double>& x) {
    const double n = static_cast<double>(x.size());
    double m = 0;
    for (double v : x) m += v;
    m /= n;
    double m2 = 0, m4 = 0;
    for (double v : x) {
        const double d = (v - m) * (v - m);
        m2 += d;
        m4 += d * d;
    }
    m2 /= n;
    m4 /= n;
    return {m, m2, std::sqrt(m2 / n), std::sqrt(std::max(m4 - m2 * m2, 0.0) / n)};
}

::testing::AssertionResult has_moments(const std::vector<double>& x, double mean, double var) {
    const Moments m = moments(x);
    if (std::fabs(m.mean - mean) <= 5 * m.se_mean && std::fabs(m.var - var) <= 5 * m.se_var)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "mean " << m.mean << " (want " << mean << ", se " << m.se_mean << "), var "
                                         << m.var << " (want " << var << ", se " << m.se_var << ")";
}

std::vector<double> sample(KjRanState& s, const std::function<double(KjRanState&)>& f, int n = k_draws) {
    std::vector<double> x(static_cast<std::size_t>(n));
    for (double& v : x) v = f(s);
    return x;
}

// The share of draws at or below q is p, within 5 standard errors.
::testing::AssertionResult has_quantile(const std::vector<double>& x, double q, double p) {
    const double below = static_cast<double>(std::count_if(x.begin(), x.end(), [q](double v) { return v <= q; }));
    const double share = below / static_cast<double>(x.size());
    const double se = std::sqrt(p * (1 - p) / static_cast<double>(x.size()));
    if (std::fabs(share - p) <= 5 * se) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "share " << share << " below " << q << ", want " << p;
}

// chi-square 0.999 quantiles for 1..40 degrees of freedom.
constexpr double k_chi2_999[] = {10.8276, 13.8155, 16.2662, 18.4668, 20.515,  22.4577, 24.3219, 26.1245,
                                 27.8772, 29.5883, 31.2641, 32.9095, 34.5282, 36.1233, 37.6973, 39.2524,
                                 40.7902, 42.3124, 43.8202, 45.3147, 46.797,  48.2679, 49.7282, 51.1786,
                                 52.6197, 54.052,  55.476,  56.8923, 58.3012, 59.7031, 61.0983, 62.4872,
                                 63.8701, 65.2472, 66.6188, 67.9852, 69.3465, 70.7029, 72.0547, 73.402};

// Above 40 degrees of freedom, the Wilson-Hilferty approximation.
double chi2_999(std::size_t df) {
    if (df <= 40) return k_chi2_999[df - 1];
    const double h = 2.0 / (9.0 * static_cast<double>(df));
    return static_cast<double>(df) * std::pow(1 - h + 3.090232306167814 * std::sqrt(h), 3);
}

// Frequencies of whole draws against the mass function pmf(k), k >= 0; bins
// are merged until each expects at least 5 draws.
::testing::AssertionResult fits(const std::vector<double>& x, const std::function<double(int)>& pmf, int kmax) {
    std::vector<double> observed(static_cast<std::size_t>(kmax) + 1, 0.0);
    for (double v : x) {
        if (v != std::floor(v) || v < 0) return ::testing::AssertionFailure() << "draw " << v << " is not a count";
        observed[static_cast<std::size_t>(std::min(v, static_cast<double>(kmax)))] += 1;
    }
    const double n = static_cast<double>(x.size());
    std::vector<double> expected(observed.size());
    double mass = 0;
    for (int k = 0; k < kmax; ++k) mass += expected[static_cast<std::size_t>(k)] = n * pmf(k);
    expected.back() = std::max(0.0, n - mass);
    std::vector<double> eo, ee;
    double o = 0, e = 0;
    for (std::size_t k = 0; k < observed.size(); ++k) {
        o += observed[k];
        e += expected[k];
        if (e >= 5) {
            eo.push_back(o);
            ee.push_back(e);
            o = e = 0;
        }
    }
    if (!ee.empty()) eo.back() += o, ee.back() += e;
    double chi2 = 0;
    for (std::size_t k = 0; k < ee.size(); ++k) chi2 += (eo[k] - ee[k]) * (eo[k] - ee[k]) / ee[k];
    const std::size_t df = ee.size() - 1;
    if (df < 1) return ::testing::AssertionFailure() << "a single bin";
    if (chi2 <= chi2_999(df)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "chi-square " << chi2 << " on " << df << " degrees of freedom";
}

double log_choose(double n, double k) { return std::lgamma(n + 1) - std::lgamma(k + 1) - std::lgamma(n - k + 1); }

TEST_F(RandomDraws, GammaFamily) {
    EXPECT_TRUE(has_moments(sample(s, [](KjRanState& s) { return ran_exp(s, 2); }), 0.5, 0.25));
    // Shapes below 1, 1, up to 2.5 and above: every branch of the method.
    for (double r : {0.3, 1.0, 2.0, 7.5}) {
        SCOPED_TRACE(r);
        EXPECT_TRUE(has_moments(sample(s, [r](KjRanState& s) { return ran_gamma(s, r, 0.5); }), r / 0.5, r / 0.25));
    }
    EXPECT_TRUE(has_moments(sample(s, [](KjRanState& s) { return ran_beta(s, 2, 3); }), 0.4, 0.04));
    EXPECT_TRUE(has_moments(sample(s, [](KjRanState& s) { return ran_beta(s, 0.5, 0.5); }), 0.5, 0.125));
    EXPECT_TRUE(has_moments(sample(s, [](KjRanState& s) { return ran_chi(s, 5); }), 5, 10));
    EXPECT_TRUE(has_moments(sample(s, [](KjRanState& s) { return ran_chi(s, 0.6); }), 0.6, 1.2));
    EXPECT_TRUE(has_moments(sample(s, [](KjRanState& s) { return ran_f(s, 6, 30); }), 30.0 / 28,
                            2.0 * 900 * 34 / (6.0 * 784 * 26)));
    EXPECT_TRUE(has_moments(sample(s, [](KjRanState& s) { return ran_t(s, 10); }), 0, 1.25));
    EXPECT_TRUE(has_moments(sample(s, [](KjRanState& s) { return ran_student_t(s, 9.5); }), 0, 9.5 / 7.5));
    for (double bad : {0.0, -1.0}) {
        EXPECT_TRUE(std::isnan(ran_gamma(s, bad, 1)));
        EXPECT_TRUE(std::isnan(ran_gamma(s, 1, bad)));
        EXPECT_TRUE(std::isnan(ran_exp(s, bad)));
        EXPECT_TRUE(std::isnan(ran_beta(s, bad, 1)));
        EXPECT_TRUE(std::isnan(ran_chi(s, bad)));
        EXPECT_TRUE(std::isnan(ran_f(s, 1, bad)));
    }
    EXPECT_TRUE(std::isnan(ran_t(s, 0.5)));
    EXPECT_TRUE(std::isnan(ran_gamma(s, INFINITY, 1)));  // no endless rejection loop
}

TEST_F(RandomDraws, TransformedUniformsAndNormals) {
    const double e = std::numbers::e;
    EXPECT_TRUE(has_moments(sample(s, ran_lognormal), std::sqrt(e), (e - 1) * e));
    EXPECT_TRUE(has_moments(sample(s, ran_logistic), 0, k_pi * k_pi / 3));
    EXPECT_TRUE(has_moments(sample(s, [](KjRanState& s) { return ran_extreme_value(s, 1, 2); }),
                            1 + 2 * 0.57721566490153287, k_pi * k_pi * 4 / 6));
    EXPECT_TRUE(has_moments(sample(s, [](KjRanState& s) { return ran_pareto(s, 1, 5); }), 1.25, 5.0 / 48));
    EXPECT_TRUE(has_moments(sample(s, [](KjRanState& s) { return ran_weibull(s, 2, 1.5); }), 0.568693898641198,
                            0.149092788331967));
    EXPECT_TRUE(has_moments(sample(s, [](KjRanState& s) { return ran_inv_gaussian(s, 2, 3); }), 2, 8.0 / 3));
    EXPECT_TRUE(has_quantile(sample(s, ran_cauchy), 1, 0.75));
    EXPECT_TRUE(has_quantile(sample(s, ran_cauchy), -3, 0.5 - std::atan(3.0) / k_pi));
    EXPECT_TRUE(std::isnan(ran_extreme_value(s, 0, 0)));
    EXPECT_TRUE(std::isnan(ran_pareto(s, 0, 1)));
    EXPECT_TRUE(std::isnan(ran_weibull(s, 1, -1)));
    EXPECT_TRUE(std::isnan(ran_inv_gaussian(s, 1, 0)));
}

// Stable laws through their characteristic function: the sample means of
// cos(tX) and sin(tX) against its real and imaginary parts.
TEST_F(RandomDraws, StableAndVonMises) {
    struct Case {
        double alpha, beta;
    };
    for (const Case c : {Case{1.5, 0.5}, Case{0.7, -0.8}, Case{1.0, 0.6}, Case{2.0, 0.0}}) {
        SCOPED_TRACE(c.alpha);
        const std::vector<double> x = sample(s, [c](KjRanState& s) { return ran_stable(s, c.alpha, c.beta); });
        for (double t : {0.5, 2.0}) {
            const double ta = std::pow(t, c.alpha);
            const double phase = c.alpha == 1 ? -c.beta * 2 / k_pi * t * std::log(t)
                                              : c.beta * std::tan(k_pi * c.alpha / 2) * ta;
            std::vector<double> cs, sn;
            for (double v : x) cs.push_back(std::cos(t * v)), sn.push_back(std::sin(t * v));
            const Moments mc = moments(cs), ms = moments(sn);
            EXPECT_NEAR(mc.mean, std::exp(-ta) * std::cos(phase), 5 * mc.se_mean) << t;
            EXPECT_NEAR(ms.mean, std::exp(-ta) * std::sin(phase), 5 * ms.se_mean) << t;
        }
    }
    EXPECT_TRUE(has_moments(sample(s, [](KjRanState& s) { return ran_stable(s, 2, 0.3); }), 0, 2));
    EXPECT_TRUE(std::isnan(ran_stable(s, 2.5, 0)));
    EXPECT_TRUE(std::isnan(ran_stable(s, 1, 1.5)));

    std::vector<double> c, sn;
    for (double v : sample(s, [](KjRanState& s) { return ran_mises(s, 2); })) {
        ASSERT_LE(std::fabs(v), k_pi);
        c.push_back(std::cos(v));
        sn.push_back(std::sin(v));
    }
    EXPECT_TRUE(has_moments(c, 0.697774657964008, 0.164223197721208));
    EXPECT_NEAR(moments(sn).mean, 0, 5 * moments(sn).se_mean);
    EXPECT_TRUE(has_moments(sample(s, [](KjRanState& s) { return ran_mises(s, 0); }), 0, k_pi * k_pi / 3));
    EXPECT_TRUE(std::isnan(ran_mises(s, -1)));
    EXPECT_TRUE(std::isnan(ran_mises(s, INFINITY)));
}

// Moments of GIG(nu, delta, gamma) from Bessel-function ratios.
TEST_F(RandomDraws, GeneralizedInverseGaussianAndHyperbolic) {
    struct Case {
        double nu, delta, gamma, mean, var;
    };
    const Case cases[] = {
        {0.5, 1, 2, 0.75, 0.25},
        {-1.5, 2, 0.5, 2, 4},
        {3, 0.5, 1, 6.06083175866244, 12.0029724624883},
        {0, 3, 3, 1.05415944013376, 0.123005528139927},
        {-0.5, 1, 1, 1, 1},
        {2, 0, 2, 1, 0.5},       // delta = 0: gamma, shape 2, rate 2
        {-6, 2, 0, 0.4, 0.04},   // gamma = 0: inverse gamma, shape 6, scale 2
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nu);
        EXPECT_TRUE(has_moments(sample(s, [c](KjRanState& s) { return ran_gig(s, c.nu, c.delta, c.gamma); }), c.mean,
                                c.var));
    }
    EXPECT_TRUE(has_moments(sample(s, [](KjRanState& s) { return ran_gh(s, -0.5, 1, 1.5, 0.5); }), 1.0 / 3,
                            0.740740740740741));
    EXPECT_TRUE(has_moments(sample(s, [](KjRanState& s) { return ran_gh(s, 1, 2, 1, -1); }), -3.62861551752758,
                            8.97622701359596));
    EXPECT_TRUE(std::isnan(ran_gig(s, 1, -1, 1)));
    EXPECT_TRUE(std::isnan(ran_gig(s, -1, 0, 1)));
    EXPECT_TRUE(std::isnan(ran_gh(s, 1, 1, 0, 0)));
    EXPECT_TRUE(std::isnan(ran_gig(s, 1e300, 1, 1)));
}

TEST_F(RandomDraws, CountsFitTheirMassFunctions) {
    for (double mu : {0.7, 4.0, 29.5, 30.0, 75.0}) {
        SCOPED_TRACE(mu);
        EXPECT_TRUE(fits(sample(s, [mu](KjRanState& s) { return ran_poisson(s, mu); }),
                         [mu](int k) { return std::exp(k * std::log(mu) - mu - std::lgamma(k + 1.0)); },
                         static_cast<int>(mu * 3 + 20)));
    }
    EXPECT_EQ(ran_poisson(s, -1), 0);
    EXPECT_TRUE(std::isnan(ran_poisson(s, INFINITY)));
    EXPECT_TRUE(std::isnan(ran_binomial(s, 1e12, 0.5)));  // single trials: bounded counts
    EXPECT_TRUE(std::isnan(ran_negbin(s, 1e12, 0.5)));
    EXPECT_TRUE(fits(sample(s, [](KjRanState& s) { return ran_binomial(s, 10, 0.3); }),
                     [](int k) { return std::exp(log_choose(10, k) + k * std::log(0.3) + (10 - k) * std::log(0.7)); },
                     11));
    EXPECT_EQ(ran_binomial(s, 0.5, 0.5), 0);
    EXPECT_EQ(ran_binomial(s, 7.9, 1), 7);
    EXPECT_TRUE(fits(sample(s, [](KjRanState& s) { return ran_negbin(s, 3, 0.4); }),
                     [](int k) { return std::exp(log_choose(k + 2, k) + 3 * std::log(0.4) + k * std::log(0.6)); },
                     60));
    EXPECT_TRUE(std::isnan(ran_negbin(s, 3, 0)));
    EXPECT_TRUE(fits(sample(s, [](KjRanState& s) { return ran_geometric(s, 0.3); }),
                     [](int k) { return 0.3 * std::pow(0.7, k); }, 50));
    EXPECT_EQ(ran_geometric(s, 1), 0);
    for (double p : {0.3, 0.9}) {
        EXPECT_TRUE(fits(sample(s, [p](KjRanState& s) { return ran_logarithmic(s, p); }),
                         [p](int k) { return k < 1 ? 0 : -std::pow(p, k) / (k * std::log(1 - p)); }, 80));
    }
    EXPECT_EQ(ran_logarithmic(s, 1), 0);
    EXPECT_TRUE(fits(sample(s, [](KjRanState& s) { return ran_hypergeometric(s, 20, 7, 5); }),
                     [](int k) { return k > 5 ? 0 : std::exp(log_choose(7, k) + log_choose(13, 5 - k) - log_choose(20, 5)); },
                     6));
    EXPECT_TRUE(std::isnan(ran_hypergeometric(s, 5, 6, 1)));
    EXPECT_TRUE(std::isnan(ran_hypergeometric(s, 5, 2, 1.5)));
}

TEST_F(RandomDraws, SamplingWithoutReplacement) {
    // Every index has inclusion probability k / n; every element is equally
    // likely in every position of a shuffle.
    std::vector<double> included(10, 0.0), first(10, 0.0);
    int out[4];
    std::vector<double> x(10);
    for (int r = 0; r < k_draws / 10; ++r) {
        ran_subsample(s, out, 4, 10);
        for (int j = 0; j < 4; ++j) {
            included[static_cast<std::size_t>(out[j])] += 1;
            if (j > 0) {
                ASSERT_LT(out[j - 1], out[j]);
            }
        }
        for (int i = 0; i < 10; ++i) x[static_cast<std::size_t>(i)] = i;
        ran_shuffle(s, x.data(), 3, 10);
        first[static_cast<std::size_t>(x[2])] += 1;
    }
    const double n = k_draws / 10;
    for (double c : included) EXPECT_NEAR(c / n, 0.4, 5 * std::sqrt(0.24 / n));
    for (double c : first) EXPECT_NEAR(c / n, 0.1, 5 * std::sqrt(0.09 / n));

    // Order statistics of 4 uniforms: Beta(k, 5 - k).
    std::vector<std::vector<double>> u(4);
    double o[4];
    for (int r = 0; r < k_draws; ++r) {
        ran_uorder(s, o, 4);
        for (int k = 0; k < 4; ++k) u[static_cast<std::size_t>(k)].push_back(o[k]);
    }
    for (int k = 1; k <= 4; ++k) EXPECT_TRUE(has_moments(u[static_cast<std::size_t>(k - 1)], k / 5.0, k * (5.0 - k) / 150));
}

TEST_F(RandomDraws, MultivariateDraws) {
    const double alpha[3] = {1, 2, 3};
    std::vector<std::vector<double>> d(3), m(3);
    double out[3];
    const double p[3] = {0.2, 0.3, 0.5};
    for (int r = 0; r < k_draws; ++r) {
        ran_dirichlet(s, out, alpha, 3);
        for (int j = 0; j < 3; ++j) d[static_cast<std::size_t>(j)].push_back(out[j]);
        ran_multinomial(s, out, 10, p, 3);
        ASSERT_EQ(out[0] + out[1] + out[2], 10);
        for (int j = 0; j < 3; ++j) m[static_cast<std::size_t>(j)].push_back(out[j]);
    }
    for (int j = 0; j < 3; ++j) {
        const double a = alpha[j];
        EXPECT_TRUE(has_moments(d[static_cast<std::size_t>(j)], a / 6, a * (6 - a) / (36 * 7)));
        EXPECT_TRUE(has_moments(m[static_cast<std::size_t>(j)], 10 * p[j], 10 * p[j] * (1 - p[j])));
    }
    const double negative[2] = {-0.1, 1.1};
    ran_multinomial(s, out, 5, negative, 2);
    EXPECT_TRUE(std::isnan(out[0]));

    // Wishart(n, Sigma): E W = n Sigma, Var W_ij = n (Sigma_ij^2 + Sigma_ii Sigma_jj),
    // for a whole n (sum of outer products) and another (Bartlett).
    const double sigma[4] = {2, 0.5, 0.5, 1};
    const double l[4] = {std::sqrt(2.0), 0, 0.5 / std::sqrt(2.0), std::sqrt(0.875)};
    for (double n : {5.0, 2.5}) {
        SCOPED_TRACE(n);
        std::vector<std::vector<double>> w(4);
        double draw[4];
        for (int r = 0; r < k_draws; ++r) {
            ran_wishart(s, draw, n, l, 2);
            ASSERT_EQ(draw[1], draw[2]);
            for (int j = 0; j < 4; ++j) w[static_cast<std::size_t>(j)].push_back(draw[j]);
        }
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j)
                EXPECT_TRUE(has_moments(w[static_cast<std::size_t>(i * 2 + j)], n * sigma[i * 2 + j],
                                        n * (sigma[i * 2 + j] * sigma[i * 2 + j] + sigma[i * 3] * sigma[j * 3])));
    }
    double draw[4];
    ran_wishart(s, draw, 0.5, l, 2);
    EXPECT_TRUE(std::isnan(draw[0]));
}

}  // namespace
}  // namespace kj::num
