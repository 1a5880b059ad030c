// Element-wise loops over row-major data with the shape rules of the
// operators: equal shapes, a scalar against a block, and broadcasting where a
// dimension of 1 is repeated against the other operand's dimension.
// `out` may be the same memory as `a` or `b` when that operand has the
// result's shape: every element is read before its position is written.
#pragma once

#include <cstddef>

namespace kj::num {

struct Shape {
    int r = 0, c = 0;
    std::size_t count() const { return static_cast<std::size_t>(r) * static_cast<std::size_t>(c); }
    bool operator==(const Shape&) const = default;
};

// out[k] = f(a[k], b[k]) for k < n.
template <class F>
inline void map2(double* out, const double* a, const double* b, std::size_t n, F f) {
    for (std::size_t k = 0; k < n; ++k) out[k] = f(a[k], b[k]);
}
template <class F>
inline void map2_scalar_right(double* out, const double* a, double b, std::size_t n, F f) {
    for (std::size_t k = 0; k < n; ++k) out[k] = f(a[k], b);
}
template <class F>
inline void map2_scalar_left(double* out, double a, const double* b, std::size_t n, F f) {
    for (std::size_t k = 0; k < n; ++k) out[k] = f(a, b[k]);
}
template <class F>
inline void map1(double* out, const double* a, std::size_t n, F f) {
    for (std::size_t k = 0; k < n; ++k) out[k] = f(a[k]);
}

// Broadcasting: sa and sb are compatible with the result shape `so` (each
// dimension equal to so's or 1).
template <class F>
inline void broadcast2(double* out, Shape so, const double* a, Shape sa, const double* b, Shape sb, F f) {
    const std::size_t a_row = sa.r == 1 ? 0 : static_cast<std::size_t>(sa.c);
    const std::size_t b_row = sb.r == 1 ? 0 : static_cast<std::size_t>(sb.c);
    const bool a_col = sa.c != 1, b_col = sb.c != 1;
    for (int i = 0; i < so.r; ++i) {
        const double* ai = a + i * a_row;
        const double* bi = b + i * b_row;
        double* oi = out + static_cast<std::size_t>(i) * so.c;
        if (a_col && b_col)
            for (int j = 0; j < so.c; ++j) oi[j] = f(ai[j], bi[j]);
        else if (a_col)
            for (int j = 0; j < so.c; ++j) oi[j] = f(ai[j], bi[0]);
        else if (b_col)
            for (int j = 0; j < so.c; ++j) oi[j] = f(ai[0], bi[j]);
        else
            for (int j = 0; j < so.c; ++j) oi[j] = f(ai[0], bi[0]);
    }
}

}  // namespace kj::num
