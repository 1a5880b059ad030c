// Numerical kernels: the matmul slot and its two implementations, and the LU
// inverse.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include <kj80x.h>

#include "num/linalg_eps.h"
#include "num/lu_inverse.h"
#include "num/matmul.h"

namespace kj::num {
namespace {

struct Block {
    int r, c;
    double** m;
    Block(int r_, int c_, double seed) : r(r_), c(c_), m(MatAllocBlock(r_, c_)) {
        for (int k = 0; k < r * c; ++k) m[0][k] = std::fmod(seed * (k + 1), 7.0) - 3.0;
    }
    ~Block() { MatFreeBlock(m); }
};

double op_at(const Block& b, int t, int i, int k) { return t ? b.m[k][i] : b.m[i][k]; }

// Every transpose combination and size class (tiny, inner product, BLAS,
// triangle for a'a) against the plain triple loop.
TEST(Matmul, DefaultAndPortableKernelsAgree) {
    const struct {
        int m, n, inner;
    } sizes[] = {{2, 3, 4}, {1, 1, 200}, {70, 65, 80}, {1, 90, 90}};
    for (const auto& s : sizes)
        for (int ta = 0; ta < 2; ++ta)
            for (int tb = 0; tb < 2; ++tb) {
                Block a(ta ? s.inner : s.m, ta ? s.m : s.inner, 0.37);
                Block b(tb ? s.n : s.inner, tb ? s.inner : s.n, 0.91);
                Block y1(s.m, s.n, 0), y2(s.m, s.n, 0);
                matmul_default(y1.m, a.m, a.r, a.c, b.m, b.r, b.c, ta, tb);
                matmul_rows(y2.m, a.m, a.r, a.c, b.m, b.r, b.c, ta, tb);
                for (int i = 0; i < s.m; ++i)
                    for (int j = 0; j < s.n; ++j) {
                        double e = 0;
                        for (int k = 0; k < s.inner; ++k) e += op_at(a, ta, i, k) * op_at(b, tb, k, j);
                        ASSERT_NEAR(y1.m[i][j], e, 1e-9) << s.m << "x" << s.n << " " << ta << tb;
                        ASSERT_NEAR(y2.m[i][j], e, 1e-9);
                    }
            }
    // a'a through the symmetric path
    Block a(90, 70, 0.53), y(70, 70, 0), z(70, 70, 0);
    matmul_default(y.m, a.m, 90, 70, a.m, 90, 70, 1, 0);
    matmul_rows(z.m, a.m, 90, 70, a.m, 90, 70, 1, 0);
    for (int k = 0; k < 70 * 70; ++k) ASSERT_NEAR(y.m[0][k], z.m[0][k], 1e-9);
}

void count_calls(double**, double**, int, int, double**, int, int, int, int);
int g_calls = 0;
void count_calls(double** y, double** a, int ra, int ca, double** b, int rb, int cb, int ta, int tb) {
    ++g_calls;
    matmul_rows(y, a, ra, ca, b, rb, cb, ta, tb);
}

TEST(Matmul, SlotCanBeReplacedAndRestored) {
    Block a(2, 2, 1), y(2, 2, 0);
    set_matmul_kernel(count_calls);
    matmul(y.m, a.m, 2, 2, a.m, 2, 2);
    EXPECT_EQ(g_calls, 1);
    set_matmul_kernel(nullptr);
    EXPECT_EQ(matmul_kernel(), &matmul_default);
    matmul(y.m, a.m, 2, 2, a.m, 2, 2);
    EXPECT_EQ(g_calls, 1);
}

TEST(LuInverse, InverseTimesMatrixIsIdentity) {
    const int n = 40;
    Block a(n, n, 0.61);
    for (int i = 0; i < n; ++i) a.m[i][i] += 20;  // well conditioned
    Block inv(n, n, 0), prod(n, n, 0);
    MatCopy(inv.m, a.m, n, n);
    ASSERT_EQ(lu_invert(inv.m, n), Lu_Ok);
    matmul_rows(prod.m, a.m, n, n, inv.m, n, n, 0, 0);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) EXPECT_NEAR(prod.m[i][j], i == j ? 1.0 : 0.0, 1e-12);

    // Pivoting: a zero in the leading position is fine.
    Block p(2, 2, 0);
    p.m[0][0] = 0, p.m[0][1] = 1, p.m[1][0] = 2, p.m[1][1] = 0;
    ASSERT_EQ(lu_invert(p.m, 2), Lu_Ok);
    EXPECT_EQ(p.m[0][1], 0.5);
    EXPECT_EQ(p.m[1][0], 1.0);

    Block s(2, 2, 0);
    s.m[0][0] = 1, s.m[0][1] = 2, s.m[1][0] = 2, s.m[1][1] = 4;
    EXPECT_EQ(lu_invert(s.m, 2), Lu_Singular);
    EXPECT_EQ(s.m[1][1], 4);  // unchanged on failure
    s.m[1][1] = 4 + 1e-14;    // pivot below the threshold
    EXPECT_EQ(lu_invert(s.m, 2), Lu_Singular);
    set_invert_eps(1e-16);
    EXPECT_EQ(lu_invert(s.m, 2), Lu_Ok);
    set_invert_eps(k_default_invert_eps);
}

}  // namespace
}  // namespace kj::num
