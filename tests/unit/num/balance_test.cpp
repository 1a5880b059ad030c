// Balancing by powers of 2: the result is D^-1 A D exactly, with the scale
// factors worked out by hand for a badly scaled 2 x 2 matrix.
#include <gtest/gtest.h>

#include "num/balance.h"

namespace {

TEST(Balance, BadlyScaledTwoByTwo) {
    // Row 1 is scaled down by 128 = 2^7: its off-diagonal norm (100) and the
    // column's (0.01) meet at 0.78125 and 1.28.
    double a[] = {1, 100, 0.01, 1};
    double d[2];
    kj::num::balance_matrix(a, d, 2);
    EXPECT_EQ(d[0], 128.0);
    EXPECT_EQ(d[1], 1.0);
    EXPECT_EQ(a[0], 1.0);
    EXPECT_EQ(a[1], 0.78125);
    EXPECT_DOUBLE_EQ(a[2], 1.28);
    EXPECT_EQ(a[3], 1.0);
}

TEST(Balance, BalancedAndTriangularMatricesStay) {
    double sym[] = {2, 1, 1, 2};
    double d[2];
    kj::num::balance_matrix(sym, d, 2);
    EXPECT_EQ(d[0], 1.0);
    EXPECT_EQ(d[1], 1.0);
    EXPECT_EQ(sym[1], 1.0);
    // A zero off-diagonal row or column leaves that index alone.
    double tri[] = {1, 5, 0, 3};
    kj::num::balance_matrix(tri, d, 2);
    EXPECT_EQ(tri[1], 5.0);
    EXPECT_EQ(d[0], 1.0);
}

}  // namespace
