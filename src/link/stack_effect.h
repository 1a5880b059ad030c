// The stack effect of an instruction, from the pops and pushes columns of
// opcodes.def: the code generator's depth estimate, the object-file check's
// depth proof and the engine's checks of code read from files all read it.
#pragma once

#include <cstdint>

#include "link/opcodes.h"

namespace kj::link {

// In the pops or pushes column: the operand, or the instruction beside it,
// decides; stack_effect computes it.
constexpr int k_varies = -1;

struct StackEffect {
    int64_t pops = 0;    // records at and below the top read, overwritten or removed
    int64_t pushes = 0;  // records left in their place
    int span = 1;        // instructions it runs: 2 when it consumes the next one
    bool known = true;   // false when the code around it leaves the effect open
                         // (the engine raises an error there, or reads a count
                         // from an instruction that is not the one it expects)
    int64_t change() const { return pushes - pops; }
};

// Effect of instruction i of code (n instructions). The counts are exact for
// every operand, damaged ones included (a negative count pops nothing), so
// callers clamp them as they need.
StackEffect stack_effect(const Instr* code, int i, int n);

}  // namespace kj::link
