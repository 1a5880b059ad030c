#include "link/code_image.h"

#include <vector>

#include "link/file_code.h"

namespace kj::link {

namespace {
std::vector<Instr> g_code;
bool g_exists = false;
}  // namespace

uint64_t g_code_generation = 0;

int code_size() { return static_cast<int>(g_code.size()); }
Instr* code_data() {
    ++g_code_generation;
    return g_code.data();
}
Instr& code_at(int index) {
    ++g_code_generation;
    return g_code[static_cast<std::size_t>(index)];
}
const Instr* code_view() { return g_code.data(); }
const Instr& code_instr(int index) { return g_code[static_cast<std::size_t>(index)]; }
void set_operand(int index, int32_t operand) {
    Instr& in = g_code[static_cast<std::size_t>(index)];
    if (in.operand == operand) return;
    ++g_code_generation;
    in.operand = operand;
}
bool code_exists() { return g_exists; }

bool code_has_room(int n) { return n >= 0 && code_size() <= k_code_capacity - n; }

int emit_raw(int32_t op, int32_t operand) {
    if (!code_has_room(1)) return -1;
    // The dispatch loop reads an opcode's low byte: any other value outside the
    // list is stored as one unknown opcode that it skips.
    if (op < 0 || op > 255) op = k_unknown_opcode;
    ++g_code_generation;
    g_code.push_back(Instr{op, operand});
    g_exists = true;
    return code_size() - 1;
}

void code_truncate(int size) {
    ++g_code_generation;
    if (size >= 0 && size < code_size()) g_code.resize(static_cast<std::size_t>(size));
    forget_file_code_from(code_size());
}

int emit(Op op, int32_t operand) { return emit_raw(static_cast<int32_t>(op), operand); }

void code_reset() {
    ++g_code_generation;
    g_code.clear();
    forget_file_code_from(0);
    g_code.reserve(4096);
    g_exists = true;
    emit(Op::Ext);
    emit(Op::Ext);
}

void code_free() {
    ++g_code_generation;
    std::vector<Instr>().swap(g_code);
    forget_file_code_from(0);
    g_exists = false;
}

}  // namespace kj::link
