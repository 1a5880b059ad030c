#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "data/message_function.h"
#include "data_message_capture.h"
#include "data/restriction_evaluator.h"

namespace kd = kj::data;

namespace {

using Vec = std::vector<double>;

// A restriction set with theta written out by hand as a function of phi.
struct Case {
    const char* text;
    int n;
    std::function<Vec(const Vec&)> theta;
    bool linear = false;
};

double sq(double x) { return x * x; }

const std::vector<Case>& cases() {
    static const std::vector<Case> all = {
        {"&1 = 2 * &0; &2 = &1 ^ 2;", 4, [](const Vec& p) { return Vec{p[0], 2 * p[0], 4 * sq(p[0]), p[1]}; }},
        {"&1 = 3*&0 - 2*&4 + 1; &3 = (&0 + &2)/4;", 5,
         [](const Vec& p) { return Vec{p[0], 3 * p[0] - 2 * p[2] + 1, p[1], (p[0] + p[1]) / 4, p[2]}; }, true},
        {"&1 = &0 + 1; &2 = &1 * 2 - &3;", 4, [](const Vec& p) { return Vec{p[0], p[0] + 1, 2 * (p[0] + 1) - p[1], p[1]}; }, true},
        {"&0 = 1 - &1 - &2;", 3, [](const Vec& p) { return Vec{1 - p[0] - p[1], p[0], p[1]}; }, true},
        {"&2 = &0 / &1;", 3, [](const Vec& p) { return Vec{p[0], p[1], p[0] / p[1]}; }},
        {"&2 = &0 ^ &1;", 3, [](const Vec& p) { return Vec{p[0], p[1], std::pow(p[0], p[1])}; }},
        {"&1 = (&0 + 1) ^ 3 / (1 + &0 ^ 2); &3 = &1 * &2 - &2 / &1;", 4,
         [](const Vec& p) {
             const double t1 = std::pow(p[0] + 1, 3) / (1 + sq(p[0]));
             return Vec{p[0], t1, p[1], t1 * p[1] - p[1] / t1};
         }},
        // A sign binds more tightly than a power; powers and quotients
        // associate to the left.
        {"&1 = -&0 ^ 3;", 2, [](const Vec& p) { return Vec{p[0], std::pow(-p[0], 3)}; }},
        {"&2 = &0 ^ 2 ^ &1;", 3, [](const Vec& p) { return Vec{p[0], p[1], std::pow(sq(p[0]), p[1])}; }},
        {"&2 = &0 / &1 / 2;", 3, [](const Vec& p) { return Vec{p[0], p[1], p[0] / p[1] / 2}; }},
        {"&1 = &0 - 1 - &2;", 3, [](const Vec& p) { return Vec{p[0], p[0] - 1 - p[1], p[1]}; }, true},
        {"&1 = &0 * &0; &2 = &1 * &0 + &4; &3 = &2 / &1 - &1;", 5,
         [](const Vec& p) {
             const double t1 = sq(p[0]), t2 = t1 * p[0] + p[1];
             return Vec{p[0], t1, t2, t2 / t1 - t1, p[1]};
         }},
        {"&1 = 1.5D0 * &0 + 2.5e-1 * &2;", 3, [](const Vec& p) { return Vec{p[0], 1.5 * p[0] + 0.25 * p[1], p[1]}; }, true},
        {"&1 = &0 ^ 0.5;", 2, [](const Vec& p) { return Vec{p[0], std::sqrt(p[0])}; }},
        {"&1 = (&0 + &2) ^ -2;", 3, [](const Vec& p) { return Vec{p[0], 1 / sq(p[0] + p[1]), p[1]}; }},
        {"&3 = ((&0 + (&1 * (&2 - 1))) / (1 + &1 * &1));", 4,
         [](const Vec& p) { return Vec{p[0], p[1], p[2], (p[0] + p[1] * (p[2] - 1)) / (1 + sq(p[1]))}; }},
        {"&0 = &3 * &2 + &1;", 4, [](const Vec& p) { return Vec{p[2] * p[1] + p[0], p[0], p[1], p[2]}; }},
        {"&1 = &0 / 2; &3 = &1 + &2; &5 = &3 * &4 - &0 ^ 2; &7 = (&5 - &6) / (1 + &6 ^ 2);", 8,
         [](const Vec& p) {
             const double t1 = p[0] / 2, t3 = t1 + p[1], t5 = t3 * p[2] - sq(p[0]);
             return Vec{p[0], t1, p[1], t3, p[2], t5, p[3], (t5 - p[3]) / (1 + sq(p[3]))};
         }},
        {"&1 = 0.25; &2 = &0 * &1;", 3, [](const Vec& p) { return Vec{p[0], 0.25, 0.25 * p[0]}; }, true},
        {"&2 = (&0 * &1) ^ (&1 / 2);", 3, [](const Vec& p) { return Vec{p[0], p[1], std::pow(p[0] * p[1], p[1] / 2)}; }},
        {"&2 = - - &0 + + &1 * -3;", 3, [](const Vec& p) { return Vec{p[0], p[1], p[0] - 3 * p[1]}; }, true},
        {"&1 = 2 ^ -&0;", 2, [](const Vec& p) { return Vec{p[0], std::pow(2.0, -p[0])}; }},
        {"&1 = &0 ^ &0 / &0;\n&2 = (&1 - &0) * (&1 + &0);", 3,
         [](const Vec& p) {
             const double t1 = std::pow(p[0], p[0]) / p[0];
             return Vec{p[0], t1, (t1 - p[0]) * (t1 + p[0])};
         }},
    };
    return all;
}

// Central differences of f at x along coordinate k, improved once by
// Richardson extrapolation (error of order h^4).
Vec central_difference(const std::function<Vec(const Vec&)>& f, Vec x, std::size_t k) {
    const double h = 1e-3 * std::max(1.0, std::fabs(x[k]));
    auto diff = [&](double step) {
        Vec up = x, down = x;
        up[k] += step;
        down[k] -= step;
        const Vec a = f(up), b = f(down);
        Vec d(a.size());
        for (std::size_t i = 0; i < a.size(); ++i) d[i] = (a[i] - b[i]) / (2 * step);
        return d;
    };
    const Vec d1 = diff(h), d2 = diff(h / 2);
    Vec d(d1.size());
    for (std::size_t i = 0; i < d.size(); ++i) d[i] = (4 * d2[i] - d1[i]) / 3;
    return d;
}

void expect_close(double got, double want, double rel, const std::string& where) {
    EXPECT_LE(std::fabs(got - want), rel * std::max(1.0, std::fabs(want))) << where << ": " << got << " vs " << want;
}

class RestrictionEvaluation : public DataMessageCapture {};

}  // namespace

TEST_F(RestrictionEvaluation, MappingsAndJacobiansOnRandomPoints) {
    std::mt19937 rng(20261206);
    std::uniform_real_distribution<double> u(0.4, 2.5);
    for (const Case& c : cases()) {
        kd::ParameterRestrictions set;
        kd::CompileMessages messages;
        const int free_count = kd::compile_parameter_restrictions(kd::utf16_from_utf8(c.text), c.n, set, messages);
        ASSERT_GE(free_count, 1) << c.text << " " << messages.text();
        const auto nf = static_cast<std::size_t>(free_count), n = static_cast<std::size_t>(c.n);
        for (int trial = 0; trial < 5; ++trial) {
            Vec phi(nf);
            for (double& x : phi) x = u(rng);
            const Vec want = c.theta(phi);
            Vec theta(n), back(nf), jac(nf * n);
            kd::map_to_unconstrained(set, phi.data(), theta.data());
            for (std::size_t i = 0; i < n; ++i) expect_close(theta[i], want[i], 1e-13, std::string(c.text) + " theta");
            kd::map_to_constrained(set, theta.data(), back.data());
            EXPECT_EQ(back, phi) << c.text;
            kd::restriction_jacobian(set, phi.data(), jac.data());
            for (std::size_t k = 0; k < nf; ++k) {
                const Vec d = central_difference(c.theta, phi, k);
                for (std::size_t i = 0; i < n; ++i) {
                    const std::string where = std::string(c.text) + " J[" + std::to_string(k) + "][" + std::to_string(i) + "]";
                    if (c.linear)  // differences of a linear map are exact up to rounding; the derivative exactly so
                        EXPECT_EQ(jac[k * n + i], std::round(d[i] * 1e6) / 1e6) << where;
                    else
                        expect_close(jac[k * n + i], d[i], 1e-7, where);
                }
            }
        }
    }
    EXPECT_TRUE(reported().empty());
}

TEST_F(RestrictionEvaluation, JacobianOfTheWorkedExample) {
    kd::ParameterRestrictions set;
    kd::CompileMessages messages;
    ASSERT_EQ(kd::compile_parameter_restrictions(u"&1 = 2 * &0; &2 = &1 ^ 2;", 4, set, messages), 2);
    const Vec phi{3, 5};
    Vec theta(4), jac(8);
    kd::map_to_unconstrained(set, phi.data(), theta.data());
    EXPECT_EQ(theta, (Vec{3, 6, 36, 5}));
    kd::restriction_jacobian(set, phi.data(), jac.data());
    EXPECT_EQ(jac, (Vec{1, 2, 24, 0, 0, 0, 0, 1}));
}

TEST_F(RestrictionEvaluation, PowersAtAZeroBase) {
    // d(x^2)/dx and d(x^3)/dx at 0 are 0, and d(x^1)/dx is 1: no 0/0.
    kd::ParameterRestrictions set;
    kd::CompileMessages messages;
    ASSERT_EQ(kd::compile_parameter_restrictions(u"&1 = &0 ^ 2; &2 = &0 ^ 3 + &0 ^ 1; &3 = &0 ^ 0;", 4, set, messages), 1);
    const Vec phi{0};
    Vec jac(4);
    kd::restriction_jacobian(set, phi.data(), jac.data());
    EXPECT_EQ(jac, (Vec{1, 0, 1, 0}));
    EXPECT_TRUE(reported().empty());
}

TEST_F(RestrictionEvaluation, ArithmeticProblemsAreReportedAndKept) {
    kd::ParameterRestrictions set;
    kd::CompileMessages messages;
    ASSERT_EQ(kd::compile_parameter_restrictions(u"&2 = &0 / (&1 - &1);", 3, set, messages), 2);
    Vec theta(3);
    const Vec phi{1, 2};
    kd::map_to_unconstrained(set, phi.data(), theta.data());
    EXPECT_TRUE(std::isinf(theta[2]));
    EXPECT_EQ(reported(), (std::vector<std::string>{"Error: Restriction error: Division by zero"}));

    reported().clear();
    ASSERT_EQ(kd::compile_parameter_restrictions(u"&1 = &0 ^ 0.5; &2 = 0 ^ -&0;", 3, set, messages), 1);
    const Vec negative{-4};
    kd::map_to_unconstrained(set, negative.data(), theta.data());
    EXPECT_TRUE(std::isnan(theta[1]));
    EXPECT_EQ(reported().size(), 1u);
    const Vec positive{4};
    kd::map_to_unconstrained(set, positive.data(), theta.data());
    EXPECT_EQ(theta, (Vec{4, 2, INFINITY}));
    EXPECT_EQ(reported(), (std::vector<std::string>{"Error: Restriction error: Power invalid", "Error: Restriction error: Power invalid"}));
    // (-8)^(1/3) is invalid in the Jacobian too; a whole exponent of a negative base is fine.
    reported().clear();
    ASSERT_EQ(kd::compile_parameter_restrictions(u"&1 = &0 ^ 3;", 2, set, messages), 1);
    Vec jac(2);
    const Vec minus_two{-2};
    kd::restriction_jacobian(set, minus_two.data(), jac.data());
    EXPECT_EQ(jac, (Vec{1, 12}));
    EXPECT_TRUE(reported().empty());
}

TEST_F(RestrictionEvaluation, TestRestrictionValuesAndGradients) {
    const struct {
        const char* text;
        int n;
        std::function<Vec(const Vec&)> values;
    } tests[] = {
        {"&0 - &1 = 0; &2 = 0;", 3, [](const Vec& t) { return Vec{t[0] - t[1], t[2]}; }},
        {"&0 * &1 - &2 ^ 2 = 0;\n(&3 + 1) / &0 = 0; -&1 ^ 3 * &4 = 0;", 5,
         [](const Vec& t) { return Vec{t[0] * t[1] - sq(t[2]), (t[3] + 1) / t[0], std::pow(-t[1], 3) * t[4]}; }},
        {"2 ^ &0 - &1 / (&2 + &3) = 0;", 4, [](const Vec& t) { return Vec{std::pow(2.0, t[0]) - t[1] / (t[2] + t[3])}; }},
    };
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(0.5, 2.0);
    for (const auto& c : tests) {
        kd::TestRestrictions set;
        kd::CompileMessages messages;
        const int m = kd::compile_test_restrictions(kd::utf16_from_utf8(c.text), c.n, set, messages);
        ASSERT_GT(m, 0) << c.text << messages.text();
        const auto n = static_cast<std::size_t>(c.n), um = static_cast<std::size_t>(m);
        Vec theta(n);
        for (double& x : theta) x = u(rng);
        const Vec want = c.values(theta);
        Vec values(um), jac(um * n);
        kd::test_values(set, theta.data(), values.data());
        for (std::size_t r = 0; r < um; ++r) expect_close(values[r], want[r], 1e-13, c.text);
        kd::test_jacobian(set, theta.data(), jac.data());
        for (std::size_t i = 0; i < n; ++i) {
            const Vec d = central_difference(c.values, theta, i);
            for (std::size_t r = 0; r < um; ++r) expect_close(jac[r * n + i], d[r], 1e-7, c.text);
        }
    }
}
