#include "num/tall_product.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "num/matmul.h"

namespace kn = kj::num;

namespace {

// A plain triple loop in long double: the reference for a'b.
std::vector<double> reference(const std::vector<double>& a, int ca, const std::vector<double>& b, int cb, long r) {
    std::vector<double> y(static_cast<std::size_t>(ca) * cb);
    for (int i = 0; i < ca; ++i)
        for (int j = 0; j < cb; ++j) {
            long double s = 0;
            for (long k = 0; k < r; ++k) s += static_cast<long double>(a[k * ca + i]) * b[k * cb + j];
            y[static_cast<std::size_t>(i) * cb + j] = static_cast<double>(s);
        }
    return y;
}

std::vector<double> filled(long r, int c, unsigned seed) {
    std::vector<double> x(static_cast<std::size_t>(r) * c);
    unsigned s = seed;
    for (double& v : x) {
        s = s * 1103515245u + 12345u;
        v = static_cast<double>((s >> 8) % 20001) / 10000.0 - 1.0;
    }
    return x;
}

bool has_kernel() {
    std::vector<double> a(kn::k_tall_min_rows, 1.0), y(1);
    return kn::tall_transposed_product(y.data(), a.data(), 1, a.data(), 1, kn::k_tall_min_rows);
}

// Every column count from one vector to four, partly filled, for odd row
// counts on one thread and split over two, and a'a with the operands shared.
TEST(TallProduct, AgreesWithTheSumsOfProducts) {
    if (!has_kernel()) GTEST_SKIP() << "no AVX2 on this processor";
    for (const long r : {kn::k_tall_min_rows, 5001L, 70001L})
        for (const int ca : {1, 3, 4, 5, 10, 16})
            for (const int cb : {1, 2, 4, 7, 10, 13, 16}) {
                SCOPED_TRACE(testing::Message() << r << " rows, " << ca << " x " << cb);
                const std::vector<double> a = filled(r, ca, 7), b = filled(r, cb, 11);
                std::vector<double> y(static_cast<std::size_t>(ca) * cb, -99);
                ASSERT_TRUE(kn::tall_transposed_product(y.data(), a.data(), ca, b.data(), cb, r));
                const std::vector<double> want = reference(a, ca, b, cb, r);
                for (std::size_t k = 0; k < y.size(); ++k) ASSERT_NEAR(y[k], want[k], 1e-10 * std::sqrt(r)) << k;
            }
    const long r = 40000;
    const std::vector<double> x = filled(r, 10, 3);
    std::vector<double> xtx(100);
    ASSERT_TRUE(kn::tall_transposed_product(xtx.data(), x.data(), 10, x.data(), 10, r));
    const std::vector<double> want = reference(x, 10, x, 10, r);
    for (int i = 0; i < 10; ++i)
        for (int j = 0; j < 10; ++j) {
            EXPECT_NEAR(xtx[i * 10 + j], want[i * 10 + j], 1e-9);
            EXPECT_EQ(xtx[i * 10 + j], xtx[j * 10 + i]);  // the same sums in the same order
        }
}

// Shapes outside its range are left to the general product, which gives the
// same result through the matrix product entry.
TEST(TallProduct, OtherShapesFallThrough) {
    std::vector<double> y(17 * 17, -1);
    const std::vector<double> wide = filled(5000, 17, 5), short_rows = filled(100, 4, 5);
    EXPECT_FALSE(kn::tall_transposed_product(y.data(), wide.data(), 17, wide.data(), 17, 5000));
    EXPECT_FALSE(kn::tall_transposed_product(y.data(), short_rows.data(), 4, short_rows.data(), 4, 100));
    EXPECT_EQ(y[0], -1);

    const long r = 9000;
    std::vector<double> a = filled(r, 6, 1), b = filled(r, 17, 2);
    std::vector<double*> ra(r), rb(r);
    for (long i = 0; i < r; ++i) ra[i] = &a[i * 6], rb[i] = &b[i * 17];
    std::vector<double> out(6 * 17);
    std::vector<double*> ro(6);
    for (int i = 0; i < 6; ++i) ro[i] = &out[i * 17];
    kn::matmul(ro.data(), ra.data(), static_cast<int>(r), 6, rb.data(), static_cast<int>(r), 17, 1, 0);
    const std::vector<double> want = reference(a, 6, b, 17, r);
    for (std::size_t k = 0; k < out.size(); ++k) EXPECT_NEAR(out[k], want[k], 1e-9) << k;
}

}  // namespace
