// Transposing a row-major block into another.
#pragma once

#include <cstddef>

namespace kj::num {

// out (c x r) = the transpose of a (r x c); both blocks contiguous and
// row-major, not overlapping.
void transpose_into(double* out, const double* a, int r, int c);

}  // namespace kj::num
