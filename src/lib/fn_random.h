// Shared pieces of the random-number built-ins.
#pragma once

#include "value/value.h"

namespace kj::lib {

// args[k] as a matrix dimension: a whole number ("error in argument" otherwise);
// a negative one is refused when the matrix is made.
int size_arg(value::Value* args, int k);

// result := an r x c matrix of draws to fill, or, for r = c = 1, a double
// (the rows returned are then null).
double** new_draws(value::Value& result, int r, int c);

}  // namespace kj::lib
