#include "num/radix_sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace kn = kj::num;

namespace {

constexpr double k_inf = std::numeric_limits<double>::infinity();
constexpr double k_tiny = std::numeric_limits<double>::denorm_min();

// Sorts a copy both ways and compares bit for bit, apart from the zeros, whose
// order a comparison sort leaves open (the radix path puts -0 first).
void expect_sorted_like_comparison(std::vector<double> x, const char* what) {
    std::vector<double> expected = x;
    std::sort(expected.begin(), expected.end());
    std::vector<std::uint64_t> scratch(x.size());
    kn::radix_sort(x.data(), x.size(), scratch.data());
    ASSERT_EQ(x.size(), expected.size());
    bool zero_order = true;
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (x[i] == 0 && expected[i] == 0) {
            if (i > 0 && x[i - 1] == 0 && std::signbit(x[i]) && !std::signbit(x[i - 1])) zero_order = false;
            continue;
        }
        ASSERT_EQ(std::bit_cast<std::uint64_t>(x[i]), std::bit_cast<std::uint64_t>(expected[i]))
            << what << ": element " << i << " of " << x.size();
    }
    EXPECT_TRUE(zero_order || x.size() < kn::k_radix_sort_min) << what << ": -0 after +0";
}

TEST(RadixSort, AgreesWithComparisonSort) {
    std::mt19937_64 gen(20261206);
    std::normal_distribution<double> normal(0, 1e3);
    std::uniform_int_distribution<int> small(-20, 20);
    // Sizes on both sides of the switch to the radix sort, and large.
    for (const std::size_t n : {0ul, 1ul, 2ul, 100ul, kn::k_radix_sort_min - 1, kn::k_radix_sort_min, 5000ul, 300000ul}) {
        std::vector<double> wide(n), ties(n), mixed(n);
        for (std::size_t i = 0; i < n; ++i) {
            wide[i] = normal(gen);
            ties[i] = small(gen) * 0.5;  // many equal keys, -0 and +0 among them
            if (ties[i] == 0 && i % 2) ties[i] = -0.0;
        }
        // The values that sit at the ends and the middle of the key space.
        const double specials[] = {-k_inf, k_inf, -0.0, 0.0, k_tiny, -k_tiny, std::numeric_limits<double>::max(),
                                   -std::numeric_limits<double>::max(), std::numeric_limits<double>::min(), 1, -1};
        for (std::size_t i = 0; i < n; ++i) mixed[i] = i % 3 ? specials[i % std::size(specials)] : normal(gen);
        expect_sorted_like_comparison(wide, "normal");
        expect_sorted_like_comparison(ties, "ties");
        expect_sorted_like_comparison(mixed, "specials");
    }
}

// Keys that agree in most digits skip those passes; keys that differ only in
// the lowest or only in the highest digit take one pass each.
TEST(RadixSort, KeysDifferingInOneDigit) {
    const std::size_t n = 10000;
    std::vector<double> low(n), high(n), same(n, 2.5);
    for (std::size_t i = 0; i < n; ++i) {
        low[i] = std::bit_cast<double>(std::bit_cast<std::uint64_t>(1.0) + (i * 7 % 2048));
        high[i] = (i % 2 ? -1.0 : 1.0) * std::ldexp(1.0, static_cast<int>(i * 13 % 200) - 100);
    }
    expect_sorted_like_comparison(low, "lowest digit");
    expect_sorted_like_comparison(high, "sign and exponent");
    expect_sorted_like_comparison(same, "all equal");
}

TEST(RadixSort, ItemsAreStableAndZerosEqual) {
    const std::size_t n = 6000;
    std::vector<kn::RadixItem> items(n), scratch(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double key = i % 3 == 0 ? (i % 2 ? -0.0 : 0.0) : static_cast<double>((i * 37) % 11) - 5;
        items[i] = {kn::radix_key(key), i};
    }
    kn::radix_sort_items(items.data(), n, scratch.data());
    auto key_of = [](std::size_t i) { return i % 3 == 0 ? 0.0 : static_cast<double>((i * 37) % 11) - 5; };
    for (std::size_t k = 1; k < n; ++k) {
        const double a = key_of(items[k - 1].item), b = key_of(items[k].item);
        ASSERT_LE(a, b) << "position " << k;
        if (a == b) {
            ASSERT_LT(items[k - 1].item, items[k].item) << "equal keys out of input order at " << k;
        }
    }
    EXPECT_EQ(kn::radix_key(-0.0), kn::radix_key(0.0));
    EXPECT_LT(kn::radix_key(-k_inf), kn::radix_key(-1.0));
    EXPECT_LT(kn::radix_key(-k_tiny), kn::radix_key(0.0));
    EXPECT_LT(kn::radix_key(0.0), kn::radix_key(k_tiny));
    EXPECT_LT(kn::radix_key(std::numeric_limits<double>::max()), kn::radix_key(k_inf));
}

}  // namespace
