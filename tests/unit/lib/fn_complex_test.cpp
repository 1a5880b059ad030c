#include <cmath>
#include <complex>

#include "library_call.h"
#include "value/value.h"

namespace kv = kj::value;
using kj::test::Args;
using kj::test::matrix;
using kj::test::Result;

namespace {

class ComplexBuiltins : public kj::test::LibraryTest {
protected:
    void expect_complex(const Result& r, std::initializer_list<double> re, std::initializer_list<double> im,
                        double tol = 1e-15) {
        const int n = static_cast<int>(re.size());
        ASSERT_TRUE(r.is_matrix(2, n));
        int j = 0;
        for (double x : re) EXPECT_NEAR(r.v.u.mat.m[0][j++], x, tol) << "re " << j - 1;
        j = 0;
        for (double y : im) EXPECT_NEAR(r.v.u.mat.m[1][j++], y, tol) << "im " << j - 1;
    }
};

TEST_F(ComplexBuiltins, ArithmeticAndColumnSpreading) {
    Result r;
    Args mul{matrix(2, 1, {0, 1}), matrix(2, 1, {0, 1})};
    call("cmul", mul, r);
    expect_complex(r, {-1}, {0});
    Args div{matrix(2, 1, {1, 1}), matrix(2, 1, {0, 1})};
    call("cdiv", div, r);
    expect_complex(r, {1}, {-1});
    // One column serves every column; a real row is real.
    Args spread{matrix(2, 3, {1, 2, 3, 0, 1, 0}), matrix(1, 1, {2})};
    call("cmul", spread, r);
    expect_complex(r, {2, 4, 6}, {0, 2, 0});
    Args pow{matrix(2, 1, {-1, 0}), kv::make_double(0.5)};
    call("cpow", pow, r);
    expect_complex(r, {0}, {1});

    std::string msg;
    Args cols{matrix(2, 2, {1, 2, 3, 4}), matrix(2, 3, {1, 2, 3, 4, 5, 6})};
    EXPECT_EQ(call_error("cdiv", cols, &msg), 40);
    EXPECT_EQ(msg, "cdiv(): found matrix[2][3] but expected matrix[2][2] in argument 2");
    Args rows{matrix(3, 1, {1, 2, 3})};
    EXPECT_EQ(call_error("cexp", rows, &msg), 37);
    EXPECT_EQ(msg, "cexp(): error in argument 1");
}

TEST_F(ComplexBuiltins, ElementaryFunctions) {
    Result r;
    Args neg{matrix(2, 1, {-4, 0})};
    call("csqrt", neg, r);
    expect_complex(r, {0}, {2});
    Args zero{matrix(1, 1, {0})};
    call("clog", zero, r);
    ASSERT_TRUE(r.is_matrix(2, 1));
    EXPECT_EQ(r.at(0), -HUGE_VAL);
    EXPECT_EQ(r.v.u.mat.m[1][0], 0);
    Args z{matrix(2, 1, {0.5, 1})};
    call("ccot", z, r);
    const std::complex<double> w = std::cos(std::complex<double>(0.5, 1)) / std::sin(std::complex<double>(0.5, 1));
    expect_complex(r, {w.real()}, {w.imag()});
    Args big{matrix(2, 1, {3e200, 4e200})};
    call("cabs", big, r);
    ASSERT_TRUE(r.is_matrix(1, 1));
    EXPECT_DOUBLE_EQ(r.at(0), 5e200);  // no overflow
    Args empty{matrix(0, 0)};
    call("cabs", empty, r);
    EXPECT_TRUE(r.is_matrix(0, 0));
}

TEST_F(ComplexBuiltins, SpecialFunctionsOnARealRowMatchTheRealOnes) {
    Result r;
    Args x{matrix(1, 2, {0.3, 5})};
    call("cerf", x, r);
    expect_complex(r, {std::erf(0.3), std::erf(5.0)}, {0, 0}, 0);
    call("cgammafact", x, r);
    expect_complex(r, {std::tgamma(0.3), 24}, {0, 0}, 1e-14);
    Args order{matrix(1, 1, {1}), kv::make_int(0)};
    call("cpolygamma", order, r);
    expect_complex(r, {-0.5772156649015329}, {0}, 1e-15);
    Args bad{matrix(1, 1, {1}), kv::make_int(-1)};
    EXPECT_EQ(call_error("cpolygamma", bad), 37);
    Args pole{matrix(2, 1, {-2, 0})};
    call("cloggamma", pole, r);
    EXPECT_TRUE(std::isnan(r.at(0)));
}

}  // namespace
