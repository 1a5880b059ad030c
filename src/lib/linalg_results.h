// Results of the linear-algebra built-ins: matrix arguments copied into
// scratch blocks for the in-place decompositions, and matrices and scalars
// stored through reference arguments (&x); an int 0 in place of a reference
// means "not wanted".
#pragma once

#include <cstring>

#include "lib/arg_checks.h"
#include "lib/args.h"
#include "num/linalg_block.h"
#include "value/value.h"

namespace kj::lib {

// An int 0 given in place of an optional argument or a reference.
inline bool is_int_zero(const value::Value& v) {
    return !value::is_null(v) && value::type_of(v) == value::T_Int && v.u.ival == 0;
}

// args[i] as a square matrix (the shape error otherwise).
inline MatrixArg square_arg(value::Value* args, int i) {
    check_square_matrix(args, i, i);
    return matrix_arg(args, i);
}

// A private copy of a matrix argument.
inline num::WorkBlock copy_of(const MatrixArg& a) {
    num::WorkBlock b(a.r, a.c);
    if (!a.empty()) b.copy_from(a.m);
    return b;
}

// The result made an owned copy of a matrix argument, for decompositions
// that work in place on it (rows of an empty result: null).
inline double** result_copy(value::Value& result, const MatrixArg& m) {
    double** y = new_matrix(result, m.r, m.c);
    for (int i = 0; y && i < m.r; ++i) std::memcpy(y[i], m.m[i], static_cast<std::size_t>(m.c) * sizeof(double));
    return y;
}

// The result (or an output) as an owned copy of an r x c block; an empty
// block gives the 0 x 0 matrix.
inline void set_block(value::Value& result, double** m, int r, int c) {
    double** y = new_matrix(result, r, c);
    if (y)
        for (int i = 0; i < r; ++i) std::memcpy(y[i], m[i], static_cast<std::size_t>(c) * sizeof(double));
}
inline void set_block(value::Value& result, num::WorkBlock& b) { set_block(result, b.rows(), b.r(), b.c()); }

inline void store_value(value::Value* args, int count, int i, value::Value out) {
    if (i < count)
        store_reference(args[i], out);
    else
        value::release(out);
}
inline void store_block(value::Value* args, int count, int i, double** m, int r, int c) {
    if (i >= count) return;
    value::Value out = value::make_int(0);
    set_block(out, m, r, c);
    store_reference(args[i], out);
}
inline void store_block(value::Value* args, int count, int i, num::WorkBlock& b) {
    store_block(args, count, i, b.rows(), b.r(), b.c());
}
inline void store_int(value::Value* args, int count, int i, int x) { store_value(args, count, i, value::make_int(x)); }
inline void store_double(value::Value* args, int count, int i, double x) {
    store_value(args, count, i, value::make_double(x));
}
// A 1 x n row from a vector of doubles (n = 0: the empty matrix).
inline void set_row(value::Value& result, const double* x, int n) {
    double** y = new_matrix(result, n > 0 ? 1 : 0, n);
    if (y) std::memcpy(y[0], x, static_cast<std::size_t>(n) * sizeof(double));
}
inline void store_row(value::Value* args, int count, int i, const double* x, int n) {
    if (i >= count) return;
    value::Value out = value::make_int(0);
    set_row(out, x, n);
    store_reference(args[i], out);
}

}  // namespace kj::lib
