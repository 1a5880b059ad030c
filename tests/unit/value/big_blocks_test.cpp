// Big element blocks are kept after they are freed and handed out again for a
// request of about their size; small blocks are never kept.
#include <gtest/gtest.h>

#include <cstring>

#include <kj80x.h>

#include "runtime/alloc.h"
#include "value/big_blocks.h"

namespace kj::test {
namespace {

using value::big_block_stats;

class BigBlocksTest : public ::testing::Test {
protected:
    void SetUp() override { value::release_big_blocks(); }
    void TearDown() override {
        runtime::fail_allocation_after(0);
        value::release_big_blocks();
    }
};

TEST_F(BigBlocksTest, AFreedMatrixBlockServesTheNextOfItsSize) {
    double** a = MatAllocBlock(1000, 1000);  // 8 MB
    ASSERT_NE(a, nullptr);
    a[999][999] = 1.5;
    double* first = a[0];
    MatFreeBlock(a);
    EXPECT_EQ(big_block_stats().blocks, 1);
    const long reused = big_block_stats().reused;

    // 1000 x 999 is within a quarter of the kept block: the same memory again.
    double** b = MatAllocBlock(1000, 999);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b[0], first);
    EXPECT_EQ(big_block_stats().reused, reused + 1);
    EXPECT_EQ(big_block_stats().blocks, 0);
    b[999][998] = 2.5;  // the whole block is usable
    // A block well below the kept one's size does not take it.
    double** c = MatAllocBlock(1000, 600);
    ASSERT_NE(c, nullptr);
    MatFreeBlock(b);
    double** d = MatAllocBlock(700, 1000);
    ASSERT_NE(d, nullptr);
    EXPECT_NE(d[0], first);
    MatFreeBlock(c);
    MatFreeBlock(d);
    EXPECT_EQ(big_block_stats().blocks, 3);
}

TEST_F(BigBlocksTest, SmallBlocksAreNotKeptAndTheKeptSetIsBounded) {
    MatFreeBlock(MatAllocBlock(100, 100));
    EXPECT_EQ(big_block_stats().blocks, 0);
    // Many big blocks at once: only a few stay, the rest go back to the system.
    double** m[10];
    for (auto& x : m) x = MatAllocBlock(600, 1000 + 50 * static_cast<int>(&x - m));
    for (auto& x : m) MatFreeBlock(x);
    EXPECT_LE(big_block_stats().blocks, 6);
    EXPECT_GE(big_block_stats().blocks, 1);
    value::release_big_blocks();
    EXPECT_EQ(big_block_stats().blocks, 0);
    EXPECT_EQ(big_block_stats().bytes, 0u);
}

// A long column's row pointers take as many bytes as its elements: both are
// kept and both serve the next column of that length.
TEST_F(BigBlocksTest, RowPointersOfALongColumnAreReusedToo) {
    double** a = MatAllocBlock(1 << 20, 1);
    ASSERT_NE(a, nullptr);
    a[(1 << 20) - 1][0] = 3;
    MatFreeBlock(a);
    EXPECT_EQ(big_block_stats().blocks, 2);
    const long reused = big_block_stats().reused;
    double** b = MatAllocBlock(1 << 20, 1);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(big_block_stats().reused, reused + 2);
    for (int i = 0; i < (1 << 20); i += 4099) b[i][0] = i;  // every row pointer leads into the elements
    EXPECT_EQ(b[4099 * 7][0], 4099 * 7);
    EXPECT_EQ(&b[1][0] - &b[0][0], 1);
    MatFreeBlock(b);
}

TEST_F(BigBlocksTest, TheAllocationFailureHookReachesFreshBigBlocks) {
    runtime::fail_allocation_after(2);  // the row pointers succeed, the elements fail
    EXPECT_EQ(MatAllocBlock(1000, 1000), nullptr);
}

}  // namespace
}  // namespace kj::test
