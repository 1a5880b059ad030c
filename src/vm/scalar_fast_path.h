// Operator fast paths on int and double scalars, used only by the dispatch
// loop. The results come from the scalar operator table that the general
// operator code uses too; everything else returns false and goes to
// apply_operator.
#pragma once

#include <cstdint>

#include "value/value.h"
#include "link/scalar_operators.h"

namespace kj::vm::fast {

using value::Value;
using link::scalar::put_double;
using link::scalar::put_int;

inline int scalar_kind(const Value& v) { return link::scalar::kind(v); }

// A binary operator of the table that never raises, on sp[-1] and sp[0]; on
// success the result is in sp[-1] and the caller pops one.
inline bool binary(int code, Value* sp) {
    const int kl = link::scalar::kind(sp[-1]), kr = link::scalar::kind(sp[0]);
    if (kl == 0 || kr == 0 || !link::scalar::is_quiet_binary(code)) return false;
    return link::scalar::binary(code, sp[-1], sp[-1], kl, sp[0], kr);
}

// A unary operator of the table on an int or double top, in place.
inline bool unary(int code, Value& v) {
    const int k = link::scalar::kind(v);
    return k != 0 && link::scalar::unary(code, v, k);
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
