#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include <kj80x.h>

#include "runtime/alloc.h"
#include "value/matrix_block.h"

TEST(MatrixBlock, LayoutIsContiguousRowMajorWithHiddenSlot) {
    double** m = MatAllocBlock(3, 4);
    ASSERT_NE(m, nullptr);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(m[i], m[0] + 4 * i);
    EXPECT_EQ(reinterpret_cast<double*>(m[-1]), m[0]);  // hidden slot holds the element block
    MatFreeBlock(m);
}

TEST(MatrixBlock, ZeroColumnsAndZeroRows) {
    double** m = MatAllocBlock(3, 0);
    ASSERT_NE(m, nullptr);
    for (int i = -1; i < 3; ++i) EXPECT_EQ(m[i], nullptr);
    MatFreeBlock(m);
    EXPECT_EQ(MatAllocBlock(0, 5), nullptr);
    EXPECT_EQ(MatAllocBlock(-1, 5), nullptr);
    MatFreeBlock(nullptr);
}

TEST(MatrixBlock, AllocationFailureLeaksNothing) {
    kj::runtime::fail_allocation_after(2);  // pointer array succeeds, elements fail
    EXPECT_EQ(MatAllocBlock(10, 10), nullptr);
    kj::runtime::fail_allocation_after(1);
    EXPECT_EQ(MatAllocBlock(10, 10), nullptr);
    kj::runtime::fail_allocation_after(0);
}

TEST(MatrixBlock, CopyRoutinesAndOrderConversions) {
    const double rowwise[6] = {1, 2, 3, 4, 5, 6};
    double** a = MatAllocBlock(2, 3);
    MatCopyVecr(a, rowwise, 2, 3);
    EXPECT_EQ(a[1][0], 4);
    double colwise[6];
    VeccCopyMat(colwise, a, 2, 3);
    const double expect_col[6] = {1, 4, 2, 5, 3, 6};
    EXPECT_EQ(std::memcmp(colwise, expect_col, sizeof colwise), 0);
    double** b = MatAllocBlock(2, 3);
    MatCopyVecc(b, colwise, 2, 3);
    double back[6];
    VecrCopyMat(back, b, 2, 3);
    EXPECT_EQ(std::memcmp(back, rowwise, sizeof back), 0);

    double** d = MatDup(a, 2, 3);
    EXPECT_EQ(MatGetAt(d, 1, 2), 6);
    MatSetAt(d, 9, 1, 2);
    EXPECT_EQ(a[1][2], 6);
    EXPECT_EQ(MatCopy(nullptr, a, 2, 3), nullptr);
    EXPECT_EQ(MatCopy(d, a, 0, 3), d);

    MatFreeBlock(MatI(MatAllocBlock(1, 1), 0));  // n = 0 touches nothing
    double** id = MatI(MatAllocBlock(3, 3), 3);
    EXPECT_EQ(id[1][1], 1);
    EXPECT_EQ(id[1][2], 0);
    MatNaN(id, 3, 3);
    EXPECT_TRUE(FIsNaN(id[2][0]));
    for (double** m : {a, b, d, id}) MatFreeBlock(m);
}

TEST(MatrixBlock, VectorBlocks) {
    EXPECT_EQ(VecAllocBlock(0), nullptr);
    EXPECT_EQ(VecDupBlock(nullptr, 0), nullptr);
    double src[3] = {1, 2, 3};
    double* v = VecDupBlock(src, 3);
    EXPECT_EQ(v[2], 3);
    EXPECT_EQ(VecCopy(nullptr, src, 3), nullptr);
    EXPECT_EQ(VecCopy(v, src, 0), nullptr);
    VecFreeBlock(v);
}

TEST(SpecialDoubles, BitPatternTests) {
    double x;
    SetNaN(&x);
    uint64_t bits;
    std::memcpy(&bits, &x, 8);
    EXPECT_EQ(bits, 0x7FF8000000000000ull);
    SetInf(&x);
    EXPECT_TRUE(FIsInf(x));
    EXPECT_TRUE(FIsInf(-x));
    EXPECT_FALSE(FIsNaN(x));
    EXPECT_TRUE(FIsNaN(-std::numeric_limits<double>::quiet_NaN()));
    EXPECT_TRUE(FIsInfOrNaN(std::nan("")));
    EXPECT_FALSE(FIsInfOrNaN(1e308));
    EXPECT_TRUE(IsDbMissing(std::nan("")));
    EXPECT_TRUE(kj::value::data_equal(std::nan(""), std::nan("")));
    EXPECT_FALSE(kj::value::data_equal(std::nan(""), 0.0));
    EXPECT_TRUE(kj::value::data_equal(-0.0, 0.0));
}
