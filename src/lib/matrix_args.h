// Argument access for the matrix built-ins: the numeric arguments converted in
// place (as the argument checks do), read-only views of matrix arguments and
// the allocation of matrix results. Every failure raises the argument errors
// of lib/arg_checks.h under the current function's name.
#pragma once

#include <vector>

#include "value/value.h"

namespace kj::lib {

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
// args[k] as an int or double: type error for that type otherwise.
int int_arg(value::Value* args, int k);
double double_arg(value::Value* args, int k);
// The elements of args[k] (converted to a matrix) in row-major order.
std::vector<double> elements_arg(value::Value* args, int k);

// A variable-argument call with more than `most` arguments: "error in argument
// most + 1" (the first surplus one).
void check_most(int count, int most);

// Releases result and makes it an owned r x c matrix (contents undefined);
// a zero dimension gives the empty 0 x 0 matrix. Negative dimensions raise
// run-time error 39; sizes beyond a dimension error 4. The row pointers, or null for an empty result.
double** new_matrix(value::Value& result, long long r, long long c);
double** new_matrix_zero(value::Value& result, long long r, long long c);
double** new_matrix_filled(value::Value& result, long long r, long long c, double x);

}  // namespace kj::lib
