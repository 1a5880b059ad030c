// Element-wise application of a scalar function to the arguments of a native
// function. int and double arguments give a double; with a matrix among the
// arguments the result is a matrix: the first argument that is a matrix other
// than 1 x 1 sets its shape, every other such matrix must have that shape
// (size error 40), and scalars and 1 x 1 matrices serve every element. Other
// types are a type error for an expected double.
#pragma once

#include <cstddef>

#include "lib/arg_checks.h"
#include "value/value.h"

namespace kj::lib {

// The common shape of an element-wise result over args[0 .. n), by the rules
// above; raises the type and size errors. `matrix` is false when all are scalars.
struct ElementShape {
    bool matrix = false;
    int r = 1, c = 1;
};
ElementShape element_shape(value::Value* args, int n);

void fn_double(value::Value& result, value::Value* args, double (*f)(double));
void fn_double2(value::Value& result, value::Value* args, double (*f)(double, double));
void fn_double3(value::Value& result, value::Value* args, double (*f)(double, double, double));
void fn_double4(value::Value& result, value::Value* args, double (*f)(double, double, double, double));
// The second argument reaches f truncated to int.
void fn_double_int(value::Value& result, value::Value* args, double (*f)(double, int));

// fn_double for any callable (a lambda that captures): the same rules for
// one argument, the element loop inlined.
template <class F>
void fn_double(value::Value& result, value::Value* args, F f) {
    value::Value& a = args[0];
    if (!value::is_null(a) && value::type_of(a) == value::T_Vector) value::materialize(a);
    if (value::is_null(a)) arg_type_error(0, value::T_Double, &a);
    switch (value::type_of(a)) {
        case value::T_Int: value::set_double(result, f(static_cast<double>(a.u.ival))); return;
        case value::T_Double: value::set_double(result, f(a.u.dval)); return;
        case value::T_Matrix: break;
        default: arg_type_error(0, value::T_Double, &a);
    }
    const int r = a.u.mat.r, c = a.u.mat.c;
    value::Value out = value::make_int(0);
    value::set_matrix(out, r, c);
    const std::size_t n = static_cast<std::size_t>(r) * static_cast<std::size_t>(c);
    if (n > 0) {
        const double* src = a.u.mat.m[0];
        double* dst = out.u.mat.m[0];
        for (std::size_t k = 0; k < n; ++k) dst[k] = f(src[k]);
    }
    value::release(result);
    result = out;
}

}  // namespace kj::lib
