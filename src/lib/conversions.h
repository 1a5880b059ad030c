// In-place conversions of a record to int, double or matrix, as native code and
// the argument checks apply them. They never raise (except through a pending
// "vector" index being materialised): a value that cannot be converted is left
// unchanged and the result is false. A converted record keeps its const mark;
// an owned payload it had is released.
#pragma once

#include <cstdint>

#include "value/value.h"
#include "vm/conversions.h"

namespace kj::lib {

// int: a double truncated; a matrix's first element (empty fails); a string's
// first byte, signed (0 when empty); a range's first index.
bool try_convert_to_int(value::Value& v, int32_t* out);

// double: an int exactly; a matrix's first element (empty fails); a string
// packed as by vm::packed_string.
bool try_convert_to_double(value::Value& v, double* out);

// matrix: int or double 1 x 1; a string 1 x 1 holding its first byte (0 when
// empty); a range the row vector first..last (empty when last < first or last
// is negative). A value without value fails.
bool try_convert_to_matrix(value::Value& v);

}  // namespace kj::lib
