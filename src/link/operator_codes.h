// The operation codes of the instruction set (operators.def).
#pragma once

namespace kj::link {

enum Operator : int {
#define KJ_OPERATOR(name, code, text, arity, level, token) name = code,
#include "link/operators.def"
};

}  // namespace kj::link
