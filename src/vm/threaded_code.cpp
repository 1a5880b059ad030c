#include "vm/threaded_code.h"

#include <memory>
#include <vector>

#include "link/operators.h"
#include "link/code_image.h"

namespace kj::vm {

using link::Op;

ThreadedState g_threaded;

namespace {
std::unique_ptr<Slot[]> g_current;
std::vector<std::unique_ptr<Slot[]>> g_retired;

bool is(const link::Instr& in, Op op) { return in.op == static_cast<int32_t>(op); }

const void* fused_handler(const Handlers& h, const link::Instr* code, int i, int n) {
    const link::Instr& in = code[i];
    if (is(in, Op::Psh) && i + 1 < n && is(code[i + 1], Op::Lod)) return h.push_global;
    if ((is(in, Op::Pap) || is(in, Op::Pbp)) && i + 2 < n && is(code[i + 1], Op::Psh) && is(code[i + 2], Op::Opr)) {
        const int f = fused_operator(code[i + 2].operand);
        if (f >= 0) return is(in, Op::Pap) ? h.argument_operator[f] : h.local_operator[f];
    }
    return nullptr;
}
}  // namespace

int fused_operator(int token) {
    using namespace kj::link;
    switch (token) {
        case T_Plus: return 0;
        case T_Minus: return 1;
        case T_Star: return 2;
        case T_Lt: return 3;
        case T_Le: return 4;
        case T_Gt: return 5;
        case T_Ge: return 6;
        case T_Eq: return 7;
        case T_Ne: return 8;
        default: return -1;
    }
}

const Slot* translate_code(const Handlers& h) {
    const uint64_t generation = link::code_generation();
    const int n = link::code_size();
    const link::Instr* code = link::code_view();
    auto slots = std::make_unique<Slot[]>(static_cast<std::size_t>(n) + 2);
    for (int i = 0; i < n; ++i) {
        const link::Instr& in = code[i];
        const void* fused = fused_handler(h, code, i, n);
        slots[i] = {fused ? fused : h.by_opcode[static_cast<uint8_t>(in.op)], in.operand, in.op};
    }
    for (int i = n; i < n + 2; ++i) slots[i] = {h.by_opcode[0], 0, static_cast<int32_t>(Op::Ext)};
    if (g_current && g_threaded.depth > 0) {
        g_retired.push_back(std::move(g_current));
        g_threaded.retired = true;
    }
    g_current = std::move(slots);
    g_threaded.slots = g_current.get();
    g_threaded.generation = generation;
    return g_threaded.slots;
}

void free_retired_slots() {
    g_retired.clear();
    g_threaded.retired = false;
}

}  // namespace kj::vm
