// What every operator does to int and double scalars: the one definition that
// the general operator code, the dispatch loop's OPR paths and its fused
// instruction sequences all use.
//
// KJ_SCALAR_BINARY(X) lists X(Name, token, raises, int op int, double op double)
// and KJ_SCALAR_UNARY(X) lists X(Name, token, int op, double op). In the int
// column `a` and `b` are the int operands; in the double column `x` and `y` are
// the operands as doubles (an int with a double meets it as a double). Results
// are I(int expression) or D(double expression); `raises` marks operators that
// may raise a run-time error (callers synchronise the engine first).
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "link/operator_codes.h"
#include "value/value.h"
#include "runtime/run_error.h"

namespace kj::link::scalar {

using value::Value;

// A double truncated toward zero; outside the 32-bit range (NaN included)
// the result is -2147483648.
inline int32_t truncate_to_int(double x) {
    if (!(x > -2147483649.0 && x < 2147483648.0)) return INT32_MIN;
    return static_cast<int32_t>(x);
}

inline int32_t wrap_add(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b)); }
inline int32_t wrap_sub(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b)); }
inline int32_t wrap_mul(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b)); }

// Two NaN are equal, a NaN against a number differs.
inline bool data_equal(double x, double y) {
    if (x != x || y != y) return x != x && y != y;
    return x == y;
}

// The result records, written as whole 8-byte words (type with the reserved
// word, and the first payload word), so that later word-sized loads of the
// record forward from these stores.
inline void put_int(Value& v, int32_t i, uint32_t flags = 0) {
    v.type = value::T_Int | flags;
    v.reserved = 0;
    v.u.w[0] = static_cast<uint32_t>(i);
}
inline void put_double(Value& v, double d) {
    v.type = value::T_Double;
    v.reserved = 0;
    v.u.dval = d;
}

// int ^ int: square-and-multiply in int while every factor stays below 32768
// in magnitude (so no product can overflow), else the double power.
inline void int_power(Value& out, int32_t base, int32_t e) {
    const auto as_double = [&] { put_double(out, std::pow(static_cast<double>(base), static_cast<double>(e))); };
    if (e < 0) {
        if (base == 0) runtime::raise_run_error(runtime::E_NegPowerZero);
        return as_double();
    }
    if (e == 0) return put_int(out, 1);
    if (base == 0) return put_int(out, 0);
    int32_t result = 1, x = base;
    uint32_t n = static_cast<uint32_t>(e);
    for (;;) {
        if (n & 1u) {
            if (std::abs(int64_t{result}) >= 32768 || std::abs(int64_t{x}) >= 32768) return as_double();
            result *= x;
        }
        n >>= 1;
        if (n == 0) return put_int(out, result);
        if (std::abs(int64_t{x}) >= 32768) return as_double();
        x *= x;
    }
}

// The int remainder with the sign of the left operand; a zero divisor is an error.
inline int32_t int_remainder(int32_t a, int32_t b) {
    if (b == 0) runtime::raise_run_error(runtime::E_DivideByZero);
    if (b == -1) return 0;  // INT_MIN % -1 would trap
    return a % b;
}
// Doubles enter `%` rounded to the nearest int.
inline int32_t rounded(double x) { return truncate_to_int(std::floor(x + 0.5)); }

// clang-format off
#define KJ_SCALAR_BINARY(X)                                                                  \
    X(Plus,      link::T_Plus,        false, I(wrap_add(a, b)),     D(x + y))             \
    X(Minus,     link::T_Minus,       false, I(wrap_sub(a, b)),     D(x - y))             \
    X(Times,     link::T_Star,        false, I(wrap_mul(a, b)),     D(x * y))             \
    X(DotTimes,  link::T_DotStar,     false, I(wrap_mul(a, b)),     D(x * y))             \
    X(Kronecker, link::T_StarStar,    false, I(wrap_mul(a, b)),     D(x * y))             \
    X(HDirect,   link::T_G_StarTilde, false, I(wrap_mul(a, b)),     D(x * y))             \
    X(TimesT,    link::T_XYt,         false, I(wrap_mul(a, b)),     D(x * y))             \
    X(Divide,    link::T_Slash,       false, D(double(a) / double(b)), D(x / y))          \
    X(DotDivide, link::T_DotSlash,    false, D(double(a) / double(b)), D(x / y))          \
    X(Power,     link::T_Caret,       true,  P(int_power(out, a, b)), D(std::pow(x, y)))  \
    X(DotPower,  link::T_DotCaret,    true,  P(int_power(out, a, b)), D(std::pow(x, y)))  \
    X(Remainder, link::T_Percent,     true,  I(int_remainder(a, b)), I(int_remainder(rounded(x), rounded(y)))) \
    X(Eq,        link::T_Eq,          false, I(a == b),             I(data_equal(x, y)))  \
    X(Ne,        link::T_Ne,          false, I(a != b),             I(!data_equal(x, y))) \
    X(Lt,        link::T_Lt,          false, I(a < b),              I(x < y))             \
    X(Le,        link::T_Le,          false, I(a <= b),             I(x <= y))            \
    X(Gt,        link::T_Gt,          false, I(a > b),              I(x > y))             \
    X(Ge,        link::T_Ge,          false, I(a >= b),             I(x >= y))            \
    X(DotEq,     link::T_DotEq,       false, I(a == b),             I(data_equal(x, y)))  \
    X(DotNe,     link::T_DotNe,       false, I(a != b),             I(!data_equal(x, y))) \
    X(DotLt,     link::T_DotLt,       false, I(a < b),              I(x < y))             \
    X(DotLe,     link::T_DotLe,       false, I(a <= b),             I(x <= y))            \
    X(DotGt,     link::T_DotGt,       false, I(a > b),              I(x > y))             \
    X(DotGe,     link::T_DotGe,       false, I(a >= b),             I(x >= y))            \
    X(DotAnd,    link::T_DotAndAnd,   false, I(a != 0 && b != 0),   I(x != 0 && y != 0))  \
    X(DotOr,     link::T_DotOrOr,     false, I(a != 0 || b != 0),   I(x != 0 || y != 0))

#define KJ_SCALAR_UNARY(X)                                                       \
    X(Negate,      link::T_UnaryMinus,  I(wrap_sub(0, a)),  D(-x))           \
    X(Increment,   link::T_PlusPlus,    I(wrap_add(a, 1)),  D(x + 1))        \
    X(Decrement,   link::T_MinusMinus,  I(wrap_add(a, -1)), D(x - 1))        \
    X(Not,         link::T_Not,         I(a == 0),          I(x == 0))       \
    X(ToInt,       link::T_Int,         I(a),               I(truncate_to_int(x))) \
    X(ToDouble,    link::T_Double,      D(a),               D(x))            \
    X(IntToDouble, link::T_IntToDouble, D(a),               D(x))
// clang-format on

#define KJ_SCALAR_I(e) put_int(out, static_cast<int32_t>(e))
#define KJ_SCALAR_D(e) put_double(out, static_cast<double>(e))
#define KJ_SCALAR_P(e) e

// One struct per operator: int_int(out, a, b) and dbl_dbl(out, x, y) write the
// result; `out` may be the record an operand was read from.
#define I KJ_SCALAR_I
#define D KJ_SCALAR_D
#define P KJ_SCALAR_P
#define X(Name, token_, raises_, int_expr, dbl_expr)                                           \
    struct Name {                                                                             \
        static constexpr int token = token_;                                                  \
        static constexpr bool raises = raises_;                                               \
        static void int_int(Value& out, int32_t a, int32_t b) { int_expr; }                   \
        static void dbl_dbl(Value& out, double x, double y) { dbl_expr; }                     \
    };
KJ_SCALAR_BINARY(X)
#undef X
#define X(Name, token_, int_expr, dbl_expr)                                                    \
    struct Name {                                                                             \
        static constexpr int token = token_;                                                  \
        static void on_int(Value& out, int32_t a) { int_expr; }                               \
        static void on_dbl(Value& out, double x) { dbl_expr; }                                \
    };
KJ_SCALAR_UNARY(X)
#undef X
#undef I
#undef D
#undef P

// 1 int, 2 double, 0 anything else (no-value records included).
inline int kind(const Value& v) {
    const uint32_t t = v.type & (KJ_TYPE_MASK | value::k_null);
    return t == value::T_Int ? 1 : t == value::T_Double ? 2 : 0;
}

// Applies an operator to two records whose kinds are int or double (kl, kr
// from kind()); the result goes to out, which may be l. False when `code` is
// not a scalar operator.
template <class Op>
inline void apply_binary(Value& out, const Value& l, int kl, const Value& r, int kr) {
    if (kl == 1 && kr == 1) return Op::int_int(out, l.u.ival, r.u.ival);
    const double x = kl == 1 ? l.u.ival : l.u.dval;
    const double y = kr == 1 ? r.u.ival : r.u.dval;
    Op::dbl_dbl(out, x, y);
}

inline bool binary(int code, Value& out, const Value& l, int kl, const Value& r, int kr) {
    switch (code) {
#define X(Name, token_, raises_, int_expr, dbl_expr) \
    case token_: apply_binary<Name>(out, l, kl, r, kr); return true;
        KJ_SCALAR_BINARY(X)
#undef X
        default: return false;
    }
}

// The token is a binary operator of the table that never raises.
constexpr bool is_quiet_binary(int code) {
    switch (code) {
#define X(Name, token_, raises_, int_expr, dbl_expr) \
    case token_: return !raises_;
        KJ_SCALAR_BINARY(X)
#undef X
        default: return false;
    }
}

// A unary operator on an int or double record, in place. False when `code`
// is not a scalar unary operator.
inline bool unary(int code, Value& v, int k) {
    switch (code) {
#define X(Name, token_, int_expr, dbl_expr)   \
    case token_:                              \
        if (k == 1) Name::on_int(v, v.u.ival); \
        else Name::on_dbl(v, v.u.dval);       \
        return true;
        KJ_SCALAR_UNARY(X)
#undef X
        default: return false;
    }
}

}  // namespace kj::link::scalar
