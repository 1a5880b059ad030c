// Edge cases, quantiles against their distribution functions, and a bounded
// random sweep of every routine over ordinary and special arguments.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include <kj80x.h>

#include "num/distributions/distributions.h"
#include "num/distributions/families.h"
#include "num/distributions/multivariate_normal.h"
#include "num/distributions/normal.h"

namespace kj::num {
namespace {

constexpr double k_inf = std::numeric_limits<double>::infinity();
constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();

TEST(DistributionEdges, NormalCutOffsAndQuantileEnds) {
    EXPECT_EQ(DProbNormal(0), 0.5);
    EXPECT_EQ(DTailProbNormal(40), 0.0);
    EXPECT_EQ(DProbNormal(-40), 0.0);
    EXPECT_EQ(DProbNormal(10), 1.0);
    EXPECT_LT(DProbNormal(8), 1.0);
    EXPECT_GT(DProbNormal(8), 1 - 1e-15);
    // The tail ends where x/sqrt(2) passes 25.7 (x = 36.3453, tail 1.6e-289):
    // just inside it keeps its accuracy (reference: mpmath), just outside it
    // is 0, on either side of the axis. The lower probability is 1 - tail for
    // as long as that differs from 1.
    EXPECT_NEAR(DTailProbNormal(36.34), 1.8901921171747979e-289, 1e-9 * 1.8901921171747979e-289);
    EXPECT_EQ(DTailProbNormal(36.35), 0.0);
    EXPECT_EQ(DProbNormal(-36.35), 0.0);
    EXPECT_NEAR(DProbNormal(-36.34), 1.8901921171747979e-289, 1e-9 * 1.8901921171747979e-289);
    EXPECT_EQ(DProbNormal(7.77), 1 - 3.9243063161315611e-15);
    EXPECT_EQ(DQuanNormal(0), -k_inf);
    EXPECT_EQ(DQuanNormal(1), k_inf);
    EXPECT_EQ(DQuanNormal(-0.5), -k_inf);
    EXPECT_EQ(DQuanNormal(1.5), k_inf);
    EXPECT_TRUE(std::isnan(DQuanNormal(k_nan)));
    EXPECT_EQ(DQuanNormal(0.5), 0.0);
    // erf keeps its relative accuracy at small arguments (reference: mpmath).
    EXPECT_NEAR(DErf(1e-10), 1.1283791670955126e-10, 1e-24);
    EXPECT_NEAR(DErf(-0.5), -0.5204998778130465, 1e-14);
    EXPECT_EQ(DErf(7), 1.0);
}

TEST(DistributionEdges, StudentT) {
    EXPECT_EQ(DTailProbT(1, 1), 0.25);
    EXPECT_EQ(DTailProbT(0, 5), 0.5);
    EXPECT_EQ(DTailProbT(2, 0), 0.0);
    EXPECT_EQ(DProbT(0, 3), 0.5);
    // 12.706204736174707 from mpmath.
    EXPECT_NEAR(DQuanT(0.975, 1), 12.706204736174707, 1e-12 * 12.7);
    EXPECT_EQ(DQuanT(0, 4), -k_inf);
    EXPECT_EQ(DQuanT(1, 4), k_inf);
    EXPECT_TRUE(std::isnan(DQuanT(0.3, 0)));
    // A whole nu through the real form agrees with the integer form.
    EXPECT_NEAR(DProbTNc(1.7, 7, 0), DProbT(1.7, 7), 1e-15);
    EXPECT_NEAR(DQuanTD(0.9, 7), DQuanT(0.9, 7), 1e-13);
}

TEST(DistributionEdges, ChiFGammaBeta) {
    EXPECT_EQ(DProbF(0, 3, 4), 0.0);
    EXPECT_EQ(DTailProbF(0, 3, 4), 1.0);
    EXPECT_EQ(DProbF(1.7976931348623157e308, 3, 4), 1.0);
    EXPECT_EQ(DProbF(2, 0, 4), 0.0);
    EXPECT_EQ(DTailProbF(2, 3, -1), 0.0);
    // Paulson's transformation beyond 1e7 degrees of freedom: the exact value
    // at (1.0005, 2e7, 3e7) is 0.88961560 (SciPy); the approximation is close to it.
    EXPECT_NEAR(DProbF(1.0005, 2e7, 3e7), 0.8896156, 1e-6);
    EXPECT_NEAR(DProbF(1.0005, 2e7, 3e7) + DTailProbF(1.0005, 2e7, 3e7), 1.0, 1e-15);
    EXPECT_EQ(DDensGamma(-1, 1, 2), 0.0);
    EXPECT_EQ(DDensGamma(0, 1, 2), 2.0);
    EXPECT_EQ(DDensGamma(0, 2, 2), 0.0);
    EXPECT_EQ(DDensGamma(1, -1, 2), 0.0);
    EXPECT_EQ(DDensBeta(1.5, 2, 2), 0.0);
    EXPECT_EQ(DDensBeta(0.5, 0, 2), 0.0);
    EXPECT_EQ(DDensChi(0, 3), 0.0);
    EXPECT_EQ(DProbChi(-1, 3), 0.0);
    EXPECT_EQ(DTailProbChi(-1, 3), 1.0);
    EXPECT_TRUE(std::isnan(DProbChi(1, -3)));
    EXPECT_EQ(DQuanChi(0, 3), 0.0);
    EXPECT_EQ(DQuanChi(1, 3), k_inf);
    EXPECT_EQ(DQuanBeta(1, 2, 3), 1.0);
    // probgamma(x, nu/2, 1/2) is probchi(x, nu).
    EXPECT_NEAR(DProbGamma(3.3, 2.5, 0.5), DProbChi(3.3, 5), 1e-15);
}

TEST(DistributionEdges, FurtherFamilies) {
    EXPECT_NEAR(binomial_density(1, 2, 0.5), 0.5, 1e-15);
    EXPECT_EQ(binomial_density(1.5, 2, 0.5), 0.0);
    EXPECT_TRUE(std::isnan(binomial_density(1, 2.5, 0.5)));
    EXPECT_EQ(binomial_probability(1.7, 2, 0.5), 0.75);
    EXPECT_EQ(binomial_quantile(0, 5, 0.3), 0.0);
    EXPECT_EQ(binomial_quantile(1, 5, 0.3), 5.0);
    EXPECT_EQ(geometric_density(0, 0.25), 0.25);
    EXPECT_EQ(geometric_quantile(1, 1), 0.0);
    EXPECT_EQ(geometric_quantile(1, 0.5), k_inf);
    EXPECT_NEAR(hypergeometric_density(1, 4, 2, 2), 4.0 / 6, 1e-15);
    EXPECT_EQ(hypergeometric_quantile(0, 10, 7, 5), 2.0);
    EXPECT_EQ(hypergeometric_quantile(1, 10, 7, 5), 5.0);
    EXPECT_EQ(poisson_density(0, 0), 1.0);
    EXPECT_EQ(poisson_quantile(0.7, 0), 0.0);
    EXPECT_TRUE(std::isnan(poisson_density(1, -1)));
    EXPECT_EQ(logarithmic_quantile(0, 0.5), 1.0);
    EXPECT_EQ(negbin_quantile(0.5, 2, 1), 0.0);
    EXPECT_EQ(cauchy_quantile(0), -k_inf);
    EXPECT_EQ(exponential_quantile(1, 2), k_inf);
    EXPECT_EQ(pareto_quantile(0, 3, 2), 3.0);
    EXPECT_EQ(weibull_density(0, 2, 1), 2.0);
    EXPECT_EQ(weibull_density(0, 2, 0.5), k_inf);
    EXPECT_EQ(lognormal_quantile(0), 0.0);
    EXPECT_EQ(mises_probability(0.4, 0.4, 3), 0.5);
    EXPECT_EQ(mises_density(5, 0, 3), 0.0);
    EXPECT_NEAR(mises_density(1, 0, 0), 1 / (2 * M_PI), 1e-17);
    EXPECT_EQ(mises_quantile(1, 0.5, 2), 0.5 + M_PI);
    EXPECT_TRUE(std::isnan(mises_density(1, 0, -1)));
    EXPECT_EQ(bvn_probability(0, 0, 0), 0.25);
    EXPECT_TRUE(std::isnan(bvn_probability(0, 0, 1.5)));
    EXPECT_EQ(bvn_probability(0.3, 1.2, 1), normal_cdf(0.3));
    EXPECT_NEAR(bvn_probability(0.3, 1.2, -1), normal_cdf(0.3) + normal_cdf(1.2) - 1, 1e-16);
    EXPECT_EQ(bvn_probability(k_inf, 0.4, 0.5), normal_cdf(0.4));
    // The GIG limits: gamma (delta = 0) and inverse gamma (gamma = 0).
    EXPECT_NEAR(gig_density(1.3, 2.5, 0, 2), gamma_density(1.3, 2.5, 2), 1e-15);
    EXPECT_TRUE(std::isnan(gig_density(1.3, -2.5, 0, 2)));
    EXPECT_TRUE(std::isnan(gh_density(1, 1, 0, 1, 0)));
    EXPECT_EQ(kernel_density(2, 'e'), 0.0);
    EXPECT_EQ(kernel_density(0.5, 't'), 0.5);
}

TEST(DistributionEdges, MultivariateNormal) {
    // Three equicorrelated components (rho = 1/2) at 0: exactly 1/4
    // (orthant probability 1/8 + 3 asin(1/2)/(4 pi)).
    const double sigma[9] = {1, 0.5, 0.5, 0.5, 1, 0.5, 0.5, 0.5, 1};
    const double zero[3] = {0, 0, 0};
    EXPECT_NEAR(mvn_probability(zero, sigma, 3), 0.25, 2e-6);
    // A scaled covariance is standardised; +inf drops a component.
    const double scaled[9] = {4, 1, 1, 1, 1, 0.25, 1, 0.25, 1};
    const double x[3] = {1.0, k_inf, -0.2};
    EXPECT_NEAR(mvn_probability(x, scaled, 3), bvn_probability(0.5, -0.2, 0.5), 1e-12);
    const double singular[4] = {1, 1, 1, 1};
    EXPECT_TRUE(std::isnan(mvn_probability(zero, singular, 2)));
    // Four equicorrelated components, rho = 0.3, at 0.5 (mpmath quadrature of
    // the one-factor form); against the absolute error bound.
    const double s4[16] = {1, .3, .3, .3, .3, 1, .3, .3, .3, .3, 1, .3, .3, .3, .3, 1};
    const double b4[4] = {0.5, 0.5, 0.5, 0.5};
    EXPECT_NEAR(mvn_probability(b4, s4, 4), 0.33063654086633942, 3e-6);
}

// quantile(prob(x)) returns x to 1e-12 relative for the continuous families.
TEST(DistributionQuantiles, InvertTheDistributionFunctions) {
    struct Family {
        const char* name;
        std::function<double(double)> prob, quan;
        std::vector<double> xs;
    };
    const std::vector<double> positive = {1e-6, 0.01, 0.3, 1, 2.5, 7, 30, 120};
    const std::vector<double> line = {-40, -8, -2.5, -0.4, 0.3, 1.1};
    const std::vector<double> unit = {1e-9, 0.001, 0.1, 0.45, 0.8};
    const std::vector<Family> families = {
        {"normal", [](double x) { return normal_cdf(x); }, [](double p) { return normal_quantile(p); }, {-37, -9, -3, -0.5, 0.2, 1.1}},
        {"t 1", [](double x) { return t_cdf(x, 1); }, [](double p) { return t_quantile(p, 1); }, line},
        {"t 6", [](double x) { return t_cdf(x, 6); }, [](double p) { return t_quantile(p, 6); }, line},
        {"t 2.5", [](double x) { return t_probability_real(x, 2.5, false); }, [](double p) { return t_quantile_real(p, 2.5); }, line},
        {"chi 0.5", [](double x) { return chi_probability(x, 0.5, false); }, [](double p) { return chi_quantile(p, 0.5); }, positive},
        {"chi 40", [](double x) { return chi_probability(x, 40, false); }, [](double p) { return chi_quantile(p, 40); }, positive},
        {"gamma", [](double x) { return gamma_probability(x, 3.5, 2, false); }, [](double p) { return gamma_quantile(p, 3.5, 2); }, positive},
        {"F", [](double x) { return f_probability(x, 4, 9, false); }, [](double p) { return f_quantile(p, 4, 9); }, positive},
        {"beta", [](double x) { return beta_probability(x, 0.7, 3, false); }, [](double p) { return beta_quantile(p, 0.7, 3); }, unit},
        {"beta 2", [](double x) { return beta_probability(x, 30, 4, false); }, [](double p) { return beta_quantile(p, 30, 4); }, {0.5, 0.7, 0.8}},
        {"inverse Gaussian", [](double x) { return inverse_gaussian_probability(x, 2, 3); }, [](double p) { return inverse_gaussian_quantile(p, 2, 3); }, {0.05, 0.4, 1, 2.2}},
        {"von Mises", [](double x) { return mises_probability(x, 0.5, 4); }, [](double p) { return mises_quantile(p, 0.5, 4); }, {-1.5, -0.2, 0.3, 0.6}},
        {"logistic", [](double x) { return logistic_probability(x, 1, 2); }, [](double p) { return logistic_quantile(p, 1, 2); }, line},
        {"Weibull", [](double x) { return weibull_probability(x, 2, 0.7); }, [](double p) { return weibull_quantile(p, 2, 0.7); }, {1e-6, 0.01, 0.3}},
    };
    for (const Family& f : families)
        for (double x : f.xs) {
            const double p = f.prob(x);
            if (!(p > 1e-300 && p <= 0.9)) continue;
            EXPECT_NEAR(f.quan(p), x, 1e-12 * std::fabs(x)) << f.name << " at " << x << " p " << p;
        }
}

// Discrete quantiles are the smallest support point whose probability reaches p.
TEST(DistributionQuantiles, DiscreteInverses) {
    for (double k : {0.0, 1.0, 4.0, 9.0}) {
        EXPECT_EQ(binomial_quantile(binomial_probability(k, 12, 0.3), 12, 0.3), k);
        EXPECT_EQ(poisson_quantile(poisson_probability(k, 3.5), 3.5), k);
        EXPECT_EQ(negbin_quantile(negbin_probability(k, 2.5, 0.4), 2.5, 0.4), k);
        EXPECT_EQ(geometric_quantile(geometric_probability(k, 0.2), 0.2), k);
        if (k >= 1) {
            EXPECT_EQ(logarithmic_quantile(logarithmic_probability(k, 0.8), 0.8), k);
        }
        if (k <= 5) {
            EXPECT_EQ(hypergeometric_quantile(hypergeometric_probability(k, 20, 7, 9), 20, 7, 9), k);
        }
    }
    EXPECT_EQ(poisson_quantile(poisson_probability(1e6 + 300, 1e6), 1e6), 1e6 + 300);
}

// Quantiles at probabilities given from outside (exact fractions, or the
// nearest doubles of SciPy's values) that equal P(X <= k) give k, not k + 1;
// a little more gives k + 1; far in the upper tail the answer stays exact.
TEST(DistributionQuantiles, DiscreteQuantilesAtExactProbabilities) {
    struct Case {
        const char* law;
        std::function<double(double)> quantile;
        std::vector<double> cdf;  // P(X <= first), P(X <= first + 1), ...
        double first;
    };
    const Case cases[] = {
        {"binomial(4, 1/2)", [](double q) { return binomial_quantile(q, 4, 0.5); },
         {1.0 / 16, 5.0 / 16, 11.0 / 16, 15.0 / 16}, 0},
        {"geometric(1/4)", [](double q) { return geometric_quantile(q, 0.25); },
         {0.25, 0.4375, 0.578125, 0.68359375}, 0},
        {"negative binomial(2, 1/2)", [](double q) { return negbin_quantile(q, 2, 0.5); },
         {0.25, 0.5, 0.6875, 0.8125}, 0},
        {"hypergeometric(4, 2, 2)", [](double q) { return hypergeometric_quantile(q, 4, 2, 2); },
         {1.0 / 6, 5.0 / 6}, 0},
        {"Poisson(2.5)", [](double q) { return poisson_quantile(q, 2.5); },
         {0.0820849986238988, 0.2872974951836458, 0.5438131158833297, 0.7575761331330662}, 0},
        {"logarithmic(1/2)", [](double q) { return logarithmic_quantile(q, 0.5); },
         {0.7213475204444817, 0.9016844005556022, 0.9617966939259757}, 1},
    };
    for (const Case& c : cases)
        for (std::size_t i = 0; i < c.cdf.size(); ++i) {
            const double k = c.first + static_cast<double>(i);
            EXPECT_EQ(c.quantile(c.cdf[i]), k) << c.law << " at P(X <= " << k << ")";
            EXPECT_EQ(c.quantile(c.cdf[i] + 1e-9), k + 1) << c.law << " just above P(X <= " << k << ")";
        }
    // 1 - 1e-15: P(X <= 48) = 1 - 2^-49 is below it, P(X <= 49) = 1 - 2^-50 above.
    EXPECT_EQ(geometric_quantile(1 - 1e-15, 0.5), 49.0);
    EXPECT_EQ(poisson_quantile(1 - 1e-15, 1), 17.0);  // P(X > 16) = 1.09e-15, P(X > 17) = 6.1e-17
}

// Probabilities that are doubles come out exactly, and the lower ends of
// continuous laws are +0, never -0.
TEST(DistributionEdges, ExactGeometricProbabilitiesAndSignedZeros) {
    EXPECT_EQ(geometric_probability(0, 0.25), 0.25);
    EXPECT_EQ(geometric_probability(1.5, 0.25), 0.4375);
    EXPECT_EQ(geometric_probability(3, 0.25), 0.68359375);
    EXPECT_EQ(geometric_density(2, 0.25), 0.140625);
    EXPECT_EQ(geometric_probability(0, 0.5), 0.5);
    // Long products against 40-digit values of 1 - (1 - p)^(k + 1) and p (1 - p)^k.
    EXPECT_NEAR(geometric_probability(40, 0.3), 0.9999995543235968, 1e-16);
    EXPECT_NEAR(geometric_density(40, 0.3), 1.9100417282727095e-07, 1e-22);
    EXPECT_NEAR(geometric_probability(1e6, 1e-6), 0.6321211106476121, 1e-15);
    EXPECT_NEAR(geometric_density(1e6, 1e-6), 3.678792572316451e-07, 1e-21);
    for (double x : {0.0, -0.0}) {
        EXPECT_FALSE(std::signbit(exponential_probability(x, 2))) << x;
        EXPECT_EQ(exponential_probability(x, 2), 0.0);
    }
    EXPECT_EQ(pareto_probability(3, 3, 2), 0.0);
    EXPECT_FALSE(std::signbit(pareto_probability(3, 3, 2)));
    EXPECT_FALSE(std::signbit(pareto_probability(1, 3, 2)));
    EXPECT_NEAR(pareto_probability(6, 3, 2), 0.75, 2e-16);
}

// Every routine on random and special arguments: no trap, no hang, results
// within the range of the kind of value (a bounded number of calls).
TEST(DistributionRobustness, RandomAndSpecialArguments) {
    const double specials[] = {0.0, -0.0, 1.0, -1.0, 0.5, 2.0, 1e-300, -1e-300, 1e300, -1e300, k_inf, -k_inf,
                               k_nan, 5e-324, 2147483647.0, -2147483648.0, 1e7, 1e15, 0.999999999, 3.0};
    uint64_t state = 12345;
    auto next = [&state] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return state >> 11;
    };
    auto draw = [&]() -> double {
        const uint64_t r = next();
        switch (r % 4) {
            case 0: return specials[next() % (sizeof specials / sizeof specials[0])];
            case 1: return static_cast<double>(next() % 2001) / 100.0 - 5;                        // moderate
            case 2: return std::ldexp(static_cast<double>(next() % 1000) / 1000.0, static_cast<int>(next() % 200) - 100);
            default: return static_cast<double>(next() % 3) / 3.0;                               // probabilities
        }
    };
    enum Kind { Density, Probability, Quantile };
    struct Routine {
        const char* name;
        Kind kind;
        std::function<double(const double*)> f;
    };
    const std::vector<Routine> routines = {
        {"DDensNormal", Density, [](const double* a) { return DDensNormal(a[0]); }},
        {"DProbNormal", Probability, [](const double* a) { return DProbNormal(a[0]); }},
        {"DTailProbNormal", Probability, [](const double* a) { return DTailProbNormal(a[0]); }},
        {"DQuanNormal", Quantile, [](const double* a) { return DQuanNormal(a[0]); }},
        {"DErf", Quantile, [](const double* a) { return DErf(a[0]); }},
        {"DDensT", Density, [](const double* a) { return DDensT(a[0], static_cast<int>(std::fmax(-1e9, std::fmin(1e9, a[1])))); }},
        {"DProbT", Probability, [](const double* a) { return DProbT(a[0], static_cast<int>(std::fmax(-1e9, std::fmin(1e9, a[1])))); }},
        {"DTailProbT", Probability, [](const double* a) { return DTailProbT(a[0], static_cast<int>(std::fmax(-1e9, std::fmin(1e9, a[1])))); }},
        {"DQuanT", Quantile, [](const double* a) { return DQuanT(a[0], static_cast<int>(std::fmax(-1e9, std::fmin(1e9, a[1])))); }},
        {"DQuanTD", Quantile, [](const double* a) { return DQuanTD(a[0], a[1]); }},
        {"DProbTNc", Probability, [](const double* a) { return DProbTNc(a[0], a[1], a[2]); }},
        {"DDensChi", Density, [](const double* a) { return DDensChi(a[0], a[1]); }},
        {"DProbChi", Probability, [](const double* a) { return DProbChi(a[0], a[1]); }},
        {"DTailProbChi", Probability, [](const double* a) { return DTailProbChi(a[0], a[1]); }},
        {"DQuanChi", Quantile, [](const double* a) { return DQuanChi(a[0], a[1]); }},
        {"DProbChiNc", Probability, [](const double* a) { return DProbChiNc(a[0], a[1], a[2]); }},
        {"DDensF", Density, [](const double* a) { return DDensF(a[0], a[1], a[2]); }},
        {"DProbF", Probability, [](const double* a) { return DProbF(a[0], a[1], a[2]); }},
        {"DTailProbF", Probability, [](const double* a) { return DTailProbF(a[0], a[1], a[2]); }},
        {"DQuanF", Quantile, [](const double* a) { return DQuanF(a[0], a[1], a[2]); }},
        {"DProbFNc", Probability, [](const double* a) { return DProbFNc(a[0], a[1], a[2], a[3]); }},
        {"DDensGamma", Density, [](const double* a) { return DDensGamma(a[0], a[1], a[2]); }},
        {"DProbGamma", Probability, [](const double* a) { return DProbGamma(a[0], a[1], a[2]); }},
        {"DQuanGamma", Quantile, [](const double* a) { return DQuanGamma(a[0], a[1], a[2]); }},
        {"DDensBeta", Density, [](const double* a) { return DDensBeta(a[0], a[1], a[2]); }},
        {"DProbBeta", Probability, [](const double* a) { return DProbBeta(a[0], a[1], a[2]); }},
        {"DQuanBeta", Quantile, [](const double* a) { return DQuanBeta(a[0], a[1], a[2]); }},
        {"DDensPoisson", Density, [](const double* a) { return DDensPoisson(a[0], a[1]); }},
        {"DProbPoisson", Probability, [](const double* a) { return DProbPoisson(a[0], a[1]); }},
        {"poisson_quantile", Quantile, [](const double* a) { return poisson_quantile(a[0], a[1]); }},
        {"DDensMises", Density, [](const double* a) { return DDensMises(a[0], a[1], a[2]); }},
        {"DProbMises", Probability, [](const double* a) { return DProbMises(a[0], a[1], a[2]); }},
        {"DQuanMises", Quantile, [](const double* a) { return DQuanMises(a[0], a[1], a[2]); }},
        {"DDensGH", Density, [](const double* a) { return DDensGH(a[0], a[1], a[2], a[3], a[4]); }},
        {"DDensGIG", Density, [](const double* a) { return DDensGIG(a[0], a[1], a[2], a[3]); }},
        {"DProbBVN", Probability, [](const double* a) { return DProbBVN(a[0], a[1], a[2]); }},
        {"binomial_density", Density, [](const double* a) { return binomial_density(a[0], a[1], a[2]); }},
        {"binomial_probability", Probability, [](const double* a) { return binomial_probability(a[0], a[1], a[2]); }},
        {"binomial_quantile", Quantile, [](const double* a) { return binomial_quantile(a[0], a[1], a[2]); }},
        {"geometric_quantile", Quantile, [](const double* a) { return geometric_quantile(a[0], a[1]); }},
        {"geometric_probability", Probability, [](const double* a) { return geometric_probability(a[0], a[1]); }},
        {"hypergeometric_density", Density, [](const double* a) { return hypergeometric_density(a[0], a[1], a[2], a[3]); }},
        {"hypergeometric_probability", Probability, [](const double* a) { return hypergeometric_probability(a[0], a[1], a[2], a[3]); }},
        {"hypergeometric_quantile", Quantile, [](const double* a) { return hypergeometric_quantile(a[0], a[1], a[2], a[3]); }},
        {"logarithmic_probability", Probability, [](const double* a) { return logarithmic_probability(a[0], a[1]); }},
        {"logarithmic_quantile", Quantile, [](const double* a) { return logarithmic_quantile(a[0], a[1]); }},
        {"negbin_density", Density, [](const double* a) { return negbin_density(a[0], a[1], a[2]); }},
        {"negbin_probability", Probability, [](const double* a) { return negbin_probability(a[0], a[1], a[2]); }},
        {"negbin_quantile", Quantile, [](const double* a) { return negbin_quantile(a[0], a[1], a[2]); }},
        {"cauchy_probability", Probability, [](const double* a) { return cauchy_probability(a[0]); }},
        {"extreme_value_quantile", Quantile, [](const double* a) { return extreme_value_quantile(a[0], a[1], a[2]); }},
        {"logistic_density", Density, [](const double* a) { return logistic_density(a[0], a[1], a[2]); }},
        {"pareto_probability", Probability, [](const double* a) { return pareto_probability(a[0], a[1], a[2]); }},
        {"weibull_quantile", Quantile, [](const double* a) { return weibull_quantile(a[0], a[1], a[2]); }},
        {"inverse_gaussian_probability", Probability, [](const double* a) { return inverse_gaussian_probability(a[0], a[1], a[2]); }},
        {"inverse_gaussian_quantile", Quantile, [](const double* a) { return inverse_gaussian_quantile(a[0], a[1], a[2]); }},
        {"kernel_density", Density, [](const double* a) { return kernel_density(a[0], 'b'); }},
    };
    for (const Routine& r : routines) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < 150; ++i) {
            double a[5];
            for (double& v : a) v = draw();
            const double y = r.f(a);
            if (std::isnan(y)) continue;
            if (r.kind == Probability) {
                EXPECT_TRUE(y >= 0 && y <= 1) << r.name << " gave " << y << " at " << a[0] << ", " << a[1] << ", "
                                              << a[2] << ", " << a[3];
            }
            if (r.kind == Density) {
                EXPECT_GE(y, 0) << r.name << " at " << a[0] << ", " << a[1] << ", " << a[2];
            }
        }
        // A generous bound: the sweep of one routine takes milliseconds.
        EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 5.0) << r.name;
    }
}

}  // namespace
}  // namespace kj::num
