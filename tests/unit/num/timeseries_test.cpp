// Autocorrelations, spectra and Fourier transforms against values computed
// independently (NumPy/SciPy, or by hand), through the exported routines.
#include <gtest/gtest.h>

#include <kj80x.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "support/complex_series.h"

namespace {

const double k_nan = std::nan("");

void expect_close(const std::vector<double>& got, const std::vector<double>& want, double tol) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t k = 0; k < want.size(); ++k) EXPECT_NEAR(got[k], want[k], tol) << "entry " << k;
}

TEST(Autocorrelation, SeriesWithAndWithoutMissingValues) {
    const std::vector<double> x = {2, 4, 3, 7, 5, 6, 1, 8};
    std::vector<double> r(4);
    EXPECT_EQ(IGetAcf(x.data(), 8, 3, r.data(), 0), 8);
    expect_close(r, {1.0, -0.4107142857142857, 0.21428571428571427, -0.375}, 1e-15);
    EXPECT_EQ(IGetAcf(x.data(), 8, 3, r.data(), 1), 8);
    EXPECT_NEAR(r[0], 5.25, 1e-15);

    // A NaN in the middle: its pairs drop out, the divisor stays the full S0.
    std::vector<double> xn = x;
    xn[3] = k_nan;
    EXPECT_EQ(IGetAcf(xn.data(), 8, 3, r.data(), 0), 7);
    expect_close(r, {1.0, -0.45608899297423894, 0.17037470725995316, 0.030444964871194326}, 1e-15);
    EXPECT_EQ(IGetAcf(xn.data(), 8, 0, r.data(), 1), 7);
    EXPECT_NEAR(r[0], 4.979591836734693, 1e-14);

    // Too many lags: refused, result untouched.
    r.assign(4, -9);
    EXPECT_EQ(IGetAcf(x.data(), 3, 3, r.data(), 0), 0);
    EXPECT_EQ(r[0], -9);
    EXPECT_EQ(FGetAcf(x.data(), 8, 2, r.data()), 1);
}

TEST(Autocorrelation, ConstantSeriesAndColumns) {
    const double c[5] = {3, 3, 3, 3, 3};
    double r[3] = {-1, -1, -1};
    EXPECT_EQ(IGetAcf(c, 5, 2, r, 0), 5);
    EXPECT_EQ(r[0], 1);
    EXPECT_EQ(r[1], 0);
    EXPECT_EQ(r[2], 0);

    // Columns: a constant one gets 0 at every lag, lag 0 included.
    double d[4][2] = {{1, 5}, {2, 5}, {3, 5}, {4, 5}};
    double* rows[4] = {d[0], d[1], d[2], d[3]};
    double o[2][2];
    double* out[2] = {o[0], o[1]};
    ASSERT_EQ(MatAcf(out, rows, 4, 2, 1), out);
    EXPECT_DOUBLE_EQ(o[0][0], 1);
    EXPECT_DOUBLE_EQ(o[1][0], 0.25);
    EXPECT_EQ(o[0][1], 0);
    EXPECT_EQ(o[1][1], 0);
    EXPECT_EQ(MatAcf(out, rows, 4, 2, 4), nullptr);
}

TEST(Autocorrelation, CrossAndRunningOnSimpleSeries) {
    const double x[5] = {1, 2, 3, 4, 5};
    const double y[5] = {2, 4, 6, 8, 10};
    double r[3];
    EXPECT_EQ(IGetAcfCross(x, y, 5, 2, r), 5);
    EXPECT_NEAR(r[0], 1, 1e-15);  // y = 2x: perfectly correlated at lag 0
    EXPECT_NEAR(r[1], 0.4, 1e-15);  // Σ d_t d_{t-1} / S0 with d = (−2..2)
    // Running: each lag's pairs of a straight line are perfectly correlated.
    EXPECT_EQ(IGetAcfRun(x, 5, 2, r, 0), 5);
    EXPECT_NEAR(r[1], 1, 1e-15);
    EXPECT_NEAR(r[2], 1, 1e-15);
    EXPECT_EQ(FGetAcfRun(x, 5, 5, r), 0);
}

TEST(PartialAutocorrelation, DurbinLevinsonToeplitzSolveAndLogDeterminant) {
    const double r[5] = {1, 0.6, 0.2, -0.1, 0.05};
    const double want[5] = {1, 0.6, -0.25, -0.16666666666666669, 0.4214285714285715};
    double p[5];
    ASSERT_EQ(FGetPartAcf(r, 4, p), 1);
    for (int k = 0; k < 5; ++k) EXPECT_NEAR(p[k], want[k], 1e-14) << k;

    double b[5][2] = {{1, 2}, {0, 1}, {3, -1}, {2, 2}, {-1, 0.5}};
    double* rows[5] = {b[0], b[1], b[2], b[3], b[4]};
    double logdet = 0;
    ASSERT_EQ(MatPartAcf(r, 5, p, rows, 2, &logdet), 1);
    EXPECT_NEAR(logdet, -2.230636593681462, 1e-13);
    const double solved[5][2] = {{5.354550530429928, 3.8954029406290718}, {-7.66890005583473, 0.4671505676530795},
                                 {4.949748743718593, -6.155778894472362}, {4.553322166387494, 7.874557975060488},
                                 {-5.756560580681184, -3.1416340964079663}};
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 2; ++j) EXPECT_NEAR(b[i][j], solved[i][j], 1e-12) << i << "," << j;

    const double singular[3] = {1, 1, 1};
    EXPECT_EQ(FGetPartAcf(singular, 2, p), 0);
}

TEST(Spectrum, RawPeriodogramWindowAndGrids) {
    const double x[8] = {2, 4, 3, 7, 5, 6, 1, 8};
    double f[6];
    // The raw periodogram is |DFT|²/T over 2π c0; zero at frequency 0.
    ASSERT_EQ(FPeriodogram(x, 8, 7, 0, f, 0), 1);
    const double raw[5] = {0.0, 0.052132184250863974, 0.1288397158362962, 0.08428633839933203, 0.7427230677621782};
    for (int j = 0; j < 5; ++j) EXPECT_NEAR(f[j], raw[j], 1e-14) << j;
    // Parzen window at lag 3 on the autocovariances / T, six points on [0, π].
    ASSERT_EQ(FPeriodogram(x, 8, 3, 6, f, 3), 1);
    const double density[6] = {0.4807805572567671, 0.5352751487682729, 0.6962727350380569,
                               0.9319344828601372, 1.152245614414686,  1.2433979929054324};
    for (int j = 0; j < 6; ++j) EXPECT_NEAR(f[j], density[j], 1e-14) << j;

    // Five points: 0, π/4, π/2, 3π/4, π.
    double r[3] = {1, 0.5, 0.25};
    ASSERT_EQ(FPeriodogramAcf(r, 100, 2, 5, f, 0), 1);
    const double five[5] = {0.3978873577297384, 0.2716944826115336, 0.07957747154594767, 0.04661540357225707,
                            0.07957747154594767};
    for (int j = 0; j < 5; ++j) EXPECT_NEAR(f[j], five[j], 1e-15) << j;
    // The window changes the autocorrelations in place (u = 1/2, then 1).
    ASSERT_EQ(FPeriodogramAcf(r, 100, 2, 5, f, 1), 1);
    EXPECT_DOUBLE_EQ(r[1], 0.5 * 0.25);
    EXPECT_DOUBLE_EQ(r[2], 0);
}

// Reference transforms of z_t = frac(t·g1) + i·frac(t·g2), t = 1..n, and of
// its real part alone, at a few frequencies k (NumPy).
struct FftRef {
    int n, k;
    double re, im, real_re, real_im;
};
const FftRef k_fft_refs[] = {
    {1, 0, 0.6180339887498949, 0.41421356237309515, 0.6180339887498949, 0},
    {2, 0, 0.85410196624968471, 1.2426406871192854, 0.85410196624968471, 0},
    {2, 1, 0.3819660112501051, -0.41421356237309515, 0.3819660112501051, 0},
    {3, 0, 1.7082039324993694, 1.4852813742385709, 1.7082039324993694, 0},
    {3, 1, 0.58025495305244579, 0.41391279109999224, 0.072949016875157646, 0.53523313465963496},
    {3, 2, -0.4343569193021305, -0.65655347821927768, 0.072949016875157646, -0.53523313465963496},
    {7, 0, 3.3049516849970573, 3.5979797464466641, 3.3049516849970573, 0},
    {7, 1, 0.076403084090857054, 0.43627112773596843, 0.11436010541905339, -0.23747120581693246},
    {7, 2, -0.98608225232253077, 0.27757662998063631, -0.56408782852705142, 0.44984503224278399},
    {7, 6, 0.15231712674724973, 0.9112135393698334, 0.11436010541905339, 0.23747120581693246},
    {8, 0, 4.2492235949962165, 3.9116882454314252, 4.2492235949962165, 0},
    {8, 1, 0.35629116974660929, 0.48298277635157794, 0.52786404500042039, 0.13983702584395841},
    {8, 2, -0.12899020449196019, -0.18471829449280142, -0.47213595499957961, 0.47213595499957961},
    {8, 7, 0.69943692025423143, 0.20330872466366134, 0.52786404500042039, -0.13983702584395841},
    {1000, 0, 500.01136932239899, 499.88796773412065, 500.01136932239899, 0},
    {1000, 1, 0.36806592461590859, -0.50378521120436215, 0.2484267362783554, -0.21878131243396726},
    {1000, 333, 0.90173655020939214, -0.30620729599482965, -0.0090505958016376172, 0.51551054284177333},
    {1000, 999, 0.1287875479408005, -0.06622258633642808, 0.24842673627835474, 0.2187813124339672},
    {1024, 0, 512.23729594484485, 511.27753340033263, 512.23729594484485, 0},
    {1024, 1, 0.67836810968803318, -1.027409663261452, 0.48697560532683748, -0.14336004808443692},
    {1024, 341, -0.16411477755266457, -0.34037730826580548, 0.057856278930286109, 0.44962107201841262},
    {1024, 1023, 0.295583100965638, -0.74068956709257816, 0.48697560532683593, 0.14336004808443925},
    {4096, 0, 2048.5959082381632, 2048.5124071850209, 2048.5959082381632, 0},
    {4096, 1, 0.36267573828728539, 0.35602174364353156, 0.39382930367558711, 0.26283411221110997},
    {4096, 1365, -3.6599519452509433, 3.561516100607149, -2.6444258190087946, 2.6295816898104443},
    {4096, 4095, 0.42498286906389737, -0.16964648077868638, 0.39382930367559266, -0.26283411221110881},
    {10007, 0, 5003.2916026722414, 5003.7338124858561, 5003.2916026722414, 0},
    {10007, 1, -0.32945325902412259, 0.93146658791940851, -0.33268467107757033, 0.28464663990069428},
    {10007, 3335, -0.48945972938021653, 0.37284313219691756, -0.46006984721320593, 1.9697460449339674},
    {10007, 10006, -0.33591608313100696, 0.36217330811803544, -0.33268467107758037, -0.28464663990071615},
};

using Complex2 = kj::test::ComplexRows;
using kj::test::golden_series;

TEST(Fourier, AnyLengthAgainstReferenceAndBack) {
    int last = 0;
    for (const FftRef& ref : k_fft_refs) {
        if (ref.n == last) continue;
        last = ref.n;
        const int n = ref.n;
        Complex2 z = golden_series(n), f(n), g(n), back(n);
        ASSERT_EQ(FFT1d(f.rows, z.rows, n, 1, 1), 1);
        ASSERT_EQ(FFT1d(g.rows, z.rows, n, 1, 0), 1);
        const double scale = n;  // the norms of these transforms grow like n
        for (const FftRef& r : k_fft_refs) {
            if (r.n != n) continue;
            EXPECT_NEAR(f.re[r.k], r.re, 1e-12 * scale) << n << " " << r.k;
            EXPECT_NEAR(f.im[r.k], r.im, 1e-12 * scale) << n << " " << r.k;
            EXPECT_NEAR(g.re[r.k], r.real_re, 1e-12 * scale) << n << " real " << r.k;
            EXPECT_NEAR(g.im[r.k], r.real_im, 1e-12 * scale) << n << " real " << r.k;
        }
        ASSERT_EQ(FFT1d(back.rows, f.rows, n, 0, 1), 1);
        double err = 0;
        for (int t = 0; t < n; ++t)
            err = std::max({err, std::fabs(back.re[t] - z.re[t]), std::fabs(back.im[t] - z.im[t])});
        EXPECT_LT(err, 1e-13) << n;
        // The inverse of real data is the conjugate of its forward transform / n.
        ASSERT_EQ(FFT1d(back.rows, z.rows, n, 0, 0), 1);
        for (int k = 0; k < n; k += std::max(1, n / 7)) {
            EXPECT_NEAR(back.re[k], g.re[k] / n, 1e-14) << n;
            EXPECT_NEAR(back.im[k], -g.im[k] / n, 1e-14) << n;
        }
    }
}

TEST(Fourier, DirectSumAgreesAndSmallCases) {
    for (int n : {3, 7, 12, 97}) {
        Complex2 z = golden_series(n), f(n), d(n);
        ASSERT_EQ(FFT1d(f.rows, z.rows, n, 1, 1), 1);
        ASSERT_EQ(FftDiscrete(d.rows, z.rows, n, 1, 1), 1);
        for (int k = 0; k < n; ++k) {
            EXPECT_NEAR(d.re[k], f.re[k], 1e-12 * n);
            EXPECT_NEAR(d.im[k], f.im[k], 1e-12 * n);
        }
        ASSERT_EQ(FftDiscrete(z.rows, d.rows, n, 0, 1), 1);  // back
        Complex2 orig = golden_series(n);
        for (int t = 0; t < n; ++t) EXPECT_NEAR(z.re[t], orig.re[t], 1e-13);
    }
    // Length 2, direction 0: the halved sum and difference.
    double re[2] = {1, 3}, im[2] = {0, 0};
    ASSERT_EQ(FftComplex(re, im, 1, 0), 1);
    EXPECT_EQ(re[0], 2);
    EXPECT_EQ(re[1], -1);
    // Powers of two in place, real input ignoring the imaginary row.
    Complex2 z = golden_series(16);
    std::vector<double> r = z.re, i(16, 123.0);
    ASSERT_EQ(FftReal(r.data(), i.data(), 4, 1), 1);
    Complex2 f(16);
    ASSERT_EQ(FFT1d(f.rows, z.rows, 16, 1, 0), 1);
    for (int k = 0; k < 16; ++k) EXPECT_NEAR(i[k], f.im[k], 1e-14);
    EXPECT_EQ(FftComplex(r.data(), i.data(), 32, 1), 0);
}

}  // namespace
