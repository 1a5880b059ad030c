#include "lib/conversions.h"

#include <cstring>
#include <limits>

#include "value/matrix_cache.h"
#include "runtime/run_error.h"

namespace kj::lib {

using value::Value;

namespace {
// Replaces v by a scalar or matrix record, releasing v's own payload.
void replace(Value& v, Value out) {
    const uint32_t keep = v.type & value::k_const;
    value::release(v);
    out.type |= keep;
    v = out;
}

bool has_first_element(const Value& v) { return v.u.mat.r > 0 && v.u.mat.c > 0 && v.u.mat.m; }

int32_t first_byte(const Value& v) {
    return v.u.str.len > 0 ? static_cast<int32_t>(static_cast<signed char>(v.u.str.s[0])) : 0;
}

// A pending index is resolved first; a value without value never converts.
bool prepare(Value& v) {
    if (value::is_null(v)) return false;
    if (value::type_of(v) == value::T_Vector) value::materialize(v);
    return true;
}
}  // namespace

bool try_convert_to_int(Value& v, int32_t* out) {
    if (!prepare(v)) return false;
    int32_t i;
    switch (value::type_of(v)) {
        case value::T_Int: i = v.u.ival; break;
        case value::T_Double: i = vm::truncate_to_int(v.u.dval); break;
        case value::T_Matrix:
            if (!has_first_element(v)) return false;
            i = vm::truncate_to_int(v.u.mat.m[0][0]);
            break;
        case value::T_String: i = first_byte(v); break;
        case value::T_Range: i = v.u.rng.first; break;
        default: return false;
    }
    if (value::type_of(v) != value::T_Int) replace(v, value::make_int(i));
    if (out) *out = i;
    return true;
}

bool try_convert_to_double(Value& v, double* out) {
    if (!prepare(v)) return false;
    double d;
    switch (value::type_of(v)) {
        case value::T_Int: d = v.u.ival; break;
        case value::T_Double: d = v.u.dval; break;
        case value::T_Matrix:
            if (!has_first_element(v)) return false;
            d = v.u.mat.m[0][0];
            break;
        case value::T_String: d = vm::packed_string(v.u.str.s, v.u.str.len); break;
        default: return false;
    }
    if (value::type_of(v) != value::T_Double) replace(v, value::make_double(d));
    if (out) *out = d;
    return true;
}

bool try_convert_to_matrix(Value& v) {
    if (!prepare(v)) return false;
    int first = 0, n = 1;
    double x = 0;
    switch (value::type_of(v)) {
        case value::T_Matrix: return true;
        case value::T_Int: x = v.u.ival; break;
        case value::T_Double: x = v.u.dval; break;
        case value::T_String: x = first_byte(v); break;
        case value::T_Range:
            first = v.u.rng.first;
            n = v.u.rng.last < 0 || v.u.rng.last < first ? 0 : v.u.rng.last - first + 1;
            break;
        default: return false;
    }
    Value out{};
    out.type = value::T_Matrix | value::k_owns;
    if (n > 0) {
        out.u.mat.m = value::mat_alloc_cached(1, n);
        if (!out.u.mat.m) runtime::raise_run_error(runtime::E_OutOfMemory);
        out.u.mat.r = 1;
        out.u.mat.c = n;
        if (value::type_of(v) == value::T_Range)
            for (int k = 0; k < n; ++k) out.u.mat.m[0][k] = first + k;
        else
            out.u.mat.m[0][0] = x;
    }
    replace(v, out);
    return true;
}

}  // namespace kj::lib
