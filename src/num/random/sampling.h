// Sampling without replacement and uniform order statistics.
#pragma once

#include <kj80x.h>

#include <cstddef>

namespace kj::num {

// Selection sampling: k distinct indices of 0..n-1 in increasing order.
void ran_subsample(KjRanState& s, int* out, int k, int n);
// Partial Fisher-Yates: x[0..k-1] become k elements of x[0..n-1] drawn
// without replacement, in random order.
void ran_shuffle(KjRanState& s, double* x, std::size_t k, std::size_t n);
// The n order statistics of n uniforms, increasing.
void ran_uorder(KjRanState& s, double* out, int n);

}  // namespace kj::num
