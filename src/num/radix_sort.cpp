#include "num/radix_sort.h"

#include <algorithm>
#include <bit>
#include <utility>
#include <vector>

namespace kj::num {

namespace {

constexpr int k_digit_bits = 11;
constexpr int k_digits = (64 + k_digit_bits - 1) / k_digit_bits;
constexpr std::size_t k_buckets = std::size_t{1} << k_digit_bits;
constexpr std::uint64_t k_sign = std::uint64_t{1} << 63;

// The doubles are turned into their keys in place, so their block is also
// read and written as unsigned words.
using AliasedWord = std::uint64_t __attribute__((may_alias));

// Order-preserving map of a double's bits: negative numbers have all bits
// flipped, the others only the sign bit.
inline std::uint64_t to_key(std::uint64_t u) { return u ^ (static_cast<std::uint64_t>(static_cast<std::int64_t>(u) >> 63) | k_sign); }
inline std::uint64_t from_key(std::uint64_t k) { return k ^ (((k >> 63) - 1) | k_sign); }

inline std::uint64_t key_of(std::uint64_t k) { return k; }
inline std::uint64_t key_of(const RadixItem& e) { return e.key; }

inline std::size_t digit(std::uint64_t k, int d) { return static_cast<std::size_t>(k >> (d * k_digit_bits)) & (k_buckets - 1); }

// Counts of every digit value, for all digits in one read of the keys.
template <class T>
std::vector<std::size_t> histograms(const T* a, std::size_t n) {
    std::vector<std::size_t> h(k_digits * k_buckets, 0);
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint64_t k = key_of(a[i]);
        for (int d = 0; d < k_digits; ++d) ++h[d * k_buckets + digit(k, d)];
    }
    return h;
}

// The passes over the digits, lowest first, between a and scratch; returns
// where the sorted keys ended.
template <class T>
T* sort_passes(T* a, std::size_t n, T* scratch, std::vector<std::size_t>& h) {
    T* src = a;
    T* dst = scratch;
    for (int d = 0; d < k_digits; ++d) {
        std::size_t* count = h.data() + d * k_buckets;
        if (count[digit(key_of(src[0]), d)] == n) continue;  // all keys share this digit
        std::size_t sum = 0;
        for (std::size_t b = 0; b < k_buckets; ++b) sum += std::exchange(count[b], sum);
        for (std::size_t i = 0; i < n; ++i) dst[count[digit(key_of(src[i]), d)]++] = src[i];
        std::swap(src, dst);
    }
    return src;
}

}  // namespace

std::uint64_t radix_key(double x) { return to_key(std::bit_cast<std::uint64_t>(x + 0.0)); }

void radix_sort(double* x, std::size_t n, std::uint64_t* scratch) {
    if (n < k_radix_sort_min) {
        std::sort(x, x + n);
        return;
    }
    auto* keys = reinterpret_cast<AliasedWord*>(x);
    for (std::size_t i = 0; i < n; ++i) keys[i] = to_key(keys[i]);
    std::vector<std::size_t> h = histograms(keys, n);
    const AliasedWord* sorted = sort_passes(keys, n, reinterpret_cast<AliasedWord*>(scratch), h);
    for (std::size_t i = 0; i < n; ++i) keys[i] = from_key(sorted[i]);
}

void radix_sort_items(RadixItem* items, std::size_t n, RadixItem* scratch) {
    if (n == 0) return;
    std::vector<std::size_t> h = histograms(items, n);
    const RadixItem* sorted = sort_passes(items, n, scratch, h);
    if (sorted != items) std::copy(sorted, sorted + n, items);
}

}  // namespace kj::num
