// Argument readers shared by the time-series and ARMA built-ins: each converts
// the record in place or raises the type error for its position.
#pragma once

#include "lib/arg_checks.h"
#include "value/value.h"

namespace kj::lib::ts {

inline value::Value& matrix_arg(value::Value* a, int i) {
    check_type(value::T_Matrix, a, i, i);
    return a[i];
}
inline int int_arg(value::Value* a, int i) {
    check_type(value::T_Int, a, i, i);
    return a[i].u.ival;
}
inline double double_arg(value::Value* a, int i) {
    check_type(value::T_Double, a, i, i);
    return a[i].u.dval;
}
// An optional int argument at i (dflt when not passed).
inline int optional_int(value::Value* a, int count, int i, int dflt) { return count > i ? int_arg(a, i) : dflt; }
// A reference (&x) whose target can receive a value.
inline bool is_reference(const value::Value& v) {
    return !value::is_null(v) && value::type_of(v) == value::T_Array && value::has_flag(v, value::k_address) &&
           v.u.arr.v;
}

}  // namespace kj::lib::ts
