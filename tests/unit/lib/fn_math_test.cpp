#include <cmath>
#include <limits>

#include "library_call.h"
#include "value/value.h"

namespace kv = kj::value;
using kj::test::Args;
using kj::test::matrix;
using kj::test::Result;
using kj::test::string_value;

namespace {

class MathBuiltins : public kj::test::LibraryTest {};

// The natives of the inline functions: int handling as the FNI code, matrix
// arguments copied, never changed in place.
TEST_F(MathBuiltins, InlineFamilyKeepsTheInlineIntRules) {
    struct Case {
        const char* name;
        int32_t in;
        uint32_t type;  // of the result
        double want;
    };
    const Case cases[] = {
        {"sqr", 100, kv::T_Int, 10000},     {"sqr", 40000, kv::T_Double, 1.6e9}, {"round", 7, kv::T_Int, 7},
        {"trunc", -7, kv::T_Int, -7},       {"floor", 3, kv::T_Double, 3},         {"sqrt", 16, kv::T_Double, 4},
        {"exp", 0, kv::T_Double, 1},        {"log10", 1000, kv::T_Double, 3},    {"fabs", -4, kv::T_Double, 4},
    };
    for (const Case& c : cases) {
        Args a{kv::make_int(c.in)};
        Result r;
        call(c.name, a, r);
        ASSERT_EQ(kv::type_of(r.v), c.type) << c.name;
        EXPECT_EQ(c.type == kv::T_Int ? r.v.u.ival : r.v.u.dval, c.want) << c.name;
    }
    for (const char* name : {"exp", "log", "sqrt", "round", "sin", "cos", "tan", "ceil", "gauss::ln"}) {
        Args a{matrix(1, 3, {-2.5, 0, 2.5})};
        Result r;
        call(name, a, r);
        ASSERT_TRUE(r.is_matrix(1, 3)) << name;
        EXPECT_EQ(a[0].u.mat.m[0][0], -2.5) << name << " changed its argument";
        EXPECT_NE(r.v.u.mat.m, a[0].u.mat.m) << name;
    }
    Args half{matrix(1, 2, {2.5, -2.5})};
    Result r;
    call("round", half, r);
    EXPECT_EQ(r.at(0), 3);
    EXPECT_EQ(r.at(1), -3);
    Args zero{kv::make_double(0)};
    call("log", zero, r);
    EXPECT_EQ(r.v.u.dval, -std::numeric_limits<double>::infinity());

    std::string msg;
    Args s{string_value("x")};
    EXPECT_EQ(call_error("exp", s, &msg), 37);
    EXPECT_EQ(msg, "exp(): type error in argument 1; expected: double, found: string[1]");
}

TEST_F(MathBuiltins, RemaindersPowersAndFuzzyTruncation) {
    struct Case {
        const char* name;
        double x, y, want;
    };
    for (const Case& c : {Case{"fmod", -7, 3, -1}, {"fmod", 7.5, 2, 1.5}, {"pow", 0, -1, HUGE_VAL},
                          {"pow", 2, 0.5, M_SQRT2}}) {
        Args a{kv::make_double(c.x), kv::make_double(c.y)};
        Result r;
        call(c.name, a, r);
        EXPECT_EQ(r.v.u.dval, c.want) << c.name << "(" << c.x << ", " << c.y << ")";
    }
    Args z{kv::make_int(1), kv::make_int(0)};
    Result r;
    call("fmod", z, r);
    EXPECT_TRUE(std::isnan(r.v.u.dval));
    Args t{matrix(1, 3, {2.9999999999999996, -2.9999999999999996, 2.5})};
    call("truncf", t, r);
    EXPECT_EQ(r.at(0), 3);
    EXPECT_EQ(r.at(1), -3);
    EXPECT_EQ(r.at(2), 2);
}

// pow over matrices: by one exponent (int, double or 1 x 1), by a matrix of
// the same shape, a single base over a matrix of exponents; special values as
// the C library gives them, and the arguments left as they were.
TEST_F(MathBuiltins, PowOverMatrices) {
    const double inf = HUGE_VAL;
    Result r;
    for (kv::Value e : {kv::make_int(3), kv::make_double(3), matrix(1, 1, {3})}) {
        Args a{matrix(2, 3, {2, -2, 0, -0.0, 0.5, 1e103}), e};
        call("pow", a, r);
        ASSERT_TRUE(r.is_matrix(2, 3));
        const double want[] = {8, -8, 0, -0.0, 0.125, inf};
        for (int k = 0; k < 6; ++k) EXPECT_EQ(r.at(k), want[k]) << k;
        EXPECT_TRUE(std::signbit(r.at(3)));
        EXPECT_EQ(a[0].u.mat.m[0][1], -2);
    }
    Args pairs{matrix(1, 5, {4, 0, -8, 1, 2}), matrix(1, 5, {0.5, -1, 1.0 / 3, NAN, -1074})};
    call("pow", pairs, r);
    ASSERT_TRUE(r.is_matrix(1, 5));
    EXPECT_EQ(r.at(0), 2);
    EXPECT_EQ(r.at(1), inf);
    EXPECT_TRUE(std::isnan(r.at(2)));
    EXPECT_EQ(r.at(3), 1);
    EXPECT_EQ(r.at(4), 4.9406564584124654e-324);
    Args base{kv::make_int(2), matrix(1, 3, {10, -1, 0.5})};
    call("pow", base, r);
    ASSERT_TRUE(r.is_matrix(1, 3));
    EXPECT_EQ(r.at(0), 1024);
    EXPECT_EQ(r.at(1), 0.5);
    EXPECT_EQ(r.at(2), M_SQRT2);
    std::string msg;
    Args shapes{matrix(1, 2, {1, 2}), matrix(2, 1, {1, 1})};
    EXPECT_EQ(call_error("pow", shapes, &msg), 40);
    EXPECT_EQ(msg, "pow(): found matrix[2][1] but expected matrix[1][2] in argument 2");
}

TEST_F(MathBuiltins, IntegerDivision) {
    struct Case {
        const char* name;
        int a, b, want;
    };
    for (const Case& c : {Case{"idiv", -7, 2, -3}, {"imod", -7, 2, -1}, {"imod", 7, -2, 1}, {"idiv", INT32_MIN, -1, INT32_MIN},
                          {"imod", INT32_MIN, -1, 0}}) {
        Args a{kv::make_int(c.a), kv::make_int(c.b)};
        Result r;
        call(c.name, a, r);
        ASSERT_EQ(kv::type_of(r.v), kv::T_Int);
        EXPECT_EQ(r.v.u.ival, c.want) << c.name << "(" << c.a << ", " << c.b << ")";
    }
    // Doubles are truncated; a matrix gives a matrix.
    Args m{matrix(1, 3, {7.9, -7.9, 9}), kv::make_double(2.7)};
    Result r;
    call("idiv", m, r);
    ASSERT_TRUE(r.is_matrix(1, 3));
    EXPECT_EQ(r.at(0), 3);
    EXPECT_EQ(r.at(1), -3);
    EXPECT_EQ(r.at(2), 4);

    Args zero{matrix(1, 2, {1, 2}), matrix(1, 2, {1, 0})};
    EXPECT_EQ(call_error("imod", zero), 6);
    Args shapes{matrix(1, 2, {1, 2}), matrix(2, 1, {1, 1})};
    std::string msg;
    EXPECT_EQ(call_error("idiv", shapes, &msg), 40);
    EXPECT_EQ(msg, "idiv(): found matrix[2][1] but expected matrix[1][2] in argument 2");
}

TEST_F(MathBuiltins, BitOperations) {
    struct Case {
        const char* name;
        std::initializer_list<int> args;
        int want;
    };
    for (const Case& c : {Case{"binand", {12, 10}, 8}, {"binand", {12, 10, 8}, 8}, {"binor", {12, 10}, 14},
                          {"binxor", {12, 10}, 6}, {"binxor", {12, 10, 6}, 0}, {"bincomp", {0}, -1},
                          {"bincomp", {5}, -6}, {"binpop", {7}, 3}, {"binpop", {7, 1}, 4}, {"binpop", {-1}, 32}}) {
        Args a{};
        for (int x : c.args) a.v.push_back(kv::make_int(x));
        Result r;
        call(c.name, a, r);
        ASSERT_EQ(kv::type_of(r.v), kv::T_Int) << c.name;
        EXPECT_EQ(r.v.u.ival, c.want) << c.name;
    }
    Args m{matrix(1, 2, {12, 5.7}), kv::make_int(4)};
    Result r;
    call("binor", m, r);
    ASSERT_TRUE(r.is_matrix(1, 2));
    EXPECT_EQ(r.at(0), 12);
    EXPECT_EQ(r.at(1), 5);

    Args v{kv::make_int(13)};
    call("binvec", v, r);
    ASSERT_TRUE(r.is_matrix(1, 3));
    EXPECT_EQ(r.at(0), 0);
    EXPECT_EQ(r.at(1), 2);
    EXPECT_EQ(r.at(2), 3);
    Args none{kv::make_int(0)};
    call("binvec", none, r);
    EXPECT_TRUE(r.is_matrix(0, 0));
    Args top{kv::make_int(INT32_MIN)};
    call("binvec", top, r);
    ASSERT_TRUE(r.is_matrix(1, 1));
    EXPECT_EQ(r.at(0), 31);
}

}  // namespace
