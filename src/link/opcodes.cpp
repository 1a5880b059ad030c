#include "link/opcodes.h"

#include <array>
#include <strings.h>

namespace kj::link {

namespace {
struct OpcodeRow {
    const char* mnemonic = nullptr;  // null for unknown codes
    OperandKind operand = OperandKind::None;
};

// Sparse table indexed by opcode.
constexpr std::array<OpcodeRow, k_opcode_limit> make_table() {
    std::array<OpcodeRow, k_opcode_limit> t{};
#define X(name, code, mnemonic, pops, pushes, operand, effect) \
    static_assert((code) >= 0 && (code) < k_opcode_limit); \
    t[code] = {mnemonic, OperandKind::operand};
#include "link/opcodes.def"
#undef X
    return t;
}

constexpr std::array<OpcodeRow, k_opcode_limit> k_opcodes = make_table();
}  // namespace

bool is_known_opcode(int32_t op) {
    return op >= 0 && op < k_opcode_limit && k_opcodes[static_cast<std::size_t>(op)].mnemonic != nullptr;
}

const char* mnemonic(int32_t op) {
    return is_known_opcode(op) ? k_opcodes[static_cast<std::size_t>(op)].mnemonic : "???";
}

OperandKind operand_kind(int32_t op) {
    return is_known_opcode(op) ? k_opcodes[static_cast<std::size_t>(op)].operand : OperandKind::None;
}

int32_t opcode_of(const char* text) {
    for (int32_t op = 0; op < k_opcode_limit; ++op)
        if (is_known_opcode(op) && strcasecmp(k_opcodes[static_cast<std::size_t>(op)].mnemonic, text) == 0)
            return op;
    return -1;
}

}  // namespace kj::link
