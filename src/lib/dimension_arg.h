// Sizes given to built-ins as arguments (rows, columns, lengths, counts).
#pragma once

#include "value/value.h"

namespace kj::lib {

// args[k] as a dimension: an int, or a double (or the first element of a
// matrix) truncated toward zero. A number that is no size is reported before
// anything is allocated: NaN or an infinity "%s(): argument %d is %s, not a
// dimension" with error 37; a size beyond what a dimension can hold "%s():
// dimension %s in argument %d exceeds memory" with error 4; a negative one is
// error 39 "negative dimension".
int dimension_arg(value::Value* args, int k);

}  // namespace kj::lib
