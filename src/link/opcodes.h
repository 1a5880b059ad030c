// Opcodes and the instruction record of the code image.
#pragma once

#include <cstdint>

namespace kj::link {

enum class Op : int32_t {
#define X(name, code, mnemonic, effect) name = code,
#include "link/opcodes.def"
#undef X
};

// One instruction: opcode and operand; its index in the code image is its address.
struct Instr {
    int32_t op;
    int32_t operand;
};
static_assert(sizeof(Instr) == 8, "an instruction is two 32-bit words");

// Opcodes are below this bound; any other value is ignored by the engine.
constexpr int k_opcode_limit = 128;

// Mnemonic for dumps; "???" for an opcode that is not in the list.
const char* mnemonic(int32_t op);
// True when op is one of the listed instructions.
bool is_known_opcode(int32_t op);
// Opcode of a mnemonic (case-insensitive), or -1.
int32_t opcode_of(const char* mnemonic);

}  // namespace kj::link
