// Opcodes and the instruction record of the code image.
#pragma once

#include <cstdint>

namespace kj::link {

enum class Op : int32_t {
#define X(name, code, mnemonic, pops, pushes, operand, effect) name = code,
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

// What an instruction's operand names (the operand column of opcodes.def).
enum class OperandKind : uint8_t {
    None,         // not read
    Constant,     // an int pushed or loaded as it is
    Line,         // a source line number, >= 0
    Jump,         // an instruction of the function's own code
    CodeOffset,   // the same, as a distance from the instruction
    Symbol,       // a global symbol of the unit
    Literal,      // a literal of the unit
    LocalName,    // a literal naming a local, or -k: the last k names are forgotten
    Argument,     // an argument slot of the frame
    Local,        // a local slot of the frame
    MainLocal,    // a local slot of main's frame
    Count,        // records, slots or arguments
    Index,        // a member or element number
    Copies,       // records copied, 0 to 15
    StackOffset,  // a record at or below the top, 0 to -15
    ReturnKind,   // 1 the top, 0 int 0, -1 without value
    LoopStep,     // a FOR variant (link/operands.h)
    Operation,    // an operation code (link/operators.def)
    Inline,       // an inline function code (link/inline_functions.def)
    TypeCode,     // a type or constant code for NTP (link/operands.h)
};

// The operand kind of a known opcode; None for the others.
OperandKind operand_kind(int32_t op);
// Mnemonic for dumps; "???" for an opcode that is not in the list.
const char* mnemonic(int32_t op);
// True when op is one of the listed instructions.
bool is_known_opcode(int32_t op);
// Opcode of a mnemonic (case-insensitive), or -1.
int32_t opcode_of(const char* mnemonic);

}  // namespace kj::link
