// Scalar shortcuts of the dispatch loop: the result records of the scalar
// operator table, and the truth of an int or double top. The loop's operator
// handlers take int and double operands only; a "vector" (an element still
// to be materialised) goes to apply_operator, which materialises it first.
#pragma once

#include <cstdint>

#include "value/value.h"
#include "link/scalar_operators.h"

namespace kj::vm::fast {

using value::Value;
using link::scalar::put_double;
using link::scalar::put_int;

// An int or double with a value, from its type word, in one test.
inline bool is_number(uint32_t type) {
    static_assert(value::T_Int == 1 && value::T_Double == 2);
    return ((type & (KJ_TYPE_MASK | value::k_null)) - 1u) < 2u;
}

// Truth of an int or double top: 1 true, 0 false, -1 for the general rules.
inline int truth(const Value& v) {
    switch (link::scalar::kind(v)) {
        case 1: return v.u.ival != 0;
        case 2: return v.u.dval == v.u.dval && v.u.dval != 0.0;
        default: return -1;
    }
}

}  // namespace kj::vm::fast
