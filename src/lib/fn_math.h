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
void fn_exp(value::Value* result, value::Value* args, int count);
void fn_log(value::Value* result, value::Value* args, int count);
void fn_log10(value::Value* result, value::Value* args, int count);
void fn_sqrt(value::Value* result, value::Value* args, int count);
void fn_sqr(value::Value* result, value::Value* args, int count);
void fn_ceil(value::Value* result, value::Value* args, int count);
void fn_floor(value::Value* result, value::Value* args, int count);
void fn_round(value::Value* result, value::Value* args, int count);
void fn_trunc(value::Value* result, value::Value* args, int count);
void fn_fabs(value::Value* result, value::Value* args, int count);
void fn_sin(value::Value* result, value::Value* args, int count);
void fn_cos(value::Value* result, value::Value* args, int count);
void fn_tan(value::Value* result, value::Value* args, int count);
// Applies inline function `name` (an FNI name) to args[0] as the FNI would;
// a type the inline functions reject is a type error for an expected double.
void apply_as_inline(const char* name, value::Value& result, value::Value* args);

}  // namespace kj::lib
