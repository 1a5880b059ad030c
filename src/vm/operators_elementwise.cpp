// Element-wise binary operators with at least one matrix operand: the shape
// rules (scalar expansion, equal shapes, broadcasting, empty operands) and
// the choice of the result block (an owned operand of the result's shape is
// reused in place, so A + B with an owning A allocates nothing).
#include <cmath>
#include <type_traits>

#include "link/operator_codes.h"
#include "num/split_in_two.h"
#include "num/vector_math.h"
#include "value/matrix_block.h"
#include "vm/conversions.h"
#include "vm/operators_operand.h"

namespace kj::vm {

using namespace value;
using namespace link;

namespace {

struct Add { double operator()(double a, double b) const { return a + b; } };
struct Sub { double operator()(double a, double b) const { return a - b; } };
struct Mul { double operator()(double a, double b) const { return a * b; } };
struct Div { double operator()(double a, double b) const { return a / b; } };
struct Pow { double operator()(double a, double b) const { return std::pow(a, b); } };
struct Mod {
    // Both sides rounded to the nearest integer first; the remainder has the
    // sign of the left operand, as for ints.
    double operator()(double a, double b) const {
        const double x = std::floor(a + 0.5), y = std::floor(b + 0.5);
        if (y == 0) runtime::raise_run_error(runtime::E_DivideByZero);
        return std::fmod(x, y) + 0.0;  // + 0.0 turns -0 into 0
    }
};
struct Eq { double operator()(double a, double b) const { return data_equal(a, b) ? 1.0 : 0.0; } };
struct Ne { double operator()(double a, double b) const { return data_equal(a, b) ? 0.0 : 1.0; } };
struct Lt { double operator()(double a, double b) const { return a < b ? 1.0 : 0.0; } };
struct Le { double operator()(double a, double b) const { return a <= b ? 1.0 : 0.0; } };
struct Gt { double operator()(double a, double b) const { return a > b ? 1.0 : 0.0; } };
struct Ge { double operator()(double a, double b) const { return a >= b ? 1.0 : 0.0; } };
struct And { double operator()(double a, double b) const { return (a != 0 && b != 0) ? 1.0 : 0.0; } };
struct Or { double operator()(double a, double b) const { return (a != 0 || b != 0) ? 1.0 : 0.0; } };

// The result shape, or "bad operand" when the shapes clash.
num::Shape result_shape(int code, Value*& sp, const Num& a, const Num& b) {
    if (a.scalar_like() && b.scalar_like()) return {1, 1};
    if (a.scalar_like()) return b.shape();
    if (b.scalar_like()) return a.shape();
    if (a.shape() == b.shape()) return a.shape();
    if (a.r == 0 || a.c == 0 || b.r == 0 || b.c == 0) return {0, 0};
    const bool rows_ok = a.r == b.r || a.r == 1 || b.r == 1;
    const bool cols_ok = a.c == b.c || a.c == 1 || b.c == 1;
    if (!rows_ok || !cols_ok) raise_bad_operand(sp[-1], code, sp[0]);
    return {a.r > b.r ? a.r : b.r, a.c > b.c ? a.c : b.c};
}

// Blocks of at least this many elements are split between two threads: one
// core alone cannot draw the memory bandwidth of both.
constexpr std::size_t k_split_elements = std::size_t{1} << 18;

// Same-shape and scalar cases on [lo, hi) of the elements.
template <class F>
void compute_part(double* out, const Num& a, const Num& b, F f, std::size_t lo, std::size_t hi) {
    if (a.scalar_like())
        num::map2_scalar_left(out + lo, a.scalar(), b.p + lo, hi - lo, f);
    else if (b.scalar_like())
        num::map2_scalar_right(out + lo, a.p + lo, b.scalar(), hi - lo, f);
    else
        num::map2(out + lo, a.p + lo, b.p + lo, hi - lo, f);
}

template <class F>
void compute(double* out, num::Shape so, const Num& a, const Num& b, F f) {
    const std::size_t n = so.count();
    if (n == 0) return;
    if (!(a.scalar_like() && b.scalar_like()) && (a.scalar_like() || b.scalar_like() || a.shape() == b.shape())) {
        if constexpr (std::is_same_v<F, Pow>) {
            if (!a.scalar_like()) {
                if (b.scalar_like()) return num::vector_pow_scalar(out, a.p, b.scalar(), n);
                return num::vector_pow(out, a.p, b.p, n);
            }
        }
        // Mod raises on a zero divisor: it stays on the calling thread.
        if constexpr (!std::is_same_v<F, Mod>) {
            return num::split_in_two(n, k_split_elements,
                                     [&](std::size_t lo, std::size_t hi) { compute_part(out, a, b, f, lo, hi); });
        }
    }
    if (a.scalar_like() && b.scalar_like())
        out[0] = f(a.scalar(), b.scalar());
    else if (a.scalar_like())
        num::map2_scalar_left(out, a.scalar(), b.p, n, f);
    else if (b.scalar_like())
        num::map2_scalar_right(out, a.p, b.scalar(), n, f);
    else if (a.shape() == b.shape())
        num::map2(out, a.p, b.p, n, f);
    else
        num::broadcast2(out, so, a.p, a.shape(), b.p, b.shape(), f);
}

template <class F>
void run(int code, Value*& sp, const Num& a, const Num& b, F f) {
    const num::Shape so = result_shape(code, sp, a, b);
    Value& l = sp[-1];
    Value& r = sp[0];
    // Reuse an owned operand block of the result's shape. The block is
    // written before ownership moves, so an error part-way leaves the
    // operand owning it.
    if (a.is_matrix() && owns(l) && a.shape() == so) {
        compute(a.p, so, a, b, f);
        return finish_binary(sp, steal(l));
    }
    if (b.is_matrix() && owns(r) && b.shape() == so) {
        compute(b.p, so, a, b, f);
        return finish_binary(sp, steal(r));
    }
    MatrixTemp t(so.r, so.c);
    compute(t.data(), so, a, b, f);
    finish_binary(sp, t.take());
}

}  // namespace

void elementwise(int code, Value*& sp, const Num& a, const Num& b) {
    switch (code) {
        case T_Plus: return run(code, sp, a, b, Add{});
        case T_Minus: return run(code, sp, a, b, Sub{});
        case T_Slash: case T_DotSlash: return run(code, sp, a, b, Div{});
        case T_Caret: case T_DotCaret: return run(code, sp, a, b, Pow{});
        case T_Percent: return run(code, sp, a, b, Mod{});
        case T_DotEq: return run(code, sp, a, b, Eq{});
        case T_DotNe: return run(code, sp, a, b, Ne{});
        case T_DotLt: return run(code, sp, a, b, Lt{});
        case T_DotLe: return run(code, sp, a, b, Le{});
        case T_DotGt: return run(code, sp, a, b, Gt{});
        case T_DotGe: return run(code, sp, a, b, Ge{});
        case T_DotAndAnd: return run(code, sp, a, b, And{});
        case T_DotOrOr: return run(code, sp, a, b, Or{});
        case T_Star: case T_DotStar: case T_StarStar: case T_G_StarTilde: case T_XYt:
            return run(code, sp, a, b, Mul{});
        default: raise_bad_operand(sp[-1], code, sp[0]);
    }
}

}  // namespace kj::vm
