#include <cmath>

#include "link/function_table.h"
#include "lib/library_groups.h"
#include "native_fixture.h"

using kj::test::Args;
using kj::test::matrix;
using kj::test::string_value;
namespace kv = kj::value;

namespace {

class Elementwise : public kj::test::NativeTest {};

double tag2(double x, double y) { return 10 * x + y; }
double tag3(double x, double y, double z) { return 100 * x + 10 * y + z; }
double tag4(double a, double b, double c, double d) { return a + b + c + d; }
double times(double x, int n) { return x * n; }

void expect_matrix(const kv::Value& v, int r, int c, std::initializer_list<double> rowwise) {
    ASSERT_EQ(kv::type_of(v), kv::T_Matrix);
    ASSERT_EQ(v.u.mat.r, r);
    ASSERT_EQ(v.u.mat.c, c);
    EXPECT_TRUE(kv::owns(v));
    int k = 0;
    for (double x : rowwise) EXPECT_EQ(v.u.mat.m[0][k++], x) << "element " << k - 1;
}

TEST_F(Elementwise, OneByOneSpreadsOverTheShape) {
    Args a{matrix(2, 2, {1, 2, 3, 4}), matrix(1, 1, {5})};
    Args r{kv::make_int(0)};
    KjFnDouble2(&r[0], a.data(), tag2);
    expect_matrix(r[0], 2, 2, {15, 25, 35, 45});

    // The first argument that is not 1 x 1 sets the shape.
    Args b{matrix(1, 1, {5}), matrix(1, 2, {1, 2})};
    KjFnDouble2(&r[0], b.data(), tag2);
    expect_matrix(r[0], 1, 2, {51, 52});

    Args c{kv::make_int(3), matrix(2, 1, {1, 2}), kv::make_double(0.5)};
    KjFnDouble3(&r[0], c.data(), tag3);
    expect_matrix(r[0], 2, 1, {310.5, 320.5});
}

TEST_F(Elementwise, ScalarsGiveDoubleAndOneByOneGivesMatrix) {
    Args a{kv::make_int(1), kv::make_double(2)};
    Args r{kv::make_int(0)};
    KjFnDouble2(&r[0], a.data(), tag2);
    EXPECT_EQ(r[0].type, static_cast<uint32_t>(KJ_TYPE_DOUBLE));
    EXPECT_EQ(r[0].u.dval, 12);

    Args b{kv::make_int(1), matrix(1, 1, {2})};
    KjFnDouble2(&r[0], b.data(), tag2);
    expect_matrix(r[0], 1, 1, {12});

    Args d{kv::make_int(1), kv::make_int(2), kv::make_int(3), kv::make_int(4)};
    KjFnDouble4(&r[0], d.data(), tag4);
    EXPECT_EQ(r[0].u.dval, 10);
}

TEST_F(Elementwise, EmptyMatrixGivesEmptyResult) {
    Args a{matrix(0, 3)};
    Args r{kv::make_int(0)};
    KjFnDouble(&r[0], a.data(), [](double x) { return x; });
    expect_matrix(r[0], 0, 3, {});
}

TEST_F(Elementwise, SecondArgumentOfDoubleIntIsTruncated) {
    Args a{matrix(1, 3, {1, 2, 3}), kv::make_double(2.9)};
    Args r{kv::make_int(0)};
    KjFnDoubleInt(&r[0], a.data(), times);
    expect_matrix(r[0], 1, 3, {2, 4, 6});
}

TEST_F(Elementwise, Failures) {
    const struct {
        const char* name;
        kv::Value x, y;
        int code;
        const char* message;
    } cases[] = {
        {"shapes differ", matrix(2, 2), matrix(2, 3), kj::runtime::E_ArgSize,
         "f(): found matrix[2][3] but expected matrix[2][2] in argument 2"},
        {"scalar first, shapes differ", kv::make_int(1), matrix(3, 1), -2, nullptr},
        {"string", string_value("ab"), kv::make_int(1), kj::runtime::E_ArgError,
         "f(): type error in argument 1; expected: double, found: string[2]"},
        {"no value", kv::make_int(1), kv::make_null(), kj::runtime::E_ArgError,
         "f(): type error in argument 2; expected: double, found: .Null"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        clear();
        if (c.code == -2) {
            // The first non-1x1 matrix (argument 2) sets the shape; argument 3 differs.
            Args a{c.x, c.y, matrix(2, 2)};
            Args r{kv::make_int(0)};
            EXPECT_EQ(raised([&] { KjFnDouble3(&r[0], a.data(), tag3); }), kj::runtime::E_ArgSize);
            EXPECT_EQ(first_run_message(), "f(): found matrix[2][2] but expected matrix[3][1] in argument 3");
            EXPECT_EQ(r[0].type, static_cast<uint32_t>(KJ_TYPE_INT));  // result untouched
            continue;
        }
        Args a{c.x, c.y};
        Args r{kv::make_int(0)};
        EXPECT_EQ(raised([&] { KjFnDouble2(&r[0], a.data(), tag2); }), c.code);
        EXPECT_EQ(first_run_message(), c.message);
    }
}

TEST_F(Elementwise, TrigonometricBuiltInsThroughTheTable) {
    kj::link::free_function_table();
    kj::lib::register_library();
    auto call = [](const char* name, Args& args) {
        const kj::link::LibEntry* e = kj::link::find_function(name);
        EXPECT_NE(e, nullptr) << name;
        kv::Value result = kv::make_int(0);
        if (e) e->fn(&result, args.data(), static_cast<int>(args.v.size()));
        return result;
    };
    Args x{matrix(1, 3, {1, 0, 2})};
    kv::Value r = call("acos", x);
    ASSERT_EQ(kv::type_of(r), kv::T_Matrix);
    EXPECT_EQ(r.u.mat.m[0][0], 0);
    EXPECT_DOUBLE_EQ(r.u.mat.m[0][1], M_PI / 2);
    EXPECT_TRUE(std::isnan(r.u.mat.m[0][2]));  // outside [-1, 1]
    kv::release(r);

    Args yx{kv::make_int(1), kv::make_int(-1)};
    r = call("gauss::arctan2", yx);
    EXPECT_DOUBLE_EQ(r.u.dval, 3 * M_PI / 4);

    const struct {
        const char* name;
        double in, out;
    } scalars[] = {
        {"asin", 1, M_PI / 2}, {"atan", 1, M_PI / 4},           {"cosh", 0, 1},
        {"sinh", 0, 0},        {"tanh", 1, std::tanh(1.0)},     {"gauss::tanh", 1, std::tanh(1.0)},
    };
    for (const auto& s : scalars) {
        Args a{kv::make_double(s.in)};
        r = call(s.name, a);
        EXPECT_EQ(r.type, static_cast<uint32_t>(KJ_TYPE_DOUBLE)) << s.name;
        EXPECT_DOUBLE_EQ(r.u.dval, s.out) << s.name;
    }

    kj::lib::set_current_function("acos");
    Args bad{string_value("x")};
    EXPECT_EQ(raised([&] { call("acos", bad); }), kj::runtime::E_ArgError);
    EXPECT_EQ(first_run_message(), "acos(): type error in argument 1; expected: double, found: string[1]");
    kj::link::free_function_table();
}

}  // namespace
