// Kj's own FFT (the kernel of builds without FFTW), on lengths that take each
// of its paths: the radix-4, 2 and 3 butterflies, the general one (5, 61),
// the chirp transform (prime factors 67 and 241) and mixtures of them;
// against NumPy and the direct sum.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "num/timeseries/fft_mixed_radix.h"
#include "num/timeseries/fourier.h"
#include "support/complex_series.h"

namespace {

using kj::num::fft1d_mixed_radix;

// z_t = frac(t·g1) + i·frac(t·g2), t = 1..n: X_k of z and of its real part
// (numpy.fft.fft).
struct Reference {
    int n, k;
    double re, im, real_re, real_im;
};
const Reference k_references[] = {
    {1, 0, 0.6180339887498949, 0.41421356237309515, 0.6180339887498949, 0.0},
    {2, 1, 0.3819660112501051, -0.41421356237309515, 0.3819660112501051, 0.0},
    {16, 0, 8.052622469985707, 8.33304448274094, 8.052622469985707, 0.0},
    {16, 1, -0.43160082240913356, -0.3770997753419918, 0.05572809000084078, -0.28016402768197046},
    {16, 5, 0.06288752377023532, -0.02652146943390865, 0.05572809000084078, -0.03723631927060589},
    {16, 15, 0.5430570024108152, 0.18322828002194902, 0.05572809000084078, 0.28016402768197046},
    {27, 1, 0.22218947147009138, 0.19047556450277703, 0.09839632296594486, 0.28235865653956094},
    {27, 9, -0.973857845234621, 1.2611135047621786, -0.3434588481235821, 1.3529965967989614},
    {27, 26, -0.025396825538201995, -0.3742417485763454, 0.0983963229659448, -0.28235865653956105},
    {25, 1, 0.6719425307182263, 0.24430824338504498, 0.4635005060844531, 0.3203805782790411},
    {25, 8, -0.6150706969032335, -0.8037113622471426, -0.8000583295930623, -0.08445451974776522},
    {60, 0, 30.002199412307675, 30.01081914276412, 30.002199412307675, 0.0},
    {60, 1, 0.03877681259831611, 0.2836885311268422, 0.24370649181341442, 0.040964795960836575},
    {60, 20, -1.6532311881487896, -0.6140490234134189, -0.5410196624968506, 0.31235784777943826},
    {60, 59, 0.4486361710285136, 0.20175893920516863, 0.24370649181341397, -0.040964795960836575},
    {61, 1, 0.24313637997692866, 0.06925787163282321, 0.4311185309713972, 0.07488524158126003},
    {61, 20, -0.5606793926964332, 0.8228732089964503, -1.0652391107638977, 1.0293212721055165},
    {67, 0, 33.88142637226059, 33.57849508591074, 33.88142637226059, 0.0},
    {67, 1, 0.36828557737989964, 0.5512662469458194, 0.48656569329738963, 0.29802476908026926},
    {67, 22, -1.9470405486441456, 0.9548302246250528, -1.830759899814487, 0.5128136354866747},
    {67, 66, 0.6048458092148796, -0.04478329121471919, 0.48656569329738963, -0.29802476908026926},
    {134, 1, 0.4468484053660713, -1.0406308317601227, 0.2755792750198821, -0.2612979560932045},
    {134, 44, -2.905897940268636, 1.5046090339207008, -2.6443792094760177, 1.6398020831669355},
    {4097, 0, 2048.681160146483, 2048.5453722275915, 2048.6811601464833, 0.0},
    {4097, 1, -0.05197541213415463, -0.11100564495759878, -0.021176076084062037, 0.2627251042137275},
    {4097, 1365, -5.314610774287762, -2.3475808109489877, -2.448213507303448, -0.8604797858765099},
    {4097, 4096, 0.009623259966082681, -0.6364558533850768, -0.0211760760840594, -0.26272510421374545},
};

using Series = kj::test::ComplexRows;
using kj::test::golden_series;

double max_difference(const Series& a, const Series& b) {
    double d = 0;
    for (std::size_t t = 0; t < a.re.size(); ++t)
        d = std::max({d, std::fabs(a.re[t] - b.re[t]), std::fabs(a.im[t] - b.im[t])});
    return d;
}

TEST(MixedRadixFft, AgainstNumPyAndBack) {
    int last = 0;
    for (const Reference& ref : k_references) {
        if (ref.n == last) continue;
        const int n = last = ref.n;
        const Series z = golden_series(n);
        Series f(n), g(n);
        ASSERT_EQ(fft1d_mixed_radix(f.rows, const_cast<double**>(z.rows), n, 1, 1), 1);
        ASSERT_EQ(fft1d_mixed_radix(g.rows, const_cast<double**>(z.rows), n, 1, 0), 1);
        for (const Reference& r : k_references) {
            if (r.n != n) continue;
            const double tol = 1e-13 * n;
            EXPECT_NEAR(f.re[r.k], r.re, tol) << n << " " << r.k;
            EXPECT_NEAR(f.im[r.k], r.im, tol) << n << " " << r.k;
            EXPECT_NEAR(g.re[r.k], r.real_re, tol) << n << " real " << r.k;
            EXPECT_NEAR(g.im[r.k], r.real_im, tol) << n << " real " << r.k;
        }
        // The inverse, in place: the series again.
        Series back = f;
        ASSERT_EQ(fft1d_mixed_radix(back.rows, back.rows, n, 0, 1), 1);
        EXPECT_LT(max_difference(back, z), 1e-14 * std::max(16, n)) << n;
    }
}

TEST(MixedRadixFft, EveryLengthAgreesWithTheDirectSum) {
    // Lengths up to 140 meet every factor mixture of the small radices and
    // the chirp transform for the primes above 61 and their multiples.
    for (int n = 1; n <= 140; ++n) {
        const Series z = golden_series(n);
        Series f(n), d(n);
        for (int direction : {1, 0}) {
            ASSERT_EQ(fft1d_mixed_radix(f.rows, const_cast<double**>(z.rows), n, direction, 1), 1);
            ASSERT_EQ(kj::num::fft_discrete(d.rows, const_cast<double**>(z.rows), n, direction, 1), 1);
            EXPECT_LT(max_difference(f, d), 1e-13 * n) << n << " direction " << direction;
        }
    }
    Series none(1);
    EXPECT_EQ(fft1d_mixed_radix(none.rows, none.rows, 0, 1, 1), 0);
    kj::num::fft_mixed_radix_release();
}

}  // namespace
