// Work over a large block shared by two threads.
#pragma once

#include <cstddef>
#include <thread>

#include "num/inner_threads.h"

namespace kj::num {

// Runs body(lo, hi) over [0, n): on two threads when n is at least
// `min_split`, the machine has two cores and no parallel loop runs, else on
// the calling thread. The halves meet at a multiple of 8. body must not raise.
template <class Body>
void split_in_two(std::size_t n, std::size_t min_split, Body body) {
    if (n < min_split || !inner_threads_allowed() || std::thread::hardware_concurrency() < 2) return body(std::size_t{0}, n);
    const std::size_t half = (n / 2) & ~std::size_t{7};
    std::thread other([&] { body(half, n); });
    body(std::size_t{0}, half);
    other.join();
}

}  // namespace kj::num
