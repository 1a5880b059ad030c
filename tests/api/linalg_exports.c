/* The general eigenproblem, polynomial roots, the QR variants and least
 * squares from a factorisation, through the C interface only, each checked by
 * its defining property: A v = lambda v, p(root) = 0, Q R = X[][pivots] and
 * the normal equations X'(y - X b) = 0. */
#include <math.h>
#include <stdio.h>
#include <string.h>

#include <kj80x.h>

#include "check.h"

static void fill(double **m, int r, int c, const double *v) {
    for (int i = 0; i < r; ++i)
        for (int j = 0; j < c; ++j) m[i][j] = v[i * c + j];
}

/* Largest |(A - lambda) v| over the components, v = x + i y a row (pair). */
static double eigen_residual(double **a, int n, double re, double im, const double *x, const double *y) {
    double worst = 0;
    for (int i = 0; i < n; ++i) {
        double ax = 0, ay = 0;
        for (int j = 0; j < n; ++j) {
            ax += a[i][j] * x[j];
            ay += a[i][j] * (y ? y[j] : 0);
        }
        const double yi = y ? y[i] : 0;
        const double rr = ax - (re * x[i] - im * yi), ri = ay - (im * x[i] + re * yi);
        if (fabs(rr) > worst) worst = fabs(rr);
        if (fabs(ri) > worst) worst = fabs(ri);
    }
    return worst;
}

/* A 4 x 4 matrix with the real eigenvalues 2, -1 and the pair 1 +- 2i. */
static void general_eigenproblem(void) {
    const double values[16] = {1, -2, 0.5, 3, 2, 1, -1, 0.25, 0, 0, 2, 1, 0, 0, 0, -1};
    double **a = MatAllocBlock(4, 4), **v = MatAllocBlock(4, 4);
    double re[4], im[4];
    fill(a, 4, 4, values);
    CHECK(IEigValReal(a, 4, re, im) == 0);
    CHECK(memcmp(a[0], values, sizeof values) == 0); /* A is only read */
    double sum = 0, imag = 0;
    int pair = -1;
    for (int k = 0; k < 4; ++k) {
        sum += re[k];
        imag += im[k];
        if (im[k] > 0) pair = k;
    }
    CHECK_NEAR(sum, 3.0, 1e-12); /* the trace */
    CHECK_NEAR(imag, 0.0, 1e-12);
    CHECK(pair >= 0 && pair < 3 && im[pair + 1] == -im[pair]); /* positive part first */
    CHECK_NEAR(re[pair], 1.0, 1e-12);
    CHECK_NEAR(im[pair], 2.0, 1e-12);

    fill(v, 4, 4, values);
    CHECK(IEigVecReal(v, 4, re, im) == 0);
    for (int k = 0; k < 4; ++k) {
        const int complex_pair = im[k] != 0;
        CHECK(eigen_residual(a, 4, re[k], im[k], v[k], complex_pair ? v[k + 1] : NULL) < 1e-12);
        double norm = 0;
        for (int i = 0; i < 4; ++i) norm += v[k][i] * v[k][i] + (complex_pair ? v[k + 1][i] * v[k + 1][i] : 0);
        CHECK_NEAR(norm, 1.0, 1e-12);
        if (complex_pair) ++k;
    }

    /* After the division the largest element is exactly 1 and no other is larger. */
    EigVecDiv(v, 4, im);
    for (int k = 0; k < 4; ++k) {
        const int complex_pair = im[k] != 0;
        CHECK(eigen_residual(a, 4, re[k], im[k], v[k], complex_pair ? v[k + 1] : NULL) < 1e-12);
        int ones = 0;
        for (int i = 0; i < 4; ++i) {
            const double m = complex_pair ? hypot(v[k][i], v[k + 1][i]) : fabs(v[k][i]);
            CHECK(m <= 1 + 1e-15);
            if (v[k][i] == 1 && (!complex_pair || v[k + 1][i] == 0)) ++ones;
        }
        CHECK(ones >= 1);
        if (complex_pair) ++k;
    }

    CHECK(IEigValReal(a, -1, re, im) == 2);
    CHECK(IEigVecReal(NULL, 2, re, im) == 2);
    a[1][1] = NAN;
    CHECK(IEigValReal(a, 4, re, im) == 1);
    MatFreeBlock(a);
    MatFreeBlock(v);
}

static void polynomial_roots(void) {
    double re[4], im[4];
    /* (x - 1)(x - 2)(x + 3) = x^3 - 7x + 6, found in any order. */
    const double cubic[4] = {1, 0, -7, 6};
    CHECK(IEigValPoly(cubic, 3, re, im) == 3);
    double product = 1, sum = 0;
    for (int k = 0; k < 3; ++k) {
        CHECK_NEAR(im[k], 0.0, 1e-12);
        CHECK_NEAR(((re[k] + 0) * re[k] - 7) * re[k] + 6, 0.0, 1e-11);
        product *= re[k];
        sum += re[k];
    }
    CHECK_NEAR(product, -6.0, 1e-11);
    CHECK_NEAR(sum, 0.0, 1e-11);
    /* 2x^2 + 2 with a leading zero: a quadratic with the roots +-i. */
    const double quadratic[4] = {0, 2, 0, 2};
    CHECK(IEigValPoly(quadratic, 3, re, im) == 2);
    CHECK_NEAR(re[0], 0.0, 1e-14);
    CHECK_NEAR(fabs(im[0]), 1.0, 1e-14);
    CHECK(im[1] == -im[0]);
    const double constant[2] = {0, 5};
    CHECK(IEigValPoly(constant, 1, re, im) == 0);
    const double broken[3] = {1, NAN, 1};
    CHECK(IEigValPoly(broken, 2, re, im) == -2);
    CHECK(IEigValPoly(cubic, -1, re, im) == -2);
}

/* X is 6 x 3, stored transposed (3 x 6); column 2 = column 0 + column 1 in
 * the reduced-rank case. */
static const double k_xt[18] = {1, 1, 1, 1, 1, 1, 0.5, -1, 2, 0.25, 3, -2, 1.5, 0, 3, 1.25, 4, -1};
static const double k_xt_full[18] = {1, 1, 1, 1, 1, 1, 0.5, -1, 2, 0.25, 3, -2, 9, 0, -4, 2, 1, 7};
static const double k_y[6] = {2, -1, 4, 0.5, 3, 1};

/* Largest |X[][pivots] - Q R| with Q R rebuilt column by column. */
static double qr_residual(double **f, const double *rdiag, const int *pivots, const double *xt, int c, int r) {
    double worst = 0, col[6];
    const int k = c < r ? c : r;
    for (int j = 0; j < c; ++j) {
        for (int i = 0; i < r; ++i) col[i] = 0;
        for (int i = 0; i < j && i < k; ++i) col[i] = f[j][i];
        if (j < k) col[j] = rdiag[j];
        DecQRtMult(f, k, r, col);
        for (int i = 0; i < r; ++i) {
            const double d = fabs(col[i] - xt[pivots[j] * r + i]);
            if (d > worst) worst = d;
        }
    }
    return worst;
}

static void qr_variants(void) {
    double **f = MatAllocBlock(3, 6);
    double rdiag[3];
    int pivots[3];
    fill(f, 3, 6, k_xt_full);
    CHECK(IDecQRtEx(f, 3, 6, rdiag, pivots, 0) == 0);
    CHECK(pivots[0] == 2); /* the column of largest norm comes first */
    CHECK(qr_residual(f, rdiag, pivots, k_xt_full, 3, 6) < 1e-12);

    fill(f, 3, 6, k_xt_full);
    CHECK(IDecQRtEx(f, 3, 6, rdiag, pivots, 1) == 0);
    CHECK(pivots[0] == 0 && pivots[1] == 2 && pivots[2] == 1);
    CHECK(qr_residual(f, rdiag, pivots, k_xt_full, 3, 6) < 1e-12);
    CHECK_NEAR(fabs(rdiag[0]), sqrt(6.0), 1e-14);

    fill(f, 3, 6, k_xt_full);
    CHECK(IDecQRtRank(f, 3, 6, rdiag, pivots, 0) == 3);
    fill(f, 3, 6, k_xt);
    CHECK(IDecQRtRank(f, 3, 6, rdiag, pivots, 0) == 2);
    CHECK(qr_residual(f, rdiag, pivots, k_xt, 3, 6) < 1e-12);
    fill(f, 3, 6, k_xt_full);
    CHECK(IDecQRtRank(f, 3, 6, rdiag, pivots, 0.99) == 1); /* a tolerance near 1 keeps only the first */
    CHECK(IDecQRtRank(f, 3, 6, rdiag, NULL, 0) == -1);
    CHECK(IDecQRtEx(f, 3, 6, rdiag, pivots, -1) == 2);
    MatFreeBlock(f);
}

/* X'(y - X b) for the 6 x 3 design. */
static double normal_equation_residual(const double *xt, const double *b) {
    double e[6], worst = 0;
    for (int i = 0; i < 6; ++i) {
        e[i] = k_y[i];
        for (int j = 0; j < 3; ++j) e[i] -= xt[j * 6 + i] * b[j];
    }
    for (int j = 0; j < 3; ++j) {
        double s = 0;
        for (int i = 0; i < 6; ++i) s += xt[j * 6 + i] * e[i];
        if (fabs(s) > worst) worst = fabs(s);
    }
    return worst;
}

static void least_squares_from_factors(void) {
    double **f = MatAllocBlock(3, 6), **yt = MatAllocBlock(1, 6), **b = MatAllocBlock(1, 3);
    double **inv = MatAllocBlock(3, 3), **x = MatAllocBlock(3, 6), **b2 = MatAllocBlock(1, 3);
    double rdiag[3];
    int pivots[3];
    fill(yt, 1, 6, k_y);

    fill(f, 3, 6, k_xt_full);
    fill(x, 3, 6, k_xt_full);
    const int rank = IDecQRtRank(f, 3, 6, rdiag, pivots, 0);
    OlsQRacc(f, rdiag, pivots, 3, 6, rank, yt, 1, b, inv);
    CHECK(normal_equation_residual(k_xt_full, b[0]) < 1e-12);
    CHECK(IOlsQR(x, 3, 6, yt, 1, b2, NULL, NULL) == 3);
    for (int j = 0; j < 3; ++j) CHECK_NEAR(b[0][j], b2[0][j], 1e-12);
    /* inv (X'X) = I */
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double s = 0;
            for (int m = 0; m < 3; ++m) {
                double xtx = 0;
                for (int t = 0; t < 6; ++t) xtx += k_xt_full[m * 6 + t] * k_xt_full[j * 6 + t];
                s += inv[i][m] * xtx;
            }
            CHECK_NEAR(s, i == j ? 1.0 : 0.0, 1e-12);
        }

    /* Without pivoting the columns stay in place; the same coefficients. */
    fill(f, 3, 6, k_xt_full);
    CHECK(IDecQRt(f, 3, 6, rdiag, NULL) == 0);
    OlsQRacc(f, rdiag, NULL, 3, 6, 3, yt, 1, b, NULL);
    for (int j = 0; j < 3; ++j) CHECK_NEAR(b[0][j], b2[0][j], 1e-12);

    /* Reduced rank: the dependent column gets 0 and the fit is still a solution. */
    fill(f, 3, 6, k_xt);
    const int reduced = IDecQRtRank(f, 3, 6, rdiag, pivots, 0);
    CHECK(reduced == 2);
    OlsQRacc(f, rdiag, pivots, 3, 6, reduced, yt, 1, b, inv);
    CHECK(b[0][pivots[2]] == 0);
    CHECK(inv[pivots[2]][pivots[2]] == 0);
    CHECK(normal_equation_residual(k_xt, b[0]) < 1e-12);
    OlsQRacc(NULL, rdiag, pivots, 3, 6, 3, yt, 1, b, NULL); /* ignored */

    MatFreeBlock(f);
    MatFreeBlock(yt);
    MatFreeBlock(b);
    MatFreeBlock(b2);
    MatFreeBlock(inv);
    MatFreeBlock(x);
}

int main(void) {
    CHECK(KjMainInit() == 1);
    general_eigenproblem();
    polynomial_roots();
    qr_variants();
    least_squares_from_factors();
    KjMainExit();
    if (failures) fprintf(stderr, "%d checks failed\n", failures);
    return failures ? 1 : 0;
}
