// The instruction-set kernels behind num/tall_product.h.
#pragma once

namespace kj::num::kernels {

// acc (ca rows of stride 4 * ceil(cb / 4)) += a'b over rows [0, r) of a
// (r x ca) and b (r x cb); ca and cb at most 16. AVX2 with FMA.
void tall_product_avx2(double* acc, const double* a, int ca, const double* b, int cb, long r);

}  // namespace kj::num::kernels
