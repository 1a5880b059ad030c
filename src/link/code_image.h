// The process-wide code image: every unit's instructions in one array whose
// indices are instruction addresses. It begins with two EXT instructions, so
// that a frame whose saved return address is 0 ends the dispatch loop.
#pragma once

#include <cstdint>

#include "link/opcodes.h"

namespace kj::link {

// Most instructions one image may hold ("code buffer full" beyond it).
constexpr int k_code_capacity = 1 << 22;

// Number of instructions; the address of the next one emitted.
int code_size();
// The instructions. The array moves when instructions are appended, so a
// holder of the pointer reloads it after anything that may compile code.
// Writable access: each call counts as a change of the image.
Instr* code_data();
Instr& code_at(int index);
// Sets an instruction's operand; the image changes only when it differs.
void set_operand(int index, int32_t operand);
// Read-only access, for those that run or inspect the code.
const Instr* code_view();
const Instr& code_instr(int index);
// Changes with every change of the image (appends, truncation, writable access).
extern uint64_t g_code_generation;
inline uint64_t code_generation() { return g_code_generation; }
bool code_has_room(int n);
// An opcode that is not in the list, and stands for every such opcode
// outside 0..255 in the image.
constexpr int32_t k_unknown_opcode = 255;

// Appends one instruction and returns its address, or -1 when the image is full.
int emit(Op op, int32_t operand = 0);
int emit_raw(int32_t op, int32_t operand);
// Drops the instructions from `size` on (the compiler's peepholes).
void code_truncate(int size);
// Empties the image and writes the two leading EXT instructions.
void code_reset();
// Frees the image; code_size() is 0 and the image does not exist until the next reset.
void code_free();
bool code_exists();

}  // namespace kj::link
