// Reading native arguments as the selection, sorting, set, string and type
// built-ins need them, and writing their results. Every reader converts the
// record in place (int, double and 1 x 1 matrix conversions as arg_checks.h
// applies them) or raises the type error for that argument.
#pragma once

#include <cstdint>
#include <string_view>

#include "lib/arg_checks.h"
#include "lib/conversions.h"
#include "value/value.h"

namespace kj::lib {

// args[i] as a matrix (an int or double becomes 1 x 1, a range a row of its
// indices); a string is a type error.
inline value::Value& matrix_value_arg(value::Value* args, int i) {
    if (value::type_of(args[i]) == value::T_String || !convert_to_matrix(args[i]))
        arg_type_error(i, value::T_Matrix, &args[i]);
    return args[i];
}

// args[i] as an int (a double truncated, a matrix's first element).
inline int32_t int_value_arg(value::Value* args, int i) {
    int32_t x;
    if (!convert_to_int(args[i], &x)) arg_type_error(i, value::T_Int, &args[i]);
    return x;
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

// Stores `out` (owned) through a reference argument (&x); any other record
// (int 0 stands for "not wanted") drops it.
inline void store_reference(value::Value& ref, value::Value& out) {
    if (is_type(ref, value::T_Array) && value::has_flag(ref, value::k_address) && ref.u.arr.v)
        value::assign(*ref.u.arr.v, out);
    value::release(out);
}

}  // namespace kj::lib
