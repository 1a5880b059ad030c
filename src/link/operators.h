// The operation codes of the instruction set (see operators.def).
#pragma once

namespace kj::link {

enum Operator : int {
#define KJ_OPERATOR(name, code, text) name = code,
#include "link/operators.def"
};

}  // namespace kj::link
