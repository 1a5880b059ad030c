// Argument spreading: an array or matrix marked by the spread operator `...`
// (the variable-arguments flag) passes its parts as separate arguments.
#pragma once

#include "vm/engine.h"

namespace kj::vm {

inline bool is_spread(const Value& v) {
    const uint32_t t = value::type_of(v);
    return value::has_flag(v, value::k_varargs) && (t == value::T_Array || t == value::T_Matrix);
}

// Replaces every spread argument among the n records above `callee` by its
// parts, in place: an array by its elements (moved out of a private copy), a
// matrix by its columns (each rows by 1). Following arguments move up, or down
// when a value has no parts (an empty array or matrix), which removes its
// argument. Each expansion needs 10 free records beyond its parts, else
// "stack overflow". All parts are expanded, however many. Returns the new
// argument count; e.sp is above the last argument.
int spread_arguments(Engine& e, Value* callee, int n);

}  // namespace kj::vm
