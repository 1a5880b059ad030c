// Type and value tests: isaddress, isarray, isclass, isdotfeq, isdotinf,
// isdotmissing, isdotnan, isdouble, iseq, isfeq, isfile, isfunction, isint,
// ismatrix, ismissing, isnan, isstatic, isstring; the fuzzy comparison and
// the class queries they need.
#pragma once

#include <string_view>

#include <kj80x.h>

#include "value/value.h"

namespace kj::lib {

void fn_isaddress(value::Value* result, value::Value* args, int count);
void fn_isarray(value::Value* result, value::Value* args, int count);
void fn_isclass(value::Value* result, value::Value* args, int count);
void fn_isdotfeq(value::Value* result, value::Value* args, int count);
void fn_isdotinf(value::Value* result, value::Value* args, int count);
void fn_isdotnan(value::Value* result, value::Value* args, int count);   // also isdotmissing
void fn_isdouble(value::Value* result, value::Value* args, int count);
void fn_iseq(value::Value* result, value::Value* args, int count);
void fn_isfeq(value::Value* result, value::Value* args, int count);
void fn_isfile(value::Value* result, value::Value* args, int count);
void fn_isfunction(value::Value* result, value::Value* args, int count);
void fn_isint(value::Value* result, value::Value* args, int count);
void fn_ismatrix(value::Value* result, value::Value* args, int count);
void fn_ismissing(value::Value* result, value::Value* args, int count);  // also isnan
void fn_isstatic(value::Value* result, value::Value* args, int count);
void fn_isstring(value::Value* result, value::Value* args, int count);

// The process-wide tolerance of the fuzzy comparisons (default 1e-13); the
// setter ignores values <= 0 (the fuzziness built-in's rule).
void fn_fuzziness(value::Value* result, value::Value* args, int count);
double fuzzy_tolerance();
void set_fuzzy_tolerance(double eps);

// |a - b| <= f * max(1, |a|, |b|) with f the tolerance; NaN equals only NaN.
bool fuzzy_equal(double a, double b);

// Deep equality of iseq.
bool values_equal(const value::Value& a, const value::Value& b);

// For an object: 1 when its class or a base class has a data member named
// `name`, 2 for a member function of that name, else 0.
int class_member_kind(const value::Value& object, std::string_view name);
// For an object: its class is named `name` or, with `derived`, a class on its
// base-class chain is. A name matches the class's full name or the part after
// the last "::".
bool class_matches(const value::Value& object, std::string_view name, bool derived);

}  // namespace kj::lib
