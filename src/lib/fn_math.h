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

}  // namespace kj::lib
