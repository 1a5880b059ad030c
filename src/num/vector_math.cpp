#include "num/vector_math.h"

#include <cmath>

#include "num/instruction_sets.h"
#include "num/vector_math_kernels.h"
#include "num/split_in_two.h"

namespace kj::num {

namespace {
using Kernels = InstructionSet;

bool g_force_scalar = false;

Kernels chosen() {
    if (g_force_scalar) return Kernels::Scalar;
    const Kernels k = instruction_set();
    // The vector kernels draw on libsleef, loaded with the first of them.
    if ((k == Kernels::Avx512 && !kernels::ready_avx512()) || (k == Kernels::Avx2 && !kernels::ready_avx2()))
        return Kernels::Scalar;
    return k;
}

// Below this many elements one thread does the work (a thread costs tens of
// microseconds; a transcendental function about a nanosecond per element).
constexpr std::size_t k_split_map = std::size_t{1} << 16;

double scalar_of(VectorFunction f, double x) {
    switch (f) {
        case VectorFunction::Exp: return std::exp(x);
        case VectorFunction::Log: return std::log(x);
        case VectorFunction::Sqrt: return std::sqrt(x);
        case VectorFunction::Sin: return std::sin(x);
        case VectorFunction::Cos: return std::cos(x);
    }
    return x;
}

void map_part(Kernels k, VectorFunction f, double* out, const double* a, std::size_t n) {
    switch (k) {
        case Kernels::Avx512: return kernels::map_avx512(f, out, a, n);
        case Kernels::Avx2: return kernels::map_avx2(f, out, a, n);
        case Kernels::Scalar:
            for (std::size_t i = 0; i < n; ++i) out[i] = scalar_of(f, a[i]);
            return;
    }
}

void pow_part(Kernels k, double* out, const double* a, const double* b, double y, std::size_t n) {
    if (!b && y == 2) {
        // Squares: the product is correctly rounded, with pow's special values.
        for (std::size_t i = 0; i < n; ++i) out[i] = a[i] * a[i];
        return;
    }
    switch (k) {
        case Kernels::Avx512:
            return b ? kernels::pow_avx512(out, a, b, n) : kernels::pow_scalar_avx512(out, a, y, n);
        case Kernels::Avx2: return b ? kernels::pow_avx2(out, a, b, n) : kernels::pow_scalar_avx2(out, a, y, n);
        case Kernels::Scalar:
            for (std::size_t i = 0; i < n; ++i) out[i] = std::pow(a[i], b ? b[i] : y);
            return;
    }
}
}  // namespace

void vector_map(VectorFunction f, double* out, const double* a, std::size_t n) {
    const Kernels k = chosen();
    split_in_two(n, k_split_map, [&](std::size_t lo, std::size_t hi) { map_part(k, f, out + lo, a + lo, hi - lo); });
}

void vector_pow(double* out, const double* a, const double* b, std::size_t n) {
    const Kernels k = chosen();
    split_in_two(n, k_split_map, [&](std::size_t lo, std::size_t hi) { pow_part(k, out + lo, a + lo, b + lo, 0, hi - lo); });
}

void vector_pow_scalar(double* out, const double* a, double y, std::size_t n) {
    const Kernels k = chosen();
    split_in_two(n, k_split_map,
                 [&](std::size_t lo, std::size_t hi) { pow_part(k, out + lo, a + lo, nullptr, y, hi - lo); });
}

const char* vector_math_kernels() {
    switch (chosen()) {
        case Kernels::Avx512: return "avx512";
        case Kernels::Avx2: return "avx2";
        case Kernels::Scalar: return "scalar";
    }
    return "scalar";
}

void use_scalar_vector_math(bool scalar) { g_force_scalar = scalar; }

}  // namespace kj::num
