// Checks the instructions of an object file before they join the code
// image: every opcode is known and every operand stays inside what it
// names (jump targets inside the unit's code, symbol and literal numbers
// inside the unit's tables, argument and local slots inside the frame of the
// function they belong to, frame sizes, counts and line numbers sane). The engine trusts
// compiled code; a damaged file must fail here instead.
#pragma once

#include <cstdint>
#include <vector>

#include "link/opcodes.h"

namespace kj::link {

// A function of the unit: its entry (relative to the unit's code) and its
// parameter count, hidden ones included.
struct FunctionFrame {
    int32_t entry;
    int32_t params;
};

// Largest frame, count or reservation an instruction may name.
constexpr int32_t k_max_frame_records = 1 << 20;

struct UnitBounds {
    int32_t symbols = 0;   // symbols of the unit (LOD, NEW, STO operands)
    int32_t literals = 0;  // literals of the unit (LIT, ELF, ELT operands)
};

// Locals a function reserves at its entry (code of n instructions): the INT
// after its ELF, or the reservation its entry jumps to (INT of locals + depth,
// POP of depth - 1). -1 when the entry reserves nothing (a lambda: it uses its
// function's frame).
int32_t locals_at_entry(const Instr* code, int32_t n, int32_t entry);

// True when every instruction of code (the unit's, relative addresses) is sound.
bool code_is_sound(const std::vector<Instr>& code, std::vector<FunctionFrame> functions, const UnitBounds& bounds);

}  // namespace kj::link
