// Time-series and ARMA built-ins: the argument rules and results checked
// against hand-computed or NumPy/SciPy values.
#include <cmath>
#include <vector>

#include "library_call.h"
#include "value/value.h"
#include "vm/addresses.h"

namespace kv = kj::value;
using kj::test::Args;
using kj::test::matrix;
using kj::test::Result;

namespace {

class TimeSeriesBuiltins : public kj::test::LibraryTest {
protected:
    static void expect_matrix(const Result& r, int rows, int cols, std::initializer_list<double> want,
                              double tol = 1e-14) {
        ASSERT_TRUE(r.is_matrix(rows, cols)) << kv::type_of(r.v);
        int k = 0;
        for (double x : want) {
            EXPECT_NEAR(r.at(k), x, tol) << "element " << k;
            ++k;
        }
    }
    static bool is_int_zero(const Result& r) { return kv::type_of(r.v) == kv::T_Int && r.v.u.ival == 0; }
};

TEST_F(TimeSeriesBuiltins, AcfPeriodogramAndPeak) {
    Result r;
    Args a{matrix(4, 1, {1, 2, 3, 4}), kv::make_int(1)};
    call("acf", a, r);
    expect_matrix(r, 2, 1, {1, 0.25});
    Args too_long{matrix(4, 1, {1, 2, 3, 4}), kv::make_int(4)};
    call("acf", too_long, r);
    EXPECT_TRUE(is_int_zero(r));
    Args negative{matrix(4, 1, {1, 2, 3, 4}), kv::make_int(-1)};
    EXPECT_EQ(call_error("acf", negative), 37);

    Args raw{matrix(8, 1, {2, 4, 3, 7, 5, 6, 1, 8})};
    call("periodogram", raw, r);
    expect_matrix(r, 5, 1,
                  {0.0, 0.052132184250863974, 0.1288397158362962, 0.08428633839933203, 0.7427230677621782});
    Args dens{matrix(8, 1, {2, 4, 3, 7, 5, 6, 1, 8}), kv::make_int(3), kv::make_int(6), kv::make_int(3)};
    call("periodogram", dens, r);
    expect_matrix(r, 6, 1, {0.4807805572567671, 0.5352751487682729, 0.6962727350380569, 0.9319344828601372,
                            1.152245614414686, 1.2433979929054324});

    Args p{matrix(5, 1, {1, 3, 2, 0, 4})};
    call("peak", p, r);
    expect_matrix(r, 5, 1, {0, 1, 0, -1, 0}, 0);
}

TEST_F(TimeSeriesBuiltins, FourierTransformsAndTheirTypes) {
    Result r;
    Args pad{matrix(1, 3, {1, 2, 3})};  // transformed as (1, 2, 3, 0)
    call("fft", pad, r);
    expect_matrix(r, 2, 4, {6, -2, 2, -2, 0, -2, 0, 2});
    Args two{matrix(1, 2, {1, 3})};
    call("fft1d", two, r);
    expect_matrix(r, 2, 2, {4, -2, 0, 0}, 0);
    Args inv{matrix(1, 2, {1, 3}), kv::make_int(1)};
    call("fft1d", inv, r);
    expect_matrix(r, 2, 2, {2, -1, 0, 0}, 0);

    // dfft(dfft(z), 1) = z; type 2 keeps the real row only.
    Args z{matrix(2, 5, {1, 2, 0, -1, 4, 0.5, 0, 3, 1, -2})};
    Result f;
    call("dfft", z, f);
    Args back{kv::make_int(0), kv::make_int(1)};
    kv::duplicate(back[0], f.v);
    call("dfft", back, r);
    expect_matrix(r, 2, 5, {1, 2, 0, -1, 4, 0.5, 0, 3, 1, -2}, 1e-14);
    Args realpart{kv::make_int(0), kv::make_int(2)};
    kv::duplicate(realpart[0], f.v);
    call("fft1d", realpart, r);
    expect_matrix(r, 1, 5, {1, 2, 0, -1, 4}, 1e-14);

    std::string msg;
    Args rows3{matrix(3, 2)};
    EXPECT_EQ(call_error("fft", rows3, &msg), 37);
    EXPECT_EQ(msg, "fft(): error in argument 1");
    Args type{matrix(1, 2, {1, 2}), kv::make_int(3)};
    EXPECT_EQ(call_error("dfft", type, &msg), 37);
    EXPECT_EQ(msg, "dfft(): error in argument 2");
}

TEST_F(TimeSeriesBuiltins, ArmaFiltersOnColumns) {
    Result r;
    Args res{matrix(3, 1, {1, 2, 3}), kv::make_double(0.5), kv::make_int(1), kv::make_int(0)};
    call("arma0", res, r);
    expect_matrix(r, 3, 1, {0, 1.5, 2});
    Args gen{matrix(3, 1), matrix(3, 1, {1, 1, 1}), kv::make_double(0.5), kv::make_int(0), kv::make_int(1)};
    call("armagen", gen, r);
    expect_matrix(r, 3, 1, {1, 1.5, 1.5});
    Args forc{matrix(3, 1), kv::make_double(0.9), kv::make_int(1), kv::make_int(0), kv::make_double(10)};
    call("armaforc", forc, r);
    expect_matrix(r, 3, 1, {9, 8.1, 7.29});
    Args bare{matrix(3, 1), kv::make_double(0.9), kv::make_int(1), kv::make_int(0)};
    call("armaforc", bare, r);
    expect_matrix(r, 3, 1, {0, 0, 0}, 0);
    // MA(1) forecast from a pre-sample innovation, the observations skipped.
    Args ma{matrix(2, 1, {1, 1}), kv::make_double(0.5), kv::make_int(0), kv::make_int(1), matrix(0, 0),
            matrix(1, 1, {4})};
    call("armaforc", ma, r);
    expect_matrix(r, 2, 1, {3, 1});

    // Generation then residuals give back the innovations (two columns at once).
    const double phi1 = 0.6, phi2 = -0.2, th1 = 0.3;
    Args g2{matrix(6, 2), matrix(6, 2, {0, 0, 0, 0, 1, -1, 0.5, 2, -1, 0.25, 2, 1}),
            matrix(1, 3, {phi1, phi2, th1}), kv::make_int(2), kv::make_int(1)};
    Result y;
    call("armagen", g2, y);
    Args back{kv::make_int(0), matrix(1, 3, {phi1, phi2, th1}), kv::make_int(2), kv::make_int(1)};
    kv::duplicate(back[0], y.v);
    call("arma0", back, r);
    expect_matrix(r, 6, 2, {0, 0, 0, 0, 1, -1, 0.5, 2, -1, 0.25, 2, 1}, 1e-14);

    std::string msg;
    Args shortp{matrix(3, 1), matrix(1, 1, {0.5}), kv::make_int(1), kv::make_int(1)};
    EXPECT_EQ(call_error("arma0", shortp, &msg), 37);
    EXPECT_EQ(msg, "arma0(): error in argument 2");
    Args size{matrix(3, 1), matrix(2, 1), kv::make_double(0.5), kv::make_int(1), kv::make_int(0)};
    EXPECT_EQ(call_error("armagen", size, &msg), 40);
    Args none{matrix(2, 1, {7, 8}), matrix(0, 0), kv::make_int(0), kv::make_int(0)};
    call("arma0", none, r);
    expect_matrix(r, 2, 1, {7, 8}, 0);
}

TEST_F(TimeSeriesBuiltins, ArmaAutocovariancesAndFractionalDifferences) {
    Result r;
    // Against Σ ψ_j ψ_{j+k} σ² over a long MA(∞) expansion.
    Args arma21{matrix(1, 3, {0.5, -0.3, 0.4}), kv::make_int(2), kv::make_int(1), kv::make_double(2), kv::make_int(6)};
    call("armavar", arma21, r);
    expect_matrix(r, 1, 6, {3.7857142857142856, 2.071428571428571, -0.1, -0.6714285714285715, -0.3057142857142857,
                            0.048571428571428536}, 1e-13);
    Args arma12{matrix(1, 3, {0.7, 0.2, -0.5}), kv::make_int(1), kv::make_int(2), kv::make_double(-1.5),
                kv::make_int(5)};
    call("armavar", arma12, r);
    expect_matrix(r, 1, 5, {2.7647058823529407, 1.5602941176470586, 0.34220588235294086, 0.23954411764705857,
                            0.16768088235294104}, 1e-13);
    Args ma2{matrix(1, 2, {0.6, 0.3}), kv::make_int(0), kv::make_int(2), kv::make_double(1), kv::make_int(4)};
    call("armavar", ma2, r);
    expect_matrix(r, 1, 4, {1.45, 0.78, 0.3, 0});
    Args unit_root{matrix(1, 1, {1}), kv::make_int(1), kv::make_int(0), kv::make_double(1), kv::make_int(3)};
    call("armavar", unit_root, r);
    EXPECT_TRUE(is_int_zero(r));

    Args d1{matrix(3, 1, {1, 3, 6}), kv::make_double(1)};
    call("diffpow", d1, r);
    expect_matrix(r, 3, 1, {1, 2, 3});
    Args half{matrix(3, 1, {1, 1, 1}), kv::make_double(0.5)};
    call("diffpow", half, r);
    expect_matrix(r, 3, 1, {1, 0.5, 0.375});
    // Against the binomial expansion Σ (−1)^k C(d, k) x_{t−k}.
    Args frac{matrix(6, 2, {1.5, 1.5, -0.5, -0.5, 2, 2, 3, 3, 0.25, 0.25, 1, 1}), kv::make_double(0.4)};
    call("diffpow", frac, r);
    expect_matrix(r, 6, 2, {1.5, 1.5, -1.1, -1.1, 2.02, 2.02, 2.164, 2.164, -1.2204, -1.2204, 0.387872, 0.387872},
                  1e-14);
    Args neg{matrix(6, 1, {1.5, -0.5, 2, 3, 0.25, 1}), kv::make_double(-0.3)};
    call("diffpow", neg, r);
    expect_matrix(r, 6, 1, {1.5, -0.05, 2.1425, 3.72675, 1.65025625, 2.056436625}, 1e-14);
    Args huge{matrix(1, 1, {1}), kv::make_double(2e4)};
    call("diffpow", huge, r);
    EXPECT_TRUE(is_int_zero(r));
}

TEST_F(TimeSeriesBuiltins, PartialAutocorrelationsAndModelForecasts) {
    Result r;
    Args one{matrix(5, 1, {1, 0.6, 0.2, -0.1, 0.05})};
    call("pacf", one, r);
    expect_matrix(r, 5, 1, {1, 0.6, -0.25, -0.16666666666666669, 0.4214285714285715});
    kv::Value logdet = kv::make_int(0);
    Args withref{matrix(5, 1, {1, 0.6, 0.2, -0.1, 0.05}), kj::vm::make_address(&logdet),
                 matrix(5, 1, {1, 0, 3, 2, -1})};
    call("pacf", withref, r);
    ASSERT_TRUE(r.is_matrix(5, 2));
    EXPECT_NEAR(r.v.u.mat.m[2][0], -0.25, 1e-14);
    EXPECT_NEAR(r.v.u.mat.m[0][1], 5.354550530429928, 1e-12);
    EXPECT_NEAR(r.v.u.mat.m[4][1], -5.756560580681184, 1e-12);
    ASSERT_EQ(kv::type_of(logdet), kv::T_Double);
    EXPECT_NEAR(logdet.u.dval, -2.230636593681462, 1e-13);
    kv::release(logdet);
    Args solve{matrix(5, 1, {1, 0.6, 0.2, -0.1, 0.05}), matrix(5, 1, {2, 1, -1, 2, 0.5})};
    call("pacf", solve, r);
    expect_matrix(r, 5, 1, {3.8954029406290718, 0.4671505676530795, -6.155778894472362, 7.874557975060488,
                            -3.1416340964079663}, 1e-12);
    Args bad{matrix(3, 1, {1, 1, 1})};
    call("pacf", bad, r);
    EXPECT_TRUE(is_int_zero(r));
    Args rows{matrix(3, 1, {1, 0.5, 0.2}), matrix(2, 1)};
    EXPECT_EQ(call_error("pacf", rows), 40);

    // y_t = 0.5 y_{t−1} + x_t, x in column 1; forecasts from t1 = 2.
    Args m{matrix(4, 2, {1, 0, 2, 1, 0, 2, 0, 4}), matrix(1, 2, {0.5, 1}), matrix(1, 1, {0}), matrix(1, 2, {0, 1}),
           matrix(1, 2, {1, 0}), matrix(0, 0), kv::make_int(2)};
    call("modelforc", m, r);
    expect_matrix(r, 2, 1, {3, 5.5});
    Args lag0{matrix(4, 2), matrix(1, 1, {0.5}), matrix(1, 1, {0}), matrix(1, 1, {0}), matrix(1, 1, {0}),
              matrix(0, 0), kv::make_int(2)};
    std::string msg;
    EXPECT_EQ(call_error("modelforc", lag0, &msg), 37);
    EXPECT_EQ(msg, "modelforc(): error in argument 5");
    Args early{matrix(4, 2), matrix(1, 1, {0.5}), matrix(1, 1, {0}), matrix(1, 1, {0}), matrix(1, 1, {2}),
               matrix(0, 0), kv::make_int(1)};
    EXPECT_EQ(call_error("modelforc", early, &msg), 37);
    EXPECT_EQ(msg, "modelforc(): error in argument 7");
}

TEST_F(TimeSeriesBuiltins, SmoothingSplineFixedAndCrossValidated) {
    Result r;
    // scipy.interpolate.make_smoothing_spline with the same penalty.
    const std::initializer_list<double> y = {1.0, 2.5, 2.0, 4.0, 3.5, 5.0, 7.5, 6.0, 8.0, 9.5};
    Args fixed{matrix(10, 1, y), kv::make_int(0), kv::make_double(0.7)};
    call("spline", fixed, r);
    expect_matrix(r, 10, 1, {1.1819325142140236, 1.963157706891149, 2.612298901431301, 3.362765021365151,
                             4.144365386894442, 5.194593991128932, 6.242654217637465, 6.978369552596592,
                             8.009758621641101, 9.31010408619985}, 1e-11);
    // A missing observation is left out of the fit but gets its fitted value.
    Args gap{matrix(11, 1, {1.0, 2.5, 2.0, 4.0, 3.5, 5.0, 7.5, 6.0, 8.0, 9.5, NAN}),
             matrix(11, 1, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 2.5}), kv::make_double(0.7)};
    call("spline", gap, r);
    ASSERT_TRUE(r.is_matrix(11, 1));
    EXPECT_NEAR(r.at(10), 2.9796243357888383, 1e-11);
    EXPECT_NEAR(r.at(0), 1.1819325142140236, 1e-11);
    Args irregular{matrix(8, 1, {0.3, 0.9, 1.1, 2.2, 1.8, 3.0, 3.9, 3.1}),
                   matrix(8, 1, {0, 0.5, 1.7, 2.0, 3.1, 4.4, 5.0, 6.2}), kv::make_double(0.2)};
    call("spline", irregular, r);
    expect_matrix(r, 8, 1, {0.39396591727514996, 0.761245249328378, 1.4910899566142009, 1.657244474758494,
                            2.13901044708497, 3.1178454389951185, 3.454106347348434, 3.2854921685952556}, 1e-11);
    // Generalised cross-validation chooses α (minimum of the criterion found
    // with dense smoother matrices); the criteria come back by reference.
    kv::Value crit = kv::make_int(0);
    Args gcv{matrix(20, 1, {0.035410196624968471, 0.24801509004608921, 0.72460039294464229, 0.83311177130777037,
                            0.84898888448815524, 1.0578691375015759, 0.85716880320046085, 0.8563674547380723,
                            0.47596439626052817, 0.045221974309551924, -0.10105580000083224, -0.52635468908872296,
                            -0.89646993918333828, -0.88327174852120316, -1.0678019677234014, -0.84236112866364299,
                            -0.81135604894311608, -0.69081470249487631, -0.20662176232452498, 0.008330942381542146}),
             kv::make_int(0), kv::make_double(0), kj::vm::make_address(&crit)};
    call("spline", gcv, r);
    ASSERT_TRUE(r.is_matrix(20, 1));
    EXPECT_NEAR(r.at(0), 0.061419486877572177, 1e-5);
    EXPECT_NEAR(r.at(9), 0.14010679857081046, 1e-5);
    EXPECT_NEAR(r.at(19), -0.01411540974441142, 1e-5);
    ASSERT_EQ(kv::type_of(crit), kv::T_Matrix);
    ASSERT_EQ(crit.u.mat.r, 2);
    EXPECT_NEAR(crit.u.mat.m[0][0], 2.0069309140473526, 1e-3);
    EXPECT_NEAR(crit.u.mat.m[1][0], 6.872528521661545, 1e-4);
    kv::release(crit);
}

}  // namespace
