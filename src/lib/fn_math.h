// Element-wise math built-ins: the natives other groups share (the GAUSS
// dialect's aliases) and the element loop of the math family.
#pragma once

#include <kj80x.h>

#include <cstddef>

#include "lib/arg_checks.h"
#include "value/matrix_cache.h"
#include "value/value.h"
#include "runtime/run_error.h"

namespace kj::lib {

// Natives with the results of the inline functions of the same name.
void fn_exp(KjValue* result, KjValue* args, int count);
void fn_log(KjValue* result, KjValue* args, int count);
void fn_log10(KjValue* result, KjValue* args, int count);
void fn_sqrt(KjValue* result, KjValue* args, int count);
void fn_sqr(KjValue* result, KjValue* args, int count);
void fn_ceil(KjValue* result, KjValue* args, int count);
void fn_floor(KjValue* result, KjValue* args, int count);
void fn_round(KjValue* result, KjValue* args, int count);
void fn_trunc(KjValue* result, KjValue* args, int count);
void fn_fabs(KjValue* result, KjValue* args, int count);
void fn_sin(KjValue* result, KjValue* args, int count);
void fn_cos(KjValue* result, KjValue* args, int count);
void fn_tan(KjValue* result, KjValue* args, int count);
// Applies inline function `name` (an FNI name) to args[0] as the FNI would;
// a type the inline functions reject is a type error for an expected double.
void apply_as_inline(const char* name, KjValue& result, KjValue* args);

// f over the elements of a numeric args[0]: int and double give a double, a
// matrix a matrix of its shape; other types: type error for a double.
template <class F>
void map_double(value::Value& result, value::Value* args, F f) {
    value::Value& a = args[0];
    if (!value::is_null(a) && value::type_of(a) == value::T_Vector) value::materialize(a);
    if (value::is_null(a)) arg_type_error(0, value::T_Double, &a);
    switch (value::type_of(a)) {
        case value::T_Int: value::set_double(result, f(static_cast<double>(a.u.ival))); return;
        case value::T_Double: value::set_double(result, f(a.u.dval)); return;
        case value::T_Matrix: break;
        default: arg_type_error(0, value::T_Double, &a);
    }
    const int r = a.u.mat.r, c = a.u.mat.c;
    value::Value out = value::make_int(0);
    value::set_matrix(out, r, c);
    const std::size_t n = static_cast<std::size_t>(r) * static_cast<std::size_t>(c);
    if (n > 0) {
        const double* src = a.u.mat.m[0];
        double* dst = out.u.mat.m[0];
        for (std::size_t k = 0; k < n; ++k) dst[k] = f(src[k]);
    }
    value::release(result);
    result = out;
}

}  // namespace kj::lib
