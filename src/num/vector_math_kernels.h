// The vector kernels behind vector_math.h, one translation unit per
// instruction set; each is called only when the processor has that set.
#pragma once

#include <cstddef>

#include "num/vector_math.h"

namespace kj::num::kernels {

// The kernels of a width are ready when libsleef has their functions.
bool ready_avx512();
bool ready_avx2();

void map_avx512(VectorFunction f, double* out, const double* a, std::size_t n);
void map_avx2(VectorFunction f, double* out, const double* a, std::size_t n);
// out[k] = pow(a[k], b[k]) and out[k] = pow(a[k], y).
void pow_avx512(double* out, const double* a, const double* b, std::size_t n);
void pow_avx2(double* out, const double* a, const double* b, std::size_t n);
void pow_scalar_avx512(double* out, const double* a, double y, std::size_t n);
void pow_scalar_avx2(double* out, const double* a, double y, std::size_t n);

}  // namespace kj::num::kernels
