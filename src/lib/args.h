// Reading the arguments of a built-in and writing its result: the one API
// for native function bodies.
//
// Readers named *_arg convert the record in place (int, double and 1 x 1
// matrix conversions, as lib/conversions.h applies them) and raise the
// argument error of lib/arg_checks.h for that argument under the current
// function's name; they return only with a usable value. The try_convert_*
// functions of lib/conversions.h never raise: they report success. The is_*
// predicates only look.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "lib/arg_checks.h"
#include "lib/conversions.h"
#include "value/value.h"

namespace kj::lib {

// args[i] as a matrix (an int or double becomes 1 x 1, a range a row of its
// indices); a string is a type error.
inline value::Value& matrix_value_arg(value::Value* args, int i) {
    if (value::type_of(args[i]) == value::T_String || !try_convert_to_matrix(args[i]))
        arg_type_error(i, value::T_Matrix, &args[i]);
    return args[i];
}


inline bool is_type(const value::Value& v, uint32_t t) { return !value::is_null(v) && value::type_of(v) == t; }
inline bool is_string(const value::Value& v) { return is_type(v, value::T_String); }
inline bool is_scalar(const value::Value& v) { return is_type(v, value::T_Int) || is_type(v, value::T_Double); }

inline std::string_view string_of(const value::Value& v) {
    return v.u.str.s ? std::string_view(v.u.str.s, static_cast<std::size_t>(v.u.str.len)) : std::string_view();
}

// An array (not a reference) whose elements are all strings; an empty array counts.
inline bool is_string_array(const value::Value& v) {
    if (!is_type(v, value::T_Array) || value::has_flag(v, value::k_address)) return false;
    for (int i = 0; i < v.u.arr.n; ++i)
        if (!is_string(v.u.arr.v[i])) return false;
    return true;
}

// Elements of a matrix record, row-major, and their count.
inline const double* elements_of(const value::Value& m) {
    return m.u.mat.r > 0 && m.u.mat.c > 0 ? m.u.mat.m[0] : nullptr;
}
inline long count_of(const value::Value& m) { return static_cast<long>(m.u.mat.r) * m.u.mat.c; }

// The empty matrix every built-in returns for "nothing" (0 x 0).
inline void set_empty(value::Value& result) { value::set_matrix(result, 0, 0); }

// result := an owned deep copy of src, without src's const and static marks.
inline void set_copy(value::Value& result, const value::Value& src) {
    value::release(result);
    value::duplicate(result, src);
    result.type &= ~(value::k_const | value::k_static);
}

// A reference argument (&x) whose target can receive a value.
inline bool is_reference(const value::Value& v) {
    return is_type(v, value::T_Array) && value::has_flag(v, value::k_address) && v.u.arr.v;
}

// Stores `out` (owned) through a reference argument (&x); any other record
// (int 0 stands for "not wanted") drops it.
inline void store_reference(value::Value& ref, value::Value& out) {
    if (is_reference(ref)) value::assign(*ref.u.arr.v, out);
    value::release(out);
}

// A matrix argument after conversion: an int or double is 1 x 1. The rows
// point into one contiguous row-major block (m[0]) unless the matrix is empty.
struct MatrixArg {
    double** m = nullptr;
    int r = 0;
    int c = 0;
    bool empty() const { return r == 0 || c == 0; }
    long long count() const { return static_cast<long long>(r) * c; }
    const double* data() const { return empty() ? nullptr : m[0]; }
};

// args[k] converted to a matrix: type error for an expected matrix otherwise.
MatrixArg matrix_arg(value::Value* args, int k);
// args[k] as an int (a double truncated, a matrix's first element): type
// error for an expected int otherwise.
int int_arg(value::Value* args, int k);
// args[k] as a double: type error for an expected double otherwise.
double double_arg(value::Value* args, int k);
// A copy of the string args[k]: type error for an expected string otherwise
// (a string variable without value included).
std::string string_arg(value::Value* args, int k);

// Optional arguments have one rule: argument k of a call with `count`
// arguments is given when the call has it and it has a value; an argument
// without value takes the default, as an absent one does.
inline bool arg_given(const value::Value* args, int count, int k) {
    return k < count && !value::is_null(args[k]);
}
inline int optional_int_arg(value::Value* args, int count, int k, int dflt) {
    return arg_given(args, count, k) ? int_arg(args, k) : dflt;
}
inline double optional_double_arg(value::Value* args, int count, int k, double dflt) {
    return arg_given(args, count, k) ? double_arg(args, k) : dflt;
}
// The elements of args[k] (converted to a matrix) in row-major order.
std::vector<double> elements_arg(value::Value* args, int k);

// A variable-argument call with more than `most` arguments: "error in argument
// most + 1" (the first surplus one).
void check_most(int count, int most);

// Releases result and makes it an owned r x c matrix (contents undefined);
// a zero dimension gives the empty 0 x 0 matrix. Negative dimensions raise
// run-time error 39. The row pointers, or null for an empty result.
double** new_matrix(value::Value& result, long long r, long long c);
double** new_matrix_zero(value::Value& result, long long r, long long c);
double** new_matrix_filled(value::Value& result, long long r, long long c, double x);

}  // namespace kj::lib
