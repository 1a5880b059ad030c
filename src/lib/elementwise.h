// Element-wise application of a scalar function to the arguments of a native
// function. int and double arguments give a double; with a matrix among the
// arguments the result is a matrix: the first argument that is a matrix other
// than 1 x 1 sets its shape, every other such matrix must have that shape
// (size error 40), and scalars and 1 x 1 matrices serve every element. Other
// types are a type error for an expected double.
#pragma once

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

}  // namespace kj::lib
