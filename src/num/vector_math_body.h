// The body of the vector math kernels, included once per instruction set by a
// file that defines KJ_VEC_WIDTH (doubles per vector), KJ_VEC_TYPE, KJ_VEC(op)
// (the intrinsic of that width), KJ_VEC_ANY_GT(x, y) (some lane of x above
// y's), KJ_VEC_SLEEF(fn) (the 1-ULP function of that width) and
// KJ_VEC_NAME(fn) (the kernel's name).
#include <immintrin.h>
#include <sleef.h>

#include <cmath>
#include <cstring>

#include "num/vector_math_kernels.h"

// The intrinsics' own "undefined" operands draw a false warning.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace kj::num::kernels {

namespace {
constexpr std::size_t w = KJ_VEC_WIDTH;  // doubles per vector

using Vec = KJ_VEC_TYPE;

// f over a, vector by vector. Where an argument exceeds `edge` (f's overflow
// region, in which the vector function overflows a little early) the C
// library's function `exact` gives that element.
template <class F>
inline void apply1(F f, double* out, const double* a, std::size_t n, double edge = HUGE_VAL,
                   double (*exact)(double) = nullptr) {
    const Vec limit = KJ_VEC(set1_pd)(edge);
    std::size_t k = 0;
    for (; k + w <= n; k += w) {
        const Vec x = KJ_VEC(loadu_pd)(a + k);
        KJ_VEC(storeu_pd)(out + k, f(x));
        if (KJ_VEC_ANY_GT(x, limit))
            for (std::size_t i = k; i < k + w; ++i)
                if (a[i] > edge) out[i] = exact(a[i]);
    }
    if (k < n) {
        // The tail through a full vector, so that every element gets the same kernel.
        double in[w] = {}, res[w];
        std::memcpy(in, a + k, (n - k) * sizeof(double));
        KJ_VEC(storeu_pd)(res, f(KJ_VEC(loadu_pd)(in)));
        for (std::size_t i = 0; i < n - k; ++i) out[k + i] = in[i] > edge ? exact(in[i]) : res[i];
    }
}
}  // namespace

void KJ_VEC_NAME(map)(VectorFunction f, double* out, const double* a, std::size_t n) {
    switch (f) {
        case VectorFunction::Exp:
            return apply1([](Vec x) { return KJ_VEC_SLEEF(exp)(x); }, out, a, n, 709.0,
                          [](double x) { return std::exp(x); });
        case VectorFunction::Log: return apply1([](Vec x) { return KJ_VEC_SLEEF(log)(x); }, out, a, n);
        case VectorFunction::Sqrt: return apply1([](Vec x) { return KJ_VEC(sqrt_pd)(x); }, out, a, n);
        case VectorFunction::Sin: return apply1([](Vec x) { return KJ_VEC_SLEEF(sin)(x); }, out, a, n);
        case VectorFunction::Cos: return apply1([](Vec x) { return KJ_VEC_SLEEF(cos)(x); }, out, a, n);
    }
}

}  // namespace kj::num::kernels
