// Conversions between value types, used by the casts, by indexing and by the
// argument checks of library functions. Failures raise the run-time errors
// 45 "cannot cast to int", 46 "cannot cast to double", 47 "cannot cast to
// matrix" or 30 "cannot typecast", with the value's description as text.
#pragma once

#include <cstdint>
#include <string>

#include "link/scalar_operators.h"
#include "value/value.h"

namespace kj::vm {

// Strict conversions accept a matrix only when it is 1 by 1 and a range only
// when it is open or holds one index; lenient ones take the first element.
enum class Strictness { Lenient, Strict };

using link::scalar::truncate_to_int;

int32_t to_int(const value::Value& v, Strictness s = Strictness::Lenient);

// A dimension or length given as a number (a double is truncated), checked
// before it is narrowed to 32 bits.
enum class SizeFault { None, NotANumber, Negative, TooLarge };
SizeFault size_fault(double x);
// "%g" of x, or ".NaN", ".Inf", "-.Inf".
std::string number_text(double x);
// to_int for a size: NaN or an infinity is error 42 "invalid number in
// operation", a negative size error 39, one beyond 32 bits error 4 "out of
// memory"; the text names the offending number.
int to_dimension(const value::Value& v);
double to_double(const value::Value& v, Strictness s = Strictness::Lenient);

// In-place conversions of a record (the cast operators). The result owns its
// payload; an owned payload of the old record is released.
void convert_to_int(value::Value& v);
void convert_to_double(value::Value& v);
void convert_to_matrix(value::Value& v);
void convert_to_string(value::Value& v);
void convert_to_array(value::Value& v);   // a spread-marked matrix: its elements
void wrap_in_array(value::Value& v);      // `}`: an array of one element
// `<int2dbl>`: int and string to double; other records unchanged.
void int_to_double(value::Value& v);
// Internal 181: int or double to a 1 by 1 matrix; other records unchanged.
void scalar_to_matrix(value::Value& v);

// The double holding the first up to 8 bytes of a string, zero-padded.
double packed_string(const char* s, int len);

}  // namespace kj::vm
