// Sorting built-ins: sortc, sortr, sortbyc, sortbyr, sortcindex, and the one
// order they share with the set functions: ascending, NaN before every number,
// all NaN equal to each other.
#pragma once

#include <cmath>
#include <string_view>

#include "value/value.h"

namespace kj::lib {

void fn_sortc(value::Value* result, value::Value* args, int count);
void fn_sortr(value::Value* result, value::Value* args, int count);
void fn_sortbyc(value::Value* result, value::Value* args, int count);
void fn_sortbyr(value::Value* result, value::Value* args, int count);
void fn_sortcindex(value::Value* result, value::Value* args, int count);

// The NaN-first order: a strict weak ordering of all doubles.
inline bool nan_first_less(double a, double b) { return std::isnan(a) ? !std::isnan(b) : a < b; }
// Equality under that order (NaN equals NaN).
inline bool nan_equal(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

// Sorts x[0..n) in the NaN-first order.
void sort_nan_first(double* x, long n);

// Byte-by-byte order of strings (a prefix first).
inline bool string_less(std::string_view a, std::string_view b) { return a < b; }

}  // namespace kj::lib
