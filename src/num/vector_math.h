// Element-wise exp, log, sqrt, sin, cos and pow over blocks of doubles,
// vectorised where the processor allows (AVX-512 or AVX2 kernels of the 1-ULP
// vector math library; sqrt is exact), with results within 1 ULP of the C
// library and the same special values. Large blocks are split between two
// threads (split_in_two.h).
#pragma once

#include <cstddef>

namespace kj::num {

enum class VectorFunction { Exp, Log, Sqrt, Sin, Cos };

// out[k] = f(a[k]) for k < n; out may be a.
void vector_map(VectorFunction f, double* out, const double* a, std::size_t n);
// out[k] = pow(a[k], b[k]); out may be a or b.
void vector_pow(double* out, const double* a, const double* b, std::size_t n);
// out[k] = pow(a[k], y); out may be a.
void vector_pow_scalar(double* out, const double* a, double y, std::size_t n);

// The kernel set in use: "avx512", "avx2" or "scalar" (for tests and benchmarks).
const char* vector_math_kernels();
// Forces the scalar C-library loops (true) or the detected kernels (false).
void use_scalar_vector_math(bool scalar);

}  // namespace kj::num
