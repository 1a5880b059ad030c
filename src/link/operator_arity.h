// How many operand records an operator instruction (OPR with an operation
// code) reads: the code generator's stack-depth estimate and the engine's
// operand preparation use the same column of operators.def.
#pragma once

namespace kj::link {

// 0 for codes that read nothing (or are ignored).
constexpr int operator_arity(int code) {
    switch (code) {
#define KJ_OPERATOR(name, code, text, arity, level, token) case code: return arity;
#include "link/operators.def"
        default: return 0;
    }
}

}  // namespace kj::link
