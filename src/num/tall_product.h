// a'b for tall, narrow blocks: a (r x ca) and b (r x cb) with many rows and at
// most k_tall_max_columns columns each, as in x'x and x'y of a regression. The
// general matrix product packs both operands for such shapes and is bound by
// that copying; here each row pair is read once and its outer product added
// to a small result held in registers.
#pragma once

namespace kj::num {

constexpr int k_tall_max_columns = 16;
// Fewer rows than this go to the general product.
constexpr long k_tall_min_rows = 2048;

// y (ca x cb, row-major, contiguous) = a'b for a and b contiguous row-major
// blocks of r rows (b may be a). False, with y untouched, when the shapes are
// outside this kernel's range or the processor lacks the instructions it uses.
bool tall_transposed_product(double* y, const double* a, int ca, const double* b, int cb, long r);

}  // namespace kj::num
