// Argument checks of native functions and the name they report under.
//
// Argument positions are 0-based indices into the argument array (args[i] is
// argument i); messages print them 1-based. Every failure first sends its
// message through KjRunMessage and then raises the run-time error, which
// unwinds (the check does not return).
#pragma once

#include <cstdint>

#include "runtime/current_function.h"
#include "value/value.h"

namespace kj::lib {

// The name the messages below report under (the engine sets it before each
// native call).
using runtime::current_function;
using runtime::set_current_function;

// "%s(): type error in argument %d; expected: %s, found: %s" (or without the
// expected part when expected < 0), then error 37.
[[noreturn, gnu::cold]] void arg_type_error(int index, int expected, const value::Value* found);
// "%s(): error in argument %d", then error 37.
[[noreturn, gnu::cold]] void arg_error(int index);
// "%s(): found matrix[%d][%d] but expected matrix[%d][%d] in argument %d", error 40.
[[noreturn, gnu::cold]] void arg_size_error(int index, const value::Value& found, int r, int c);

// Each of args[first..last] has `type` or converts to it in place (int,
// double and matrix convert; other types must match).
void check_type(int type, value::Value* args, int first, int last);

// True when a matrix of r x c meets the size r0 x c0: equal, or, when r0 or c0
// is 0, any empty matrix.
bool matrix_size_matches(int r, int c, int r0, int c0);

// Each of args[first..last] is (or converts to) an r x c matrix.
void check_matrix_size(value::Value* args, int first, int last, int r, int c);
// Each of args[first..last] is (or converts to) a square matrix:
// "%s(): found matrix[%d][%d] but expected square matrix in argument %d", error 40.
void check_square_matrix(value::Value* args, int first, int last);
// None of args[first..last] is a matrix with data m: error 34 otherwise.
void check_array_matrix(value::Value* args, int first, int last, double** m);

}  // namespace kj::lib
