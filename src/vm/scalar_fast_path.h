// Operator fast paths on int and double scalars, used only by the dispatch
// loop. Each handles exactly the cases where its result equals the general
// operator's; everything else returns false and goes to apply_operator.
#pragma once

#include <cstdint>

#include "link/operators.h"
#include "value/value.h"

namespace kj::vm::fast {

using value::Value;

// 1 int, 2 double, 0 anything else (no-value records included).
inline int scalar_kind(const Value& v) {
    const uint32_t t = v.type & (KJ_TYPE_MASK | value::k_null);
    return t == value::T_Int ? 1 : t == value::T_Double ? 2 : 0;
}

inline double as_double(const Value& v, int kind) { return kind == 1 ? v.u.ival : v.u.dval; }

// Scalars are written as whole 8-byte words (type with the reserved word, and
// the first payload word), so that later word-sized loads of the record
// forward from these stores.
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

// int arithmetic wraps around in 32-bit two's complement.
inline int32_t wrap(uint32_t x) { return static_cast<int32_t>(x); }

inline bool int_binary(int code, Value& l, int32_t a, int32_t b) {
    using namespace kj::link;
    const auto ua = static_cast<uint32_t>(a), ub = static_cast<uint32_t>(b);
    switch (code) {
        case T_Plus: put_int(l, wrap(ua + ub)); return true;
        case T_Minus: put_int(l, wrap(ua - ub)); return true;
        case T_Star:
        case T_DotStar: put_int(l, wrap(ua * ub)); return true;
        case T_Slash:
        case T_DotSlash: put_double(l, static_cast<double>(a) / static_cast<double>(b)); return true;
        case T_Percent:
            if (b == 0) return false;
            put_int(l, b == -1 ? 0 : a % b);
            return true;
        case T_Eq: put_int(l, a == b); return true;
        case T_Ne: put_int(l, a != b); return true;
        case T_Lt: put_int(l, a < b); return true;
        case T_Le: put_int(l, a <= b); return true;
        case T_Gt: put_int(l, a > b); return true;
        case T_Ge: put_int(l, a >= b); return true;
        default: return false;
    }
}

inline bool double_binary(int code, Value& l, double a, double b) {
    using namespace kj::link;
    switch (code) {
        case T_Plus: put_double(l, a + b); return true;
        case T_Minus: put_double(l, a - b); return true;
        case T_Star:
        case T_DotStar: put_double(l, a * b); return true;
        case T_Slash:
        case T_DotSlash: put_double(l, a / b); return true;
        // Equality involving NaN has rules of its own.
        case T_Eq:
            if (a != a || b != b) return false;
            put_int(l, a == b);
            return true;
        case T_Ne:
            if (a != a || b != b) return false;
            put_int(l, a != b);
            return true;
        // An ordering with NaN is false, as IEEE comparisons are.
        case T_Lt: put_int(l, a < b); return true;
        case T_Le: put_int(l, a <= b); return true;
        case T_Gt: put_int(l, a > b); return true;
        case T_Ge: put_int(l, a >= b); return true;
        default: return false;
    }
}

// Both top records are ints with a value (a unary operator reads only the
// top, so int_binary's codes never match one).
inline bool int_operands(const Value* sp) {
    constexpr uint32_t mask = KJ_TYPE_MASK | value::k_null;
    return (sp[0].type & mask) == value::T_Int && (sp[-1].type & mask) == value::T_Int;
}

// Binary operator on sp[-1] and sp[0]; on success the result is in sp[-1]
// and the caller pops one.
inline bool binary(int code, Value* sp) {
    Value& l = sp[-1];
    const Value& r = sp[0];
    const int kl = scalar_kind(l), kr = scalar_kind(r);
    if (kl == 0 || kr == 0) return false;
    if (kl == 1 && kr == 1) return int_binary(code, l, l.u.ival, r.u.ival);
    return double_binary(code, l, as_double(l, kl), as_double(r, kr));
}

// Unary minus, increment and decrement in place on the top.
inline bool unary(int code, Value& v) {
    using namespace kj::link;
    const int k = scalar_kind(v);
    if (k == 0) return false;
    int32_t step;
    switch (code) {
        case T_UnaryMinus:
            if (k == 1)
                put_int(v, wrap(0u - static_cast<uint32_t>(v.u.ival)));
            else
                put_double(v, -v.u.dval);
            return true;
        case T_PlusPlus: step = 1; break;
        case T_MinusMinus: step = -1; break;
        default: return false;
    }
    if (k == 1)
        put_int(v, wrap(static_cast<uint32_t>(v.u.ival) + static_cast<uint32_t>(step)));
    else
        put_double(v, v.u.dval + step);
    return true;
}

inline bool is_unary(int code) {
    using namespace kj::link;
    return code == T_UnaryMinus || code == T_PlusPlus || code == T_MinusMinus;
}

// Truth of an int or double top: 1 true, 0 false, -1 for the general rules.
inline int truth(const Value& v) {
    switch (scalar_kind(v)) {
        case 1: return v.u.ival != 0;
        case 2: return v.u.dval == v.u.dval && v.u.dval != 0.0;
        default: return -1;
    }
}

}  // namespace kj::vm::fast
