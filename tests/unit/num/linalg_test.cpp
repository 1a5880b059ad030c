// Dense linear algebra checked by defining properties (A inv(A) = I,
// L L' = A, P A = L U, U diag(w) V' = A, A v = lambda v, normal equations)
// on small and large orders, so that both the own loops and the LAPACK paths
// run, plus exact values of small integer matrices worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <vector>

#include "num/linalg_choleski.h"
#include "num/linalg_eigensym.h"
#include "num/linalg_eps.h"
#include "num/linalg_kernels.h"
#include "num/linalg_ldl.h"
#include "num/linalg_lu.h"
#include "num/linalg_ols.h"
#include "num/linalg_qr.h"
#include "num/linalg_rank.h"
#include "num/linalg_svd.h"

namespace kj::num {
namespace {

using M = WorkBlock;

// Deterministic test data: fractional parts of i*j*c (1-based), shifted.
M gen(int r, int c, double seed = 0.6180339887498949) {
    M a(r, c);
    for (int i = 0; i < r; ++i)
        for (int j = 0; j < c; ++j) {
            const double x = (i + 1.0) * (j + 1.0) * seed + 0.37 * i - 0.11 * j;
            a[i][j] = x - std::floor(x) - 0.5;
        }
    return a;
}
// Symmetric positive definite: G G' + n I.
M spd(int n) {
    M g = gen(n, n), s(n, n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            double v = i == j ? n : 0.0;
            for (int k = 0; k < n; ++k) v += g[i][k] * g[j][k];
            s[i][j] = v;
        }
    return s;
}
M from(int r, int c, std::initializer_list<double> x) {
    M a(r, c);
    std::copy(x.begin(), x.end(), a.data());
    return a;
}
M product(M& a, M& b, bool ta = false, bool tb = false) {
    const int m = ta ? a.c() : a.r(), n = tb ? b.r() : b.c(), inner = ta ? a.r() : a.c();
    M y(m, n);
    for (int i = 0; i < m; ++i)
        for (int j = 0; j < n; ++j) {
            double s = 0;
            for (int k = 0; k < inner; ++k) s += (ta ? a[k][i] : a[i][k]) * (tb ? b[j][k] : b[k][j]);
            y[i][j] = s;
        }
    return y;
}
double max_diff(M& a, M& b) {
    double d = 0;
    for (int i = 0; i < a.r(); ++i)
        for (int j = 0; j < a.c(); ++j) d = std::max(d, std::fabs(a[i][j] - b[i][j]));
    return d;
}
double max_off_identity(M& a) {
    M id(a.r(), a.c());
    id.identity();
    return max_diff(a, id);
}

// Orders that take the own loops and, above 64, the LAPACK paths.
const int k_orders[] = {1, 2, 5, 64, 65, 150};

TEST(LinalgLu, PivotedRowsEqualLTimesU) {
    for (int n : k_orders) {
        SCOPED_TRACE(n);
        M a = gen(n, n), lu = a;
        std::vector<int> piv(n);
        double logdet = 0;
        int sign = 0;
        ASSERT_EQ(lup_decompose(lu.rows(), n, piv.data(), &logdet, &sign, nullptr), 0);
        // Apply the exchanges in order to the rows of a.
        M pa = a;
        for (int k = 0; k < n; ++k) {
            ASSERT_GE(piv[k], k);
            std::swap_ranges(pa[k], pa[k] + n, pa[piv[k]]);
        }
        M l(n, n), u(n, n);
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < i; ++j) l[i][j] = lu[i][j];
            l[i][i] = 1;
            for (int j = i; j < n; ++j) u[i][j] = lu[i][j];
            for (int j = 0; j < i; ++j) EXPECT_LE(std::fabs(l[i][j]), 1.0);  // partial pivoting
        }
        M p = product(l, u);
        EXPECT_LT(max_diff(p, pa), 1e-12 * n);
        EXPECT_TRUE(sign == 1 || sign == -1);
        // The pair alone (the transposed reading at large orders) agrees.
        M b = a;
        double ld2 = 0;
        int s2 = 0;
        ASSERT_EQ(lup_logdet(b.rows(), n, nullptr, &ld2, &s2), 0);
        EXPECT_NEAR(ld2, logdet, 1e-10 * n);
        EXPECT_EQ(s2, sign);
    }
}

TEST(LinalgLu, ExactDeterminantAndFirstMaximumPivot) {
    // det = 2(27-21) - (36-24) + (28-24) = 4; pivots: row 2 (8), then row 2 again.
    M a = from(3, 3, {2, 1, 1, 4, 3, 3, 8, 7, 9});
    std::vector<int> piv(3);
    double logdet = 0;
    int sign = 0;
    ASSERT_EQ(lup_decompose(a.rows(), 3, piv.data(), &logdet, &sign, nullptr), 0);
    EXPECT_EQ(piv, (std::vector<int>{2, 2, 2}));
    EXPECT_NEAR(logdet, std::log(4.0), 1e-14);
    EXPECT_EQ(sign, 1);
    // Equal candidates: the first one stays the pivot.
    M b = from(2, 2, {-3, 1, 3, 2});
    ASSERT_EQ(lup_decompose(b.rows(), 2, piv.data(), &logdet, &sign, nullptr), 0);
    EXPECT_EQ(piv[0], 0);
    EXPECT_NEAR(logdet, std::log(9.0), 1e-14);  // det = -6 - 3 = -9
    EXPECT_EQ(sign, -1);
}

TEST(LinalgLu, SingularPivotsAndSignCodes) {
    M s = from(3, 3, {1, 2, 3, 2, 4, 6, 1, 0, 1});
    std::vector<int> piv(3, -1);
    double logdet = 5;
    int sign = 5;
    // Step 0 takes row 1 (2); step 1 finds the pivot 2 in row 2; step 2 is singular.
    EXPECT_EQ(lup_decompose(s.rows(), 3, piv.data(), &logdet, &sign, nullptr), 3);
    EXPECT_EQ(piv[2], 2);
    EXPECT_EQ(s[2][2], 0.0);
    EXPECT_EQ(sign, 0);
    // The first step already singular: an identity tail from there on.
    M z = from(2, 2, {0, 0, 0, 1});
    EXPECT_EQ(lup_decompose(z.rows(), 2, piv.data(), nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(piv[0], 0);
    EXPECT_EQ(piv[1], 1);
    EXPECT_EQ(z[0][0], 0.0);
    EXPECT_EQ(z[1][1], 0.0);

    // +-2: the smallest pivot (1e-10) is above eps but below eps x |A|inf.
    for (double lead : {1e3, -1e3}) {
        M a = from(2, 2, {lead, 0, 0, 1e-10});
        ASSERT_EQ(lup_decompose(a.rows(), 2, piv.data(), &logdet, &sign, nullptr), 0);
        EXPECT_EQ(sign, lead > 0 ? 2 : -2);
        EXPECT_NEAR(logdet, std::log(1e3 * 1e-10), 1e-12);
    }
    // An exactly zero pivot in the pair: logdet 1.0 and sign 0.
    const double diag[] = {2.0, 0.0, 3.0};
    lu_logdet(diag, 1, 3, 0, 0.0, &logdet, &sign);
    EXPECT_EQ(logdet, 1.0);
    EXPECT_EQ(sign, 0);
}

TEST(LinalgLu, SolvesWithSeparateAndCombinedFactors) {
    M a = gen(6, 6);
    for (int i = 0; i < 6; ++i) a[i][i] += 2;
    M lu = a;
    std::vector<int> piv(6);
    ASSERT_EQ(lup_decompose(lu.rows(), 6, piv.data(), nullptr, nullptr, nullptr), 0);
    std::vector<double> x0{1, -2, 3, 0.5, 4, -1}, b(6, 0.0);
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 6; ++j) b[i] += a[i][j] * x0[j];
    std::vector<double> x = b;
    lup_solve_combined(lu.rows(), piv.data(), x.data(), 6);
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(x[i], x0[i], 1e-12);
    M l(6, 6), u(6, 6);
    for (int i = 0; i < 6; ++i) {
        for (int j = 0; j < i; ++j) l[i][j] = lu[i][j];
        l[i][i] = 1;
        for (int j = i; j < 6; ++j) u[i][j] = lu[i][j];
    }
    x = b;
    lup_solve(l.rows(), u.rows(), piv.data(), x.data(), 6);
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(x[i], x0[i], 1e-12);
    // A zero diagonal element gives 0 for its component instead of a division.
    M u2 = from(2, 2, {2, 1, 0, 0});
    std::vector<double> y{4, 7};
    lup_solve(nullptr, u2.rows(), nullptr, y.data(), 2);
    EXPECT_EQ(y[1], 0.0);
    EXPECT_EQ(y[0], 2.0);
}

TEST(LinalgInvert, InverseTimesMatrixIsIdentity) {
    for (int n : k_orders) {
        SCOPED_TRACE(n);
        M a = gen(n, n);
        for (int i = 0; i < n; ++i) a[i][i] += 2;
        M x = a;
        double logdet = 0;
        int sign = 0;
        ASSERT_EQ(invert(x.rows(), n, &logdet, &sign), 0);
        M p = product(a, x);
        EXPECT_LT(max_off_identity(p), 1e-11);
        // The pair agrees with the LU decomposition.
        M lu = a;
        std::vector<int> piv(n);
        double ld2 = 0;
        int s2 = 0;
        ASSERT_EQ(lup_decompose(lu.rows(), n, piv.data(), &ld2, &s2, nullptr), 0);
        EXPECT_NEAR(logdet, ld2, 1e-10 * n);
        EXPECT_EQ(sign, s2);
    }
}

TEST(LinalgInvert, ExactHilbertInverseAndFailures) {
    M h = from(3, 3, {1, 1.0 / 2, 1.0 / 3, 1.0 / 2, 1.0 / 3, 1.0 / 4, 1.0 / 3, 1.0 / 4, 1.0 / 5});
    ASSERT_EQ(invert(h.rows(), 3), 0);
    const double want[] = {9, -36, 30, -36, 192, -180, 30, -180, 180};
    for (int k = 0; k < 9; ++k) EXPECT_NEAR(h.data()[k], want[k], 1e-10);

    // A pivot of 1e-14 is below the default eps; a smaller eps accepts it.
    M t = from(2, 2, {1e-14, 0, 0, 1});
    EXPECT_EQ(invert(t.rows(), 2), 1);
    EXPECT_EQ(t[0][0], 1e-14);  // unchanged on failure
    set_invert_eps(1e-16);
    EXPECT_EQ(invert(t.rows(), 2), 0);
    EXPECT_NEAR(t[0][0], 1e14, 1);
    set_invert_eps(-1);  // ignored
    EXPECT_EQ(invert_eps(), 1e-16);
    set_invert_eps(k_default_invert_eps);

    // Singular at a large order (the LAPACK path): two equal rows.
    M s = gen(100, 100);
    std::copy(s[3], s[3] + 100, s[7]);
    EXPECT_EQ(invert(s.rows(), 100), 1);
}

TEST(LinalgInvert, EpsNormIsTheLargestRowSum) {
    M a = from(2, 2, {1, -2, 3, 0.5});
    EXPECT_DOUBLE_EQ(invert_eps_norm(a.rows(), 2), 3.5 * k_default_invert_eps);
    EXPECT_EQ(invert_eps_norm(a.rows(), 0), 0.0);
}

TEST(LinalgCholeski, LowerTimesTransposeIsTheMatrix) {
    for (int n : k_orders) {
        SCOPED_TRACE(n);
        M a = spd(n), l = a;
        for (int i = 0; i < n; ++i)
            for (int j = i + 1; j < n; ++j) l[i][j] = 99;  // the upper triangle is not read
        ASSERT_TRUE(choleski(l.rows(), n));
        for (int i = 0; i < n; ++i) {
            EXPECT_GT(l[i][i], 0);
            for (int j = i + 1; j < n; ++j) ASSERT_EQ(l[i][j], 0.0);
        }
        M p = product(l, l, false, true);
        EXPECT_LT(max_diff(p, a), 1e-11 * n);
    }
    // 4 2; 2 3 -> L = 2 0; 1 sqrt(2).
    M e = from(2, 2, {4, 2, 2, 3});
    ASSERT_TRUE(choleski(e.rows(), 2));
    EXPECT_EQ(e[0][0], 2.0);
    EXPECT_EQ(e[1][0], 1.0);
    EXPECT_NEAR(e[1][1], std::sqrt(2.0), 1e-15);
    for (int n : {3, 100}) {
        M bad = spd(n);
        bad[n - 1][n - 1] = -1;
        EXPECT_FALSE(choleski(bad.rows(), n)) << n;
    }
}

TEST(LinalgLdl, FactorsSolveAndSymmetricInverse) {
    for (int n : k_orders) {
        SCOPED_TRACE(n);
        M a = spd(n), l = a;
        std::vector<double> dinv(n);
        ASSERT_EQ(ldl_decompose(l.rows(), dinv.data(), n), Ldl_Ok);
        M ld(n, n);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j <= i; ++j) ld[i][j] = l[i][j] / dinv[j];
        M lt(n, n);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j <= i; ++j) lt[i][j] = l[i][j];
        M p = product(ld, lt, false, true);
        EXPECT_LT(max_diff(p, a), 1e-11 * n);

        M x = a;
        double logdet = 0;
        ASSERT_EQ(invertsym(x.rows(), n, &logdet), 0);
        M q = product(a, x);
        EXPECT_LT(max_off_identity(q), 1e-11);
        double sum = 0;
        for (double d : dinv) sum -= std::log(d);
        EXPECT_NEAR(logdet, sum, 1e-9 * n);
    }
    // Exact: 4 2; 2 3 -> D = 4, 2; L(1,0) = 0.5; ln det = ln 8.
    M e = from(2, 2, {4, 2, 2, 3});
    std::vector<double> dinv(2);
    ASSERT_EQ(ldl_decompose(e.rows(), dinv.data(), 2), Ldl_Ok);
    EXPECT_EQ(dinv[0], 0.25);
    EXPECT_EQ(dinv[1], 0.5);
    EXPECT_EQ(e[1][0], 0.5);
    std::vector<double> b{1, 1};
    ldl_solve(e.rows(), dinv.data(), b.data(), 2);
    EXPECT_NEAR(b[0], 0.125, 1e-15);
    EXPECT_NEAR(b[1], 0.25, 1e-15);
    // A small pivot: code 1, the largest double as its reciprocal, both sizes.
    M s = from(2, 2, {1, 1, 1, 1});
    EXPECT_EQ(ldl_decompose(s.rows(), dinv.data(), 2), Ldl_SmallPivot);
    EXPECT_EQ(dinv[1], 1.7976931348623157e308);
    M s100 = spd(100);
    for (int j = 0; j < 100; ++j) s100[99][j] = s100[j][99] = s100[98][j];
    s100[99][99] = s100[98][98];
    EXPECT_EQ(invertsym(s100.rows(), 100), Ldl_SmallPivot);
}

TEST(LinalgLdl, BandFactorsAgreeWithDenseSolve) {
    // Order 6, bandwidth 2: 6 on the diagonal, -2 and 1 beside it.
    const int n = 6, p = 2;
    M band(p + 1, n), dense(n, n);
    for (int j = 0; j < n; ++j) {
        band[2][j] = 6;
        dense[j][j] = 6;
        if (j >= 1) band[1][j] = dense[j][j - 1] = dense[j - 1][j] = -2;
        if (j >= 2) band[0][j] = dense[j][j - 2] = dense[j - 2][j] = 1;
    }
    std::vector<double> dinv(n), x{1, 2, 3, 4, 5, 6};
    ASSERT_EQ(ldl_band_decompose(band.rows(), dinv.data(), n, p), Ldl_Ok);
    for (int j = 0; j < n; ++j) EXPECT_EQ(band[2][j], 1.0);
    ldl_band_solve(band.rows(), dinv.data(), x.data(), n, p);
    for (int i = 0; i < n; ++i) {
        double s = 0;
        for (int j = 0; j < n; ++j) s += dense[i][j] * x[j];
        EXPECT_NEAR(s, i + 1.0, 1e-12);
    }
}

TEST(LinalgEigensym, EigenpairsDecreasingAndOrthonormal) {
    for (int n : {1, 2, 5, 32, 33, 100}) {
        SCOPED_TRACE(n);
        M a = gen(n, n);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < i; ++j) a[j][i] = a[i][j];
        M v = a;
        std::vector<double> lambda(n);
        ASSERT_EQ(eigensym(v.rows(), n, lambda.data(), 1), 0);
        for (int k = 1; k < n; ++k) EXPECT_GE(lambda[k - 1], lambda[k]);
        for (int k = 0; k < n; ++k)
            for (int i = 0; i < n; ++i) {
                double s = 0;
                for (int j = 0; j < n; ++j) s += a[i][j] * v[k][j];
                ASSERT_NEAR(s, lambda[k] * v[k][i], 1e-11 * n);
            }
        M g = product(v, v, false, true);
        EXPECT_LT(max_off_identity(g), 1e-12 * n);
        // The own method at every order agrees on the values.
        M w = a;
        std::vector<double> mu(n);
        ASSERT_EQ(eigensym_ql(w.rows(), n, mu.data(), 0), 0);
        for (int k = 0; k < n; ++k) EXPECT_NEAR(mu[k], lambda[k], 1e-11 * n);
    }
    // 2 0 0; 0 3 4; 0 4 9 has eigenvalues 11, 2, 1.
    M e = from(3, 3, {2, 0, 0, 0, 3, 4, 0, 4, 9});
    std::vector<double> lambda(3);
    ASSERT_EQ(eigensym(e.rows(), 3, lambda.data(), 1), 0);
    EXPECT_NEAR(lambda[0], 11, 1e-13);
    EXPECT_NEAR(lambda[1], 2, 1e-13);
    EXPECT_NEAR(lambda[2], 1, 1e-13);
    EXPECT_NEAR(std::fabs(e[1][0]), 1, 1e-13);  // the vector of 2 is the first unit vector
}

TEST(LinalgEigensym, GeneralizedProblem) {
    const int n = 4;
    M a = gen(n, n), b = spd(n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < i; ++j) a[j][i] = a[i][j];
    M x = a, bl = b;
    std::vector<double> lambda(n);
    ASSERT_EQ(eigensym_generalized(x.rows(), bl.rows(), n, lambda.data()), 0);
    for (int k = 0; k < n; ++k) {
        if (k) {
            EXPECT_GE(lambda[k - 1], lambda[k]);
        }
        for (int i = 0; i < n; ++i) {
            double ax = 0, bx = 0;
            for (int j = 0; j < n; ++j) {
                ax += a[i][j] * x[k][j];
                bx += b[i][j] * x[k][j];
            }
            EXPECT_NEAR(ax, lambda[k] * bx, 1e-12);
        }
    }
    M bx = product(b, x, false, true), xbx = product(x, bx);
    EXPECT_LT(max_off_identity(xbx), 1e-12);
}

void check_svd(M& a) {
    const int r = a.r(), c = a.c();
    M u(r, c), v(c, c);
    std::vector<double> w(c);
    ASSERT_EQ(decsvd(a.rows(), r, c, w.data(), u.rows(), v.rows()), 0);
    M us(r, c);
    for (int i = 0; i < r; ++i)
        for (int j = 0; j < c; ++j) us[i][j] = u[i][j] * w[j];
    M back = product(us, v, false, true);
    EXPECT_LT(max_diff(back, a), 1e-12 * (r + c));
    M utu = product(u, u, true), vtv = product(v, v, true);
    EXPECT_LT(max_off_identity(utu), 1e-12 * r);
    EXPECT_LT(max_off_identity(vtv), 1e-12 * c);
    for (int k = 1; k < c; ++k) EXPECT_GE(w[k - 1], w[k]);
}

TEST(LinalgSvd, FactorsRebuildTheMatrix) {
    std::vector<double> w3(3);
    const int shapes[][2] = {{1, 1}, {5, 3}, {5, 5}, {40, 16}, {40, 17}, {120, 80}};
    for (auto& s : shapes) {
        SCOPED_TRACE(std::to_string(s[0]) + "x" + std::to_string(s[1]));
        M a = gen(s[0], s[1]);
        check_svd(a);
    }
    // Rank one and zero columns: U stays orthonormal.
    M one(6, 4);
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 4; ++j) one[i][j] = (i + 1.0) * (j + 1.0);
    check_svd(one);
    M zero(3, 3);
    check_svd(zero);
    // Rank two (the second row is twice the first): the rotations leave a
    // column of rounding noise that must not keep the sweeps going. Singular
    // values computed with NumPy: 8.435448515787048, 0.9182637624920782, 0.
    M rank2 = from(3, 3, {1, 2, 3, 2, 4, 6, 1, 0, 1});
    check_svd(rank2);
    ASSERT_EQ(decsvd(rank2.rows(), 3, 3, w3.data(), nullptr, nullptr), 0);
    EXPECT_NEAR(w3[0], 8.435448515787048, 1e-13);
    EXPECT_NEAR(w3[1], 0.9182637624920782, 1e-13);
    EXPECT_NEAR(w3[2], 0.0, 1e-14);
    // 3 0; 4 5: singular values sqrt(45) and sqrt(5).
    M e = from(2, 2, {3, 0, 4, 5});
    std::vector<double> w(2);
    ASSERT_EQ(decsvd(e.rows(), 2, 2, w.data(), nullptr, nullptr), 0);
    EXPECT_NEAR(w[0], std::sqrt(45.0), 1e-14);
    EXPECT_NEAR(w[1], std::sqrt(5.0), 1e-14);
    M wide(2, 3);
    EXPECT_NE(decsvd(wide.rows(), 2, 3, w.data(), nullptr, nullptr), 0);
}

TEST(LinalgQr, PivotedColumnsEqualQTimesR) {
    const int shapes[][2] = {{6, 4}, {4, 6}, {50, 10}};
    for (auto& s : shapes) {
        const int r = s[0], c = s[1], k = std::min(r, c);
        SCOPED_TRACE(std::to_string(r) + "x" + std::to_string(c));
        M x = gen(r, c), xt(c, r);
        for (int i = 0; i < r; ++i)
            for (int j = 0; j < c; ++j) xt[j][i] = x[i][j];
        std::vector<double> rdiag(c);
        std::vector<int> piv(c);
        ASSERT_EQ(decqr(xt.rows(), c, r, rdiag.data(), piv.data()), 0);
        for (int j = 1; j < k; ++j) EXPECT_GE(std::fabs(rdiag[j - 1]), std::fabs(rdiag[j]));
        // Column j of Q R equals column piv[j] of x.
        for (int j = 0; j < c; ++j) {
            std::vector<double> col(r, 0.0);
            for (int i = 0; i <= std::min(j, k - 1); ++i) col[i] = j < k ? qr_r(xt.rows(), rdiag.data(), i, j) : xt[j][i];
            qr_apply_q(xt.rows(), k, r, col.data());
            for (int i = 0; i < r; ++i) EXPECT_NEAR(col[i], x[i][piv[j]], 1e-12);
        }
        // Q' undoes Q.
        std::vector<double> y(r);
        std::iota(y.begin(), y.end(), 1.0);
        std::vector<double> z = y;
        qr_apply_q(xt.rows(), k, r, z.data());
        qr_apply_qt(xt.rows(), k, r, z.data());
        for (int i = 0; i < r; ++i) EXPECT_NEAR(z[i], y[i], 1e-12);
    }
}

TEST(LinalgOls, NormalEquationsHoldAndRankIsReported) {
    const int t = 40, k = 4, n = 2;
    M x = gen(t, k), xt(k, t), yt(n, t);
    for (int i = 0; i < t; ++i) {
        for (int j = 0; j < k; ++j) xt[j][i] = x[i][j];
        yt[0][i] = std::sin(i + 1.0);
        yt[1][i] = x[i][0] - 2 * x[i][3] + 0.01 * std::cos(i * 1.0);
    }
    M b(n, k), inv(k, k), xtx(k, k), b2(n, k), inv2(k, k);
    ASSERT_EQ(ols_qr(xt.rows(), k, t, yt.rows(), n, b.rows(), inv.rows(), xtx.rows()), k);
    ASSERT_EQ(ols_normal(xt.rows(), k, t, yt.rows(), n, b2.rows(), inv2.rows(), nullptr), k);
    for (int s = 0; s < n; ++s)
        for (int j = 0; j < k; ++j) {
            double g = 0;  // X'(y - X b) = 0
            for (int i = 0; i < t; ++i) {
                double fit = 0;
                for (int m = 0; m < k; ++m) fit += x[i][m] * b[s][m];
                g += x[i][j] * (yt[s][i] - fit);
            }
            EXPECT_NEAR(g, 0, 1e-12);
            EXPECT_NEAR(b[s][j], b2[s][j], 1e-10);
        }
    M p = product(xtx, inv);
    EXPECT_LT(max_off_identity(p), 1e-11);
    EXPECT_LT(max_diff(inv, inv2), 1e-10);

    // A repeated regressor: rank 3 of 4, the dependent coefficient 0.
    for (int i = 0; i < t; ++i) xt[2][i] = xt[1][i];
    EXPECT_EQ(ols_qr(xt.rows(), k, t, yt.rows(), n, b.rows(), nullptr, nullptr), -3);
    EXPECT_TRUE(b[0][1] == 0 || b[0][2] == 0);
    EXPECT_EQ(ols_normal(xt.rows(), k, t, yt.rows(), n, b.rows(), nullptr, nullptr), 0);
}

TEST(LinalgRank, RankNullSpaceAndGeneralizedInverse) {
    M ones(3, 3);
    for (int k = 0; k < 9; ++k) ones.data()[k] = 1;
    EXPECT_EQ(matrix_rank(ones.rows(), 3, 3, 10 * invert_eps(), false), 1);
    EXPECT_EQ(matrix_rank(ones.rows(), 3, 3, 2.9, true), 1);  // singular value 3
    EXPECT_EQ(matrix_rank(ones.rows(), 3, 3, 3.1, true), 0);
    M g = gen(7, 4);
    EXPECT_EQ(matrix_rank(g.rows(), 7, 4, 10 * invert_eps(), false), 4);
    EXPECT_EQ(matrix_rank(g.rows(), 4, 7, 10 * invert_eps(), false), 4);  // the first 4 rows, 4 x 7

    // Tall 5 x 3 of rank 2: the complement of the column space has 3 columns.
    M a = gen(5, 3);
    for (int i = 0; i < 5; ++i) a[i][2] = a[i][0] + a[i][1];
    M ns;
    ASSERT_EQ(null_space(a.rows(), 5, 3, ns), 3);
    M nta = product(ns, a, true), zero33(3, 3);
    EXPECT_LT(max_diff(nta, zero33), 1e-12);
    M ntn = product(ns, ns, true);
    EXPECT_LT(max_off_identity(ntn), 1e-12);
    // Wide 2 x 4 of rank 2: a n = 0 with 2 columns.
    M w = gen(2, 4);
    ASSERT_EQ(null_space(w.rows(), 2, 4, ns), 2);
    M wn = product(w, ns);
    M zero(2, 2);
    EXPECT_LT(max_diff(wn, zero), 1e-12);

    // Moore-Penrose: A A+ A = A and A+ A A+ = A+ for the rank-2 block.
    M pinv(3, 5);
    ASSERT_NE(generalized_inverse(a.rows(), 5, 3, pinv.rows()), 0);
    M apa = product(a, pinv), apa2 = product(apa, a);
    EXPECT_LT(max_diff(apa2, a), 1e-12);
    M pap = product(pinv, a), pap2 = product(pap, pinv);
    EXPECT_LT(max_diff(pap2, pinv), 1e-12);
    // Symmetric p.s.d.: the outer product of (1, 2) has pseudo-inverse A / 25.
    M s = from(2, 2, {1, 2, 2, 4}), sp(2, 2);
    ASSERT_NE(generalized_inverse_sym(s.rows(), 2, sp.rows()), 0);
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(sp.data()[k], s.data()[k] / 25, 1e-15);
}

int g_invert_calls = 0;
int counting_invert(double** a, int n, double* logdet, int* sign) {
    ++g_invert_calls;
    return invert_default(a, n, logdet, sign);
}

TEST(LinalgKernels, SlotsAreReplacedByNameAndNullRestores) {
    EXPECT_TRUE(set_kernel("KjKnlInvert", reinterpret_cast<void*>(counting_invert)));
    M a = from(1, 1, {4});
    EXPECT_EQ(invert(a.rows(), 1), 0);
    EXPECT_EQ(g_invert_calls, 1);
    EXPECT_EQ(a[0][0], 0.25);
    EXPECT_TRUE(set_kernel("KjKnlInvert", nullptr));
    EXPECT_EQ(kernels().invert, default_kernels().invert);
    EXPECT_FALSE(set_kernel("KjKnlUnknown", nullptr));
    for (int k = 0; k < k_kernel_count; ++k) EXPECT_NE(kernel(kernel_name(k)), nullptr) << k;
    EXPECT_EQ(kernel("KjKnlMatmul"), reinterpret_cast<void*>(default_kernels().matmul));
}

}  // namespace
}  // namespace kj::num
