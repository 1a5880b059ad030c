// Least-significant-digit radix sorts of doubles. The doubles are mapped to
// unsigned keys whose order is the numeric order, sorted
// eleven bits at a time through a scratch block, and mapped back; digits in
// which all keys agree are skipped. For more than a few thousand numbers this
// is three to four times faster than a comparison sort.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kj::num {

// Below this count a comparison sort is faster.
constexpr std::size_t k_radix_sort_min = 2048;

// Sorts x[0..n) ascending; x holds no NaN. scratch has room for n keys. From
// k_radix_sort_min numbers on, -0 comes before +0.
void radix_sort(double* x, std::size_t n, std::uint64_t* scratch);

// One entry of a keyed sort: the key (a double mapped to an ordered unsigned
// by radix_key) and the item it belongs to.
struct RadixItem {
    std::uint64_t key;
    std::uint64_t item;
};

// The unsigned key of a non-NaN double; -0 and +0 get the same key.
std::uint64_t radix_key(double x);

// Sorts items[0..n) by key, stably (equal keys keep their order); scratch has
// room for n items.
void radix_sort_items(RadixItem* items, std::size_t n, RadixItem* scratch);

}  // namespace kj::num
