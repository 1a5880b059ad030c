// The body of the vector math kernels, included once per instruction set by a
// file that defines KJ_VEC_WIDTH (doubles per vector), KJ_VEC_TYPE, KJ_VEC(op)
// (the intrinsic of that width), KJ_VEC_ANY_GT(x, y) (some lane of x above
// y's), KJ_VEC_SLEEF(fn) (the 1-ULP function of that width) and
// KJ_VEC_OUTSIDE(x, lo, hi) (the bit mask of the lanes whose magnitude is not
// in [lo, hi), NaN included) and KJ_VEC_NAME(fn) (the kernel's name).
#include <immintrin.h>
#include <sleef.h>

#include <cmath>
#include <cstring>

#include "num/sleef_library.h"
#include "num/vector_math_kernels.h"

// The intrinsics' own "undefined" operands draw a false warning.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace kj::num::kernels {

namespace {
constexpr std::size_t w = KJ_VEC_WIDTH;  // doubles per vector

using Vec = KJ_VEC_TYPE;

#define KJ_VEC_TEXT(x) #x
#define KJ_VEC_NAME_TEXT(x) KJ_VEC_TEXT(x)

// The functions of this width, found in libsleef on first use.
struct Functions {
    decltype(&KJ_VEC_SLEEF(exp)) exp;
    decltype(&KJ_VEC_SLEEF(log)) log;
    decltype(&KJ_VEC_SLEEF(sin)) sin;
    decltype(&KJ_VEC_SLEEF(cos)) cos;
    decltype(&KJ_VEC_SLEEF(pow)) pow;
};

template <class F>
F find(const char* name) {
    return reinterpret_cast<F>(sleef_symbol(name));
}

// Null when the library or one of the functions is missing.
const Functions* functions() {
    static const Functions f{find<decltype(Functions::exp)>(KJ_VEC_NAME_TEXT(KJ_VEC_SLEEF(exp))),
                             find<decltype(Functions::log)>(KJ_VEC_NAME_TEXT(KJ_VEC_SLEEF(log))),
                             find<decltype(Functions::sin)>(KJ_VEC_NAME_TEXT(KJ_VEC_SLEEF(sin))),
                             find<decltype(Functions::cos)>(KJ_VEC_NAME_TEXT(KJ_VEC_SLEEF(cos))),
                             find<decltype(Functions::pow)>(KJ_VEC_NAME_TEXT(KJ_VEC_SLEEF(pow)))};
    static const bool all = f.exp && f.log && f.sin && f.cos && f.pow;
    return all ? &f : nullptr;
}

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

// pow(a[k], b[k]), or pow(a[k], y) when b is null. The vector function agrees
// with the C library on positive finite bases, finite exponents and normal
// results away from the overflow threshold (negative bases with integer
// exponents included); every other lane (zero, infinite or NaN operands,
// NaN, infinite, subnormal or nearly overflowing results) takes the C
// library's value, so special values are the C library's own.
inline void pow_lanes(double* out, const double* a, const double* b, double y, std::size_t n) {
    const Vec tiny = KJ_VEC(set1_pd)(0x1p-1074), inf = KJ_VEC(set1_pd)(HUGE_VAL);
    const Vec normal_lo = KJ_VEC(set1_pd)(0x1p-1021), normal_hi = KJ_VEC(set1_pd)(0x1p1023);
    const Vec zero = KJ_VEC(set1_pd)(0.0);
    const Vec ys = KJ_VEC(set1_pd)(y);
    const auto pow = functions()->pow;
    auto one = [&](double* o, const double* x, const double* e) {
        const Vec xv = KJ_VEC(loadu_pd)(x), yv = e ? KJ_VEC(loadu_pd)(e) : ys;
        const Vec r = pow(xv, yv);
        unsigned redo = KJ_VEC_OUTSIDE(xv, tiny, inf) | KJ_VEC_OUTSIDE(yv, zero, inf) |
                        KJ_VEC_OUTSIDE(r, normal_lo, normal_hi);
        if (redo == 0) return KJ_VEC(storeu_pd)(o, r);
        // o may be x or e: the lanes are patched in a copy.
        double res[w];
        KJ_VEC(storeu_pd)(res, r);
        for (; redo != 0; redo &= redo - 1) {
            const unsigned i = static_cast<unsigned>(__builtin_ctz(redo));
            res[i] = std::pow(x[i], e ? e[i] : y);
        }
        std::memcpy(o, res, sizeof res);
    };
    std::size_t k = 0;
    for (; k + w <= n; k += w) one(out + k, a + k, b ? b + k : nullptr);
    if (k < n) {
        double x[w], e[w], res[w];
        for (std::size_t i = 0; i < w; ++i) {
            x[i] = k + i < n ? a[k + i] : 1.0;
            e[i] = b && k + i < n ? b[k + i] : y;
        }
        one(res, x, e);
        std::memcpy(out + k, res, (n - k) * sizeof(double));
    }
}
}  // namespace

void KJ_VEC_NAME(pow)(double* out, const double* a, const double* b, std::size_t n) {
    pow_lanes(out, a, b, 0.0, n);
}

void KJ_VEC_NAME(pow_scalar)(double* out, const double* a, double y, std::size_t n) {
    pow_lanes(out, a, nullptr, y, n);
}

bool KJ_VEC_NAME(ready)() { return functions() != nullptr; }

void KJ_VEC_NAME(map)(VectorFunction f, double* out, const double* a, std::size_t n) {
    const Functions& s = *functions();
    switch (f) {
        case VectorFunction::Exp:
            return apply1([&s](Vec x) { return s.exp(x); }, out, a, n, 709.0, [](double x) { return std::exp(x); });
        case VectorFunction::Log: return apply1([&s](Vec x) { return s.log(x); }, out, a, n);
        case VectorFunction::Sqrt: return apply1([](Vec x) { return KJ_VEC(sqrt_pd)(x); }, out, a, n);
        case VectorFunction::Sin: return apply1([&s](Vec x) { return s.sin(x); }, out, a, n);
        case VectorFunction::Cos: return apply1([&s](Vec x) { return s.cos(x); }, out, a, n);
    }
}

}  // namespace kj::num::kernels
