// How many operand records an operator instruction (OPR with a token code)
// reads: the code generator's stack-depth estimate and the engine's operand
// preparation use the same table.
#pragma once

#include "link/operators.h"

namespace kj::link {

// 0 for codes that read nothing (or are ignored).
inline int operator_arity(int code) {
    switch (code) {
        case T_XtX: case T_Transpose: case T_DotTranspose: case T_UnaryMinus: case T_Not:
        case T_PlusPlus: case T_MinusMinus: case T_Ellipsis: case T_IntToDouble: case T_ToMatrix1x1:
        case T_Int: case T_Double: case T_Matrix: case T_String: case T_Array: case T_RBrace: case T_New:
            return 1;
        case T_Plus: case T_Minus: case T_Star: case T_DotStar: case T_Slash: case T_DotSlash:
        case T_Caret: case T_DotCaret: case T_StarStar: case T_G_StarTilde: case T_XYt: case T_Percent:
        case T_DotEq: case T_DotNe: case T_DotLt: case T_DotLe: case T_DotGt: case T_DotGe:
        case T_DotAndAnd: case T_DotOrOr: case T_Eq: case T_Ne: case T_Lt: case T_Le: case T_Gt:
        case T_Ge: case T_Tilde: case T_Bar: case T_Colon: case T_ShiftLeft: case T_ShiftRight:
        case T_Delete:
            return 2;
        case T_DotQuestion: return 3;
        default: return 0;
    }
}

}  // namespace kj::link
