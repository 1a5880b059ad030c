#include <algorithm>
#include <cmath>
#include <vector>

#include "lib/fn_sort.h"
#include "select_fixture.h"

namespace kl = kj::lib;
namespace kv = kj::value;
using namespace kj::test;

namespace {

class Sort : public LibTest {};

TEST_F(Sort, ColumnsAndRowsPutNanFirst) {
    expect_matrix(call(kl::fn_sortc, {matrix(3, 2, {3, 1, 1, k_nan, 2, 0})}), 3, 2, {1, k_nan, 2, 0, 3, 1});
    expect_matrix(call(kl::fn_sortc, {matrix(1, 3, {3, 1, 2})}), 1, 3, {3, 1, 2});  // a row is left as it is
    expect_matrix(call(kl::fn_sortc, {matrix(4, 1, {2, k_nan, -1, k_nan})}), 4, 1, {k_nan, k_nan, -1, 2});
    expect_matrix(call(kl::fn_sortr, {matrix(2, 3, {3, 1, 2, 2, k_nan, 1})}), 2, 3, {1, 2, 3, k_nan, 1, 2});
    expect_empty(call(kl::fn_sortc, {matrix(0, 3)}));
    expect_empty(call(kl::fn_sortr, {matrix(2, 0)}));
}

// Sizes that are not multiples of the column panel.
TEST_F(Sort, LargeColumnsAreSortedPermutations) {
    const int r = 70, c = 45;
    Args a{matrix(r, c)};
    for (int k = 0; k < r * c; ++k) a[0].u.mat.m[0][k] = (k * 7919 % 1009) - (k % 13 == 0 ? 2000 : 0);
    kl::fn_sortc(&result, a.data(), 1);
    for (int j = 0; j < c; ++j) {
        std::vector<double> in, out;
        for (int i = 0; i < r; ++i) {
            in.push_back(a[0].u.mat.m[i][j]);
            out.push_back(result.u.mat.m[i][j]);
        }
        EXPECT_TRUE(std::is_sorted(out.begin(), out.end())) << "column " << j;
        std::sort(in.begin(), in.end());
        EXPECT_EQ(in, out) << "column " << j;
    }
}

TEST_F(Sort, IndicesAreStable) {
    expect_matrix(call(kl::fn_sortcindex, {matrix(3, 1, {3, 1, 2})}), 3, 1, {1, 2, 0});
    expect_matrix(call(kl::fn_sortcindex, {matrix(4, 2, {2, 0, 1, 0, 2, 0, k_nan, -1})}), 4, 2,
                  {3, 3, 1, 0, 0, 1, 2, 2});
}

// Long columns take the radix path: NaN first, then ascending, equal keys
// (including -0 and +0) in their input order.
TEST_F(Sort, LongColumnIndicesAreStable) {
    const int r = 20000;
    Args a{matrix(r, 1)};
    double* x = a[0].u.mat.m[0];
    for (int i = 0; i < r; ++i) x[i] = i % 97 == 0 ? k_nan : (i % 5 == 0 ? (i % 2 ? -0.0 : 0.0) : (i * 31 % 41) - 20.0);
    std::vector<int> expected(r);
    for (int i = 0; i < r; ++i) expected[i] = i;
    std::stable_sort(expected.begin(), expected.end(), [&](int i, int j) { return kl::nan_first_less(x[i], x[j]); });
    kl::fn_sortcindex(&result, a.data(), 1);
    for (int k = 0; k < r; ++k) ASSERT_EQ(result.u.mat.m[k][0], expected[k]) << "position " << k;
    kl::fn_sortc(&result, a.data(), 1);
    for (int k = 0; k < r; ++k) {
        const double want = x[expected[k]];
        if (std::isnan(want)) {
            ASSERT_TRUE(std::isnan(result.u.mat.m[k][0])) << "position " << k;
        } else {
            ASSERT_EQ(result.u.mat.m[k][0], want) << "position " << k;
        }
    }
}

TEST_F(Sort, ByKeys) {
    const struct {
        const char* name;
        KjNativeFunction fn;
        kv::Value m, keys;
        int r, c;
        std::vector<double> expect;
    } cases[] = {
        {"one column", kl::fn_sortbyc, matrix(2, 2, {3, 1, 1, 2}), i(0), 2, 2, {1, 2, 3, 1}},
        {"ties stay, NaN first", kl::fn_sortbyc, matrix(4, 2, {1, 9, 0, 8, 1, 7, k_nan, 6}), d(0.5), 4, 2,
         {k_nan, 6, 0, 8, 1, 9, 1, 7}},
        {"second key breaks ties", kl::fn_sortbyc, matrix(3, 2, {1, 2, 0, 5, 1, 1}), matrix(1, 2, {0, 1}), 3, 2,
         {0, 5, 1, 1, 1, 2}},
        {"one row", kl::fn_sortbyr, matrix(2, 2, {3, 1, 1, 2}), i(0), 2, 2, {1, 3, 2, 1}},
        {"rows with ties", kl::fn_sortbyr, matrix(2, 3, {1, 0, 1, 3, 2, 1}), matrix(2, 1, {0, 1}), 2, 3,
         {0, 1, 1, 2, 1, 3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Args a{c.m, c.keys};
        c.fn(&result, a.data(), 2);
        ASSERT_EQ(result.u.mat.r, c.r);
        ASSERT_EQ(result.u.mat.c, c.c);
        for (std::size_t k = 0; k < c.expect.size(); ++k) {
            const double y = result.u.mat.m[0][k];
            EXPECT_TRUE(y == c.expect[k] || (std::isnan(y) && std::isnan(c.expect[k]))) << "element " << k;
        }
    }
}

TEST_F(Sort, StringArrays) {
    expect_strings(call(kl::fn_sortc, {strings({"b", "a", "B", "ab"})}), {"B", "a", "ab", "b"});
}

TEST_F(Sort, BadArguments) {
    EXPECT_EQ(fails(kl::fn_sortbyc, "sortbyc", {matrix(2, 2), i(2)}), 37);
    EXPECT_EQ(first_run_message(), "sortbyc(): error in argument 2");
    EXPECT_EQ(fails(kl::fn_sortbyr, "sortbyr", {matrix(2, 2), i(-1)}), 37);
    EXPECT_EQ(fails(kl::fn_sortc, "sortc", {array_of({i(1)})}), 37);
    EXPECT_EQ(fails(kl::fn_sortr, "sortr", {array_of({i(1)})}), 37);
    EXPECT_EQ(first_run_message(), "sortr(): type error in argument 1; expected: matrix, found: array[1]");
}

}  // namespace
