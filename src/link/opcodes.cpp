#include "link/opcodes.h"

#include <array>
#include <strings.h>

namespace kj::link {

namespace {
// Sparse table indexed by opcode: the mnemonic, or null for unknown codes.
constexpr std::array<const char*, k_opcode_limit> make_table() {
    std::array<const char*, k_opcode_limit> t{};
#define X(name, code, mnemonic, effect) \
    static_assert((code) >= 0 && (code) < k_opcode_limit); \
    t[code] = mnemonic;
#include "link/opcodes.def"
#undef X
    return t;
}

constexpr std::array<const char*, k_opcode_limit> k_mnemonics = make_table();
}  // namespace

bool is_known_opcode(int32_t op) {
    return op >= 0 && op < k_opcode_limit && k_mnemonics[static_cast<std::size_t>(op)] != nullptr;
}

const char* mnemonic(int32_t op) {
    return is_known_opcode(op) ? k_mnemonics[static_cast<std::size_t>(op)] : "???";
}

int32_t opcode_of(const char* text) {
    for (int32_t op = 0; op < k_opcode_limit; ++op)
        if (k_mnemonics[static_cast<std::size_t>(op)] && strcasecmp(k_mnemonics[static_cast<std::size_t>(op)], text) == 0)
            return op;
    return -1;
}

}  // namespace kj::link
