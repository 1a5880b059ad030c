#include <algorithm>
#include <cmath>

#include "library_call.h"
#include "value/value.h"
#include "vm/addresses.h"

namespace kv = kj::value;
using kj::test::Args;
using kj::test::matrix;
using kj::test::Result;

namespace {

class PolyBuiltins : public kj::test::LibraryTest {
protected:
    static void expect_row(const Result& r, std::initializer_list<double> want, double tol = 0) {
        ASSERT_TRUE(r.is_matrix(1, static_cast<int>(want.size())));
        int j = 0;
        for (double x : want) EXPECT_NEAR(r.at(j++), x, tol) << "element " << j - 1;
    }
};

TEST_F(PolyBuiltins, ExamplesOfEachEntry) {
    Result r;
    Args div{matrix(1, 1, {1}), matrix(1, 2, {1, -0.5}), kv::make_int(4)};
    call("polydiv", div, r);
    expect_row(r, {1, 0.5, 0.25, 0.125});
    Args eval{matrix(1, 3, {1, 0, -4}), matrix(2, 1, {2, 3})};
    call("polyeval", eval, r);
    ASSERT_TRUE(r.is_matrix(2, 1));
    EXPECT_EQ(r.at(0), 0);
    EXPECT_EQ(r.at(1), 5);
    Args make{matrix(1, 2, {1, 2})};
    call("polymake", make, r);
    expect_row(r, {1, -3, 2});
    Args conj{matrix(2, 2, {1, 1, 2, -2})};  // 1 ± 2i
    call("polymake", conj, r);
    expect_row(r, {1, -2, 5});
    Args none{matrix(0, 0)};
    call("polymake", none, r);
    expect_row(r, {1});
    Args mul{matrix(1, 2, {1, 1}), matrix(1, 2, {1, -1})};
    call("polymul", mul, r);
    expect_row(r, {1, 0, -1});
}

TEST_F(PolyBuiltins, DivisionErrors) {
    std::string msg;
    Args zero{matrix(1, 1, {1}), matrix(1, 2, {0, 1}), kv::make_int(3)};
    EXPECT_EQ(call_error("polydiv", zero, &msg), 37);
    EXPECT_EQ(msg, "polydiv(): error in argument 2");
    Args negative{matrix(1, 1, {1}), matrix(1, 1, {1}), kv::make_int(-1)};
    EXPECT_EQ(call_error("polydiv", negative), 39);
}

TEST_F(PolyBuiltins, RootsThroughTheReference) {
    kv::Value roots = kv::make_int(0);
    Args a{matrix(1, 4, {0, 1, -3, 2}), kj::vm::make_address(&roots)};  // leading zero dropped
    Result r;
    call("polyroots", a, r);
    ASSERT_EQ(kv::type_of(r.v), kv::T_Int);
    EXPECT_EQ(r.v.u.ival, 0);
    ASSERT_EQ(kv::type_of(roots), kv::T_Matrix);
    ASSERT_EQ(roots.u.mat.r, 2);
    ASSERT_EQ(roots.u.mat.c, 2);
    std::vector<double> re{roots.u.mat.m[0][0], roots.u.mat.m[0][1]};
    std::sort(re.begin(), re.end());
    EXPECT_NEAR(re[0], 1, 1e-14);
    EXPECT_NEAR(re[1], 2, 1e-14);
    EXPECT_EQ(roots.u.mat.m[1][0], 0);

    // x² + 1: the conjugate pair ±i.
    Args b{matrix(1, 3, {1, 0, 1}), kj::vm::make_address(&roots)};
    call("polyroots", b, r);
    EXPECT_NEAR(std::fabs(roots.u.mat.m[1][0]), 1, 1e-15);
    EXPECT_NEAR(roots.u.mat.m[1][0] + roots.u.mat.m[1][1], 0, 1e-15);
    kv::release(roots);

    Args constant{matrix(1, 1, {3}), kv::make_int(0)};  // no output wanted
    call("polyroots", constant, r);
    EXPECT_EQ(r.v.u.ival, 0);
}

}  // namespace
