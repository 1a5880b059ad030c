// In-place conversions of a record to int, double or matrix, as native code and
// the argument checks apply them. They never raise (except through a pending
// "vector" index being materialised): a value that cannot be converted is left
// unchanged and the result is false. A converted record keeps its const mark;
// an owned payload it had is released.
#pragma once

#include <cstdint>

#include "value/value.h"

namespace kj::lib {

// Truncation toward zero; NaN and values outside the 32-bit range give INT32_MIN.
int32_t double_to_int(double x);

// The double whose 8 bytes are the string's first (up to) 8 bytes, zero-padded.
double packed_string_double(const char* s, int len);

// int: a double truncated; a matrix's first element (empty fails); a string's
// first byte, signed (0 when empty); a range's first index.
bool convert_to_int(value::Value& v, int32_t* out);

// double: an int exactly; a matrix's first element (empty fails); a string
// packed as by packed_string_double.
bool convert_to_double(value::Value& v, double* out);

// matrix: int or double 1 x 1; a string 1 x 1 holding its first byte (0 when
// empty); a range the row vector first..last (empty when last < first or last
// is negative). A value without value fails.
bool convert_to_matrix(value::Value& v);

}  // namespace kj::lib
