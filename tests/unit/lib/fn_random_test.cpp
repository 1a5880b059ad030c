// The random-number built-ins: result shapes, the forms of ranseed, sampling
// results that must be permutations or subsets, and the argument errors.
#include <kj80x.h>

#include <algorithm>
#include <vector>

#include "lib/library_rows.h"
#include "matrix_fn_fixture.h"

namespace kj::test {
namespace {

std::vector<lib::DescriptorRow> all_rows() {
    std::vector<lib::DescriptorRow> rows;
    for (auto span : {lib::random_rows(), lib::random_draw_rows(), lib::random_sampling_rows()})
        rows.insert(rows.end(), span.begin(), span.end());
    return rows;
}

class RandomBuiltins : public MatrixFnTest {
protected:
    RandomBuiltins() : MatrixFnTest(rows()) { RanInit(nullptr); }
    ~RandomBuiltins() override { RanInit(nullptr); }
    static std::span<const lib::DescriptorRow> rows() {
        static const std::vector<lib::DescriptorRow> r = all_rows();
        return r;
    }
    std::vector<double> elements() const {
        const value::Value& v = result.v;
        return std::vector<double>(v.u.mat.m[0], v.u.mat.m[0] + static_cast<long>(v.u.mat.r) * v.u.mat.c);
    }
};

value::Value string_value(const char* s) {
    value::Value v{};
    value::set_string(v, s, static_cast<int>(std::char_traits<char>::length(s)));
    return v;
}

TEST_F(RandomBuiltins, ShapesAndScalars) {
    call("ranu", {int_value(1), int_value(1)});
    EXPECT_EQ(value::type_of(result.v), value::T_Double);
    call("rann", {int_value(2), num(3)});
    ASSERT_EQ(value::type_of(result.v), value::T_Matrix);
    EXPECT_EQ(result.v.u.mat.r * 10 + result.v.u.mat.c, 23);
    call("ranu", {int_value(0), int_value(4)});
    EXPECT_EQ(result.v.u.mat.r + result.v.u.mat.c, 0);
    call("rangamma", {int_value(2), int_value(3), num(-1), num(1)});
    expect_matrix(2, 3, {k_nan, k_nan, k_nan, k_nan, k_nan, k_nan});
    call("ranpoisson", {int_value(1), int_value(3), num(-2)});
    expect_matrix(1, 3, {0, 0, 0});
    call("ranuorder", {int_value(5)});
    const std::vector<double> u = elements();
    EXPECT_TRUE(std::is_sorted(u.begin(), u.end()));
    EXPECT_GT(u.front(), 0);
    EXPECT_LT(u.back(), 1);
    call("ranbrownianmotion", {int_value(2), matrix(1, 3, {0.5, 0.25, 1})});
    const std::vector<double> w = elements();
    EXPECT_FALSE(std::isnan(w[0]));
    EXPECT_TRUE(std::isnan(w[1]) && std::isnan(w[2]) && std::isnan(w[5]));
    call("ranpoissonprocess", {int_value(1), matrix(1, 3, {0, 1, 2}), num(3)});
    const std::vector<double> n = elements();
    EXPECT_EQ(n[0], 0);
    EXPECT_LE(n[1], n[2]);
}

TEST_F(RandomBuiltins, SeedForms) {
    call("ranseed", {string_value("LE")});
    EXPECT_STREQ(result.v.u.str.s, "LE");
    call("ranseed", {int_value(5)});
    ASSERT_EQ(value::type_of(result.v), value::T_Array);
    ASSERT_EQ(result.v.u.arr.n, 4);
    EXPECT_EQ(result.v.u.arr.v[3].u.ival, 127);
    call("ranseed", {matrix(1, 2, {1, 20.9})});  // doubles truncated, then repaired
    EXPECT_EQ(result.v.u.arr.v[0].u.ival, 112);
    EXPECT_EQ(result.v.u.arr.v[1].u.ival, 20);
    EXPECT_EQ(result.v.u.arr.v[3].u.ival, 127 + 111111);
    call("ranseed", {int_value(-1)});
    EXPECT_EQ(result.v.u.arr.v[0].u.ival, 112);
    call("ranseed", {string_value("")});
    EXPECT_STREQ(result.v.u.str.s, "LE");
    call("ranseed", {string_value("PM")});
    call("ranseed", {int_value(-5)});
    EXPECT_EQ(result.v.u.ival, 2147483642);
}

TEST_F(RandomBuiltins, SamplingResults) {
    call("ranindex", {int_value(6)});
    std::vector<double> x = elements();
    std::sort(x.begin(), x.end());
    EXPECT_EQ(x, (std::vector<double>{0, 1, 2, 3, 4, 5}));
    call("ranindex", {int_value(6), int_value(2)});
    EXPECT_EQ(result.v.u.mat.c, 2);
    call("ranshuffle", {int_value(4), matrix(2, 2, {10, 20, 30, 40})});
    x = elements();
    std::sort(x.begin(), x.end());
    EXPECT_EQ(x, (std::vector<double>{10, 20, 30, 40}));
    EXPECT_EQ(result.v.u.mat.c, 1);
    call("ransubsample", {int_value(3), int_value(10)});
    x = elements();
    EXPECT_TRUE(std::is_sorted(x.begin(), x.end()));
    EXPECT_EQ(std::adjacent_find(x.begin(), x.end()), x.end());
    call("ranmultinomial", {int_value(7), matrix(2, 3, {0.2, 0.3, 0.5, 1, 0, 0})});
    x = elements();
    EXPECT_EQ(x[0] + x[1] + x[2], 7);
    EXPECT_EQ(x[3], 7);
    call("randirichlet", {int_value(1), matrix(1, 3, {1, 2, -1})});
    expect_matrix(1, 3, {k_nan, k_nan, k_nan});
    call("ranwishart", {num(4), int_value(2)});
    EXPECT_GT(result.v.u.mat.m[0][0], 0);
    EXPECT_EQ(result.v.u.mat.m[0][1], result.v.u.mat.m[1][0]);
    call("ranwishart", {num(4), matrix(2, 2, {1, 2, 2, 1})});
    expect_matrix(2, 2, {k_nan, k_nan, k_nan, k_nan});
    call("ranwishart", {num(1), matrix(2, 2, {2, 0, 0, 2})});  // n <= p - 1
    expect_matrix(2, 2, {k_nan, k_nan, k_nan, k_nan});
}

TEST_F(RandomBuiltins, ArgumentErrors) {
    using runtime::E_ArgError;
    expect_error("ranu", {num(2.5), int_value(1)}, E_ArgError, "error in argument 1");
    expect_error("rann", {int_value(-1), int_value(2)}, runtime::E_NegativeDim, "");
    expect_error("ranexp", {int_value(2), num(0.5), num(1)}, E_ArgError, "error in argument 2");
    expect_error("ranindex", {int_value(3), int_value(4)}, E_ArgError, "error in argument 2");
    expect_error("ranindex", {int_value(-3)}, runtime::E_NegativeDim, "");
    expect_error("ranshuffle", {int_value(5), matrix(1, 2, {1, 2})}, E_ArgError, "error in argument 1");
    expect_error("ransubsample", {int_value(1), int_value(-1)}, E_ArgError, "error in argument 2");
    expect_error("ransubsample", {int_value(4), int_value(3)}, E_ArgError, "error in argument 1");
    expect_error("ranmultinomial", {num(2.5), matrix(1, 2, {0.5, 0.5})}, E_ArgError, "error in argument 1");
    expect_error("ranwishart", {num(3), matrix(2, 3, {1, 0, 0, 0, 1, 0})}, runtime::E_ArgSize,
                 "found matrix[2][3] but expected square matrix in argument 2");
}

}  // namespace
}  // namespace kj::test
