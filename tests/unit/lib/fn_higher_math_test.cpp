#include <cmath>

#include "library_call.h"
#include "value/value.h"

namespace kv = kj::value;
using kj::test::Args;
using kj::test::matrix;
using kj::test::Result;
using kj::test::string_value;

namespace {

class SpecialBuiltins : public kj::test::LibraryTest {};

// Argument order and the documented examples of each entry.
TEST_F(SpecialBuiltins, ExamplesThroughTheTable) {
    struct Case {
        const char* name;
        std::initializer_list<double> args;
        double want;
    };
    for (const Case& c : {Case{"gammafact", {5}, 24}, {"loggamma", {5}, std::log(24.0)}, {"factorial", {5}, 120},
                          {"binomial", {5, 2}, 10}, {"gammafunc", {1, 1}, 1 - std::exp(-1.0)},
                          {"betafunc", {0.5, 2, 2}, 0.5}, {"expint", {1}, 0.21938393439552029},
                          {"hyper_2F1", {1, 1, 2, 0.5}, 2 * std::log(2.0)}, {"polygamma", {1, 1}, M_PI * M_PI / 6},
                          {"erf", {0.5}, std::erf(0.5)}, {"dawson", {0.924139}, 0.541044224635173}}) {
        Args a{};
        for (double x : c.args) a.v.push_back(kv::make_double(x));
        Result r;
        call(c.name, a, r);
        ASSERT_EQ(kv::type_of(r.v), kv::T_Double) << c.name;
        EXPECT_NEAR(r.v.u.dval, c.want, 1e-13 * std::max(1.0, std::fabs(c.want))) << c.name;
    }
    // gammafunc takes x first: P(r = 2, x = 0.5).
    Args g{kv::make_double(0.5), kv::make_int(2)};
    Result r;
    call("gammafunc", g, r);
    EXPECT_NEAR(r.v.u.dval, 1 - 1.5 * std::exp(-0.5), 1e-15);
}

TEST_F(SpecialBuiltins, BesselTypesAndErrors) {
    Args j{matrix(1, 2, {1, -1}), string_value("J"), kv::make_int(0)};
    Result r;
    call("bessel", j, r);
    ASSERT_TRUE(r.is_matrix(1, 2));
    EXPECT_NEAR(r.at(0), 0.7651976865579666, 1e-15);
    EXPECT_EQ(r.at(0), r.at(1));  // J_0 is even
    Args k{kv::make_double(1), kv::make_int('k'), kv::make_double(0.9)};  // character code, order truncated
    call("bessel", k, r);
    EXPECT_NEAR(r.v.u.dval, 1.144463079806895, 1e-14);

    std::string msg;
    Args bad_type{kv::make_double(1), string_value("Q"), kv::make_int(0)};
    EXPECT_EQ(call_error("bessel", bad_type, &msg), 37);
    EXPECT_EQ(msg, "bessel(): error in argument 2");
    Args bad_order{kv::make_double(1), string_value("J"), kv::make_int(-1)};
    EXPECT_EQ(call_error("bessel", bad_order, &msg), 37);
    EXPECT_EQ(msg, "bessel(): error in argument 3");
}

TEST_F(SpecialBuiltins, ShapesFollowTheElementwiseRules) {
    Args a{matrix(2, 2, {0.1, 0.5, 0.9, 2}), kv::make_double(2), kv::make_double(3)};
    Result r;
    call("betafunc", a, r);
    ASSERT_TRUE(r.is_matrix(2, 2));
    EXPECT_EQ(r.at(3), 1);  // x ≥ 1
    Args bad{matrix(1, 2, {1, 2}), matrix(1, 3, {1, 2, 3})};
    EXPECT_EQ(call_error("binomial", bad), 40);
    Args poles{matrix(1, 3, {0, -2, 3})};
    call("gammafact", poles, r);
    EXPECT_TRUE(std::isnan(r.at(0)));
    EXPECT_TRUE(std::isnan(r.at(1)));
    EXPECT_EQ(r.at(2), 2);
}

}  // namespace
