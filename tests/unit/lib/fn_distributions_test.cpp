// The distribution built-ins through the library table: the shape rules, the
// type and size errors, the optional non-centrality, and the GAUSS names that
// share the functions.
#include <cmath>
#include <string>

#include "library_call.h"
#include "value/value.h"

namespace kv = kj::value;
using kj::test::Args;
using kj::test::matrix;
using kj::test::Result;
using kj::test::string_value;

namespace {

class DistributionBuiltins : public kj::test::LibraryTest {};

TEST_F(DistributionBuiltins, ShapesOfTheResult) {
    // Scalars give a double, an int included.
    Args s{kv::make_int(2), kv::make_int(5)};
    Result r;
    call("probt", s, r);
    ASSERT_EQ(kv::type_of(r.v), kv::T_Double);
    EXPECT_NEAR(r.v.u.dval, 0.9490302605850709, 1e-15);  // SciPy t.cdf(2, 5)
    // Matrix with scalar, scalar with matrix, equal matrices: the matrix's shape.
    Args ms{matrix(2, 1, {1, 2}), kv::make_double(3)};
    Result a;
    call("tailchi", ms, a);
    ASSERT_TRUE(a.is_matrix(2, 1));
    EXPECT_NEAR(a.at(0), 0.8012519569012009, 1e-15);  // SciPy chi2.sf(1, 3)
    Args sm{kv::make_double(0.95), matrix(1, 3, {1, 2, 3})};
    Result b;
    call("quanchi", sm, b);
    ASSERT_TRUE(b.is_matrix(1, 3));
    EXPECT_NEAR(b.at(2), 7.814727903251179, 1e-13);  // SciPy chi2.ppf(0.95, 3)
    Args mm{matrix(1, 2, {0.5, 2}), matrix(1, 2, {2, 4}), kv::make_int(10)};
    Result c;
    call("probf", mm, c);
    ASSERT_TRUE(c.is_matrix(1, 2));
    // A 1 x 1 matrix is a scalar, and all 1 x 1 gives 1 x 1.
    Args one{matrix(1, 1, {0.975})};
    Result d;
    call("quann", one, d);
    ASSERT_TRUE(d.is_matrix(1, 1));
    EXPECT_NEAR(d.at(0), 1.959963984540054, 1e-14);
    Args q{matrix(2, 3, {0.1, 0.2, 0.3, 0.4, 0.5, 0.6})};
    Result e;
    call("quann", q, e);
    EXPECT_TRUE(e.is_matrix(2, 3));
}

TEST_F(DistributionBuiltins, TypeAndSizeErrors) {
    std::string message;
    Args str{string_value("x")};
    EXPECT_EQ(call_error("probn", str, &message), 37);
    EXPECT_EQ(message, "probn(): type error in argument 1; expected: double, found: string[1]");
    Args str2{kv::make_double(1), string_value("five")};
    EXPECT_EQ(call_error("probchi", str2, &message), 37);
    EXPECT_EQ(message, "probchi(): type error in argument 2; expected: double, found: string[4]");
    Args sizes{matrix(2, 2), matrix(1, 2), kv::make_int(3)};
    EXPECT_EQ(call_error("densbeta", sizes, &message), 40);
    EXPECT_EQ(message, "densbeta(): found matrix[1][2] but expected matrix[2][2] in argument 2");
    Args kernel{kv::make_double(0.5), string_value("z")};
    EXPECT_EQ(call_error("denskernel", kernel, &message), 37);
    EXPECT_EQ(message, "denskernel(): error in argument 2");
    Args mvn{matrix(1, 3), matrix(2, 2, {1, 0, 0, 1})};
    EXPECT_EQ(call_error("probmvn", mvn, &message), 40);
}

TEST_F(DistributionBuiltins, NonCentralityAndWholeDegreesOfFreedom) {
    // probt with a third argument is the non-central t (SciPy nct.cdf(1, 5, 1)).
    Args nc{kv::make_double(1), kv::make_int(5), kv::make_double(1)};
    Result r;
    call("probt", nc, r);
    EXPECT_NEAR(r.v.u.dval, 0.48092614124210525, 1e-13);
    // A df that is not whole goes through the real form (SciPy t.sf(2, 5.5)).
    Args real{kv::make_double(2), kv::make_double(5.5)};
    Result t;
    call("tailt", real, t);
    EXPECT_NEAR(t.v.u.dval, 0.04837719511559246, 1e-14);
    Args chi{kv::make_double(5), kv::make_int(3), kv::make_int(2)};
    Result c;
    call("probchi", chi, c);
    EXPECT_NEAR(c.v.u.dval, 0.5934051800831555, 1e-12);  // SciPy ncx2.cdf(5, 3, 2)
}

// The GAUSS names give the results of the functions they share.
TEST_F(DistributionBuiltins, GaussNames) {
    struct Pair {
        const char* gauss;
        const char* kj;
        std::initializer_list<double> args;
    };
    for (const Pair& p : {Pair{"gauss::cdfchic", "tailchi", {3.84, 1}}, {"gauss::cdfchii", "quanchi", {0.95, 2}},
                          {"gauss::cdffc", "tailf", {3, 4, 10}}, {"gauss::cdfn", "probn", {0.3}},
                          {"gauss::cdfnc", "tailn", {0.3}}, {"gauss::cdfni", "quann", {0.3}},
                          {"gauss::cdftc", "tailt", {2, 5}}, {"gauss::pdfn", "densn", {0.3}},
                          {"gauss::erf", "erf", {0.3}}, {"gauss::gamma", "gammafact", {4.5}}}) {
        Args a{}, b{};
        for (double x : p.args) {
            a.v.push_back(kv::make_double(x));
            b.v.push_back(kv::make_double(x));
        }
        Result ra, rb;
        call(p.gauss, a, ra);
        call(p.kj, b, rb);
        EXPECT_EQ(ra.v.u.dval, rb.v.u.dval) << p.gauss;
    }
}

}  // namespace
