#include "vm/threaded_code.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "link/operator_codes.h"
#include "link/scalar_operators.h"
#include "link/code_check.h"
#include "link/code_image.h"
#include "link/file_code.h"
#include "link/operands.h"
#include "link/operator_arity.h"
#include "value/value.h"

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
    if (is(in, Op::Opr) && in.operand == link::T_Tilde && i + 1 < n && is(code[i + 1], Op::Sbp))
        return h.append_local;
    if (is(in, Op::Opr) && (in.operand == link::T_Transpose || in.operand == link::T_DotTranspose)) {
        // The right operand: a local, an argument or a global (PSH, LOD g).
        const int load = i + 1 < n && is(code[i + 1], Op::Psh) ? 2 : 1;
        const bool variable = i + load < n && (load == 2 ? is(code[i + 2], Op::Lod)
                                                         : is(code[i + 1], Op::Pbp) || is(code[i + 1], Op::Pap));
        const int star = i + load + 1;
        if (variable && star < n && is(code[star], Op::Opr) && code[star].operand == link::T_Star)
            return h.transposed_product;
    }
    if (is(in, Op::Opr)) {
        const int b = binary_operator(in.operand);
        if (b >= 0) return h.binary_operator[b];
    }
    return nullptr;
}
}  // namespace

int unchecked_growth(const link::Instr& in) {
    switch (static_cast<Op>(in.op)) {
        case Op::Psh: case Op::Pap: case Op::Pbp: case Op::Mvl:
        case Op::Adr: case Op::Ads: case Op::Xrs:  // push when the named target is an argument or local
            return 1;
        case Op::Dup: return in.operand;
        case Op::Opr: return in.operand == link::T_FullRange ? 1 : 0;
        default: return 0;
    }
}

int stack_reach(const link::Instr* code, int i, int n) {
    const link::Instr& in = code[i];
    const int k = in.operand;
    // Reaches are bounded by the operand checks of the object reader; the
    // clamps keep the arithmetic sane for any operand all the same.
    const auto records = [](int64_t r) { return static_cast<int>(r < 0 ? 0 : r > (1 << 24) ? (1 << 24) : r); };
    switch (static_cast<Op>(in.op)) {
        case Op::Lap: case Op::Lbp: case Op::Lbm: case Op::Lod: case Op::Lit: case Op::Lti: case Op::Lbr:
        case Op::Ltd: case Op::Lip: case Op::Sto: case Op::Sap: case Op::Sbp: case Op::Sbm: case Op::Jmf:
        case Op::Jmt: case Op::Fni: case Op::Xmv: case Op::Lmp: case Op::New:
            return 1;
        case Op::Exc: case Op::Xld: case Op::Xgl: case Op::Smp: return 2;
        case Op::Xst: case Op::Xgs: case Op::Lmr: case Op::Smn: case Op::Rtl: return 3;
        case Op::Dup: return records(k);
        case Op::Cal: return records(static_cast<int64_t>(k) + 1);
        case Op::Cam: return records(static_cast<int64_t>(k) + 3);
        case Op::Ret: return k == 1 ? 1 : 0;
        case Op::Pop: return records(static_cast<int64_t>(k) + 1);
        case Op::Ntp:
            return k == static_cast<int32_t>(value::T_Matrix) ? 2 : k == static_cast<int32_t>(value::T_Lambda) ? 3 : 1;
        case Op::Opr: {
            if (k == link::T_FullRange) return 0;
            if (k == link::T_Destruct) return 5;  // the target's address lies below object and selector
            const int a = link::operator_arity(k);
            return a > 1 ? a : 1;
        }
        case Op::Adr: case Op::Ads: case Op::Xrs: {
            // The address of an argument or local is pushed; others replace
            // the top, an element's the value and index below it.
            const Op next = i + 1 < n ? static_cast<Op>(code[i + 1].op) : Op::Ext;
            if (next == Op::Pap || next == Op::Pbp) return 0;
            if (next == Op::Xld || next == Op::Xgl) return 2;
            return next == Op::Lmr ? 3 : 1;
        }
        case Op::For: {
            if (k >= 0) return records(static_cast<int64_t>(k) + 3);  // slot, collection, terms
            if (k == link::k_for_canonical || k == link::k_for_canonical_parallel) return 5;
            // A foreach step: the terms counted by the instruction before.
            return records(static_cast<int64_t>(i > 0 ? std::max(code[i - 1].operand, 2) : 2) + 3);
        }
        case Op::Jmp: return 0;  // the back edge of a loop reads its state: see translate_code
        default: return 0;
    }
}

int fused_operator(int token) {
    int i = 0;
#define X(Name)                                          \
    if (token == link::scalar::Name::token) return i;          \
    ++i;
    KJ_FUSED_OPERATORS(X)
#undef X
    return -1;
}

int binary_operator(int token) {
    int i = 0;
#define X(Name, token_, raises, int_expr, dbl_expr) \
    if (token == token_) return i;                   \
    ++i;
    KJ_SCALAR_BINARY(X)
#undef X
    return -1;
}

namespace {
constexpr int count_binary() {
    int n = 0;
#define X(Name, token_, raises, int_expr, dbl_expr) ++n;
    KJ_SCALAR_BINARY(X)
#undef X
    return n;
}
static_assert(count_binary() == k_binary_operators);
}  // namespace

const Slot* translate_code(const Handlers& h) {
    const uint64_t generation = link::code_generation();
    const int n = link::code_size();
    const link::Instr* code = link::code_view();
    const bool has_file_code = !link::code_read_from_files().empty();
    const int row = n + 2;
    auto slots = std::make_unique<Slot[]>(static_cast<std::size_t>(has_file_code ? 2 * row : row));
    for (int i = 0; i < n; ++i) {
        const link::Instr& in = code[i];
        const void* fused = fused_handler(h, code, i, n);
        slots[i] = {fused ? fused : h.by_opcode[static_cast<uint8_t>(in.op)], in.operand, in.op};
    }
    // The back edge of each canonical for loop steps the loop (FOR -12, then
    // JMP to the exit, whose instruction before is the back-edge JMP). A
    // parallel loop (FOR -13) runs each iteration through the dispatch loop.
    for (int i = 0; i + 1 < n; ++i) {
        if (!is(code[i], Op::For) || code[i].operand != -12) continue;
        if (!is(code[i + 1], Op::Jmp)) continue;
        const int back = code[i + 1].operand - 1;
        if (back > i + 1 && back < n && is(code[back], Op::Jmp)) slots[back].handler = h.loop_back;
    }
    // Code read from a file runs each push through a check of the stack's
    // capacity (its depth is not known to be reserved, as compiled code's is),
    // and each instruction that reads or pops records through a check that
    // they lie in its frame; then on to the handler it would have had.
    // A JST goes only to an address in its own function's code: code from
    // [from, to) up to the next function entry that reserves a frame.
    for (const auto& [from, to] : link::code_read_from_files()) {
        std::vector<int> entries;
        for (int i = from; i < to && i < n; ++i)
            if (link::locals_at_entry(code, n, i) >= 0) entries.push_back(i);
        for (int i = from; i < to && i < n; ++i) {
            if (!is(code[i], Op::Jst)) continue;
            const auto after = std::upper_bound(entries.begin(), entries.end(), i);
            const int start = after == entries.begin() ? from : after[-1];
            const int end = after == entries.end() ? std::min(to, n) : *after;
            slots[row + i] = {slots[i].handler, start, end};
            slots[i].handler = h.checked_jump;
            slots[i].op |= k_checked_op;
        }
    }
    // Reaches are measured from the top of the function's locals: the code
    // between a function entry (ELF and its reservation) and the next one
    // keeps that function's locals below everything it pops or reads (a
    // lambda's code runs in the frame of the function around it).
    for (const auto& [from, to] : link::code_read_from_files()) {
        int locals = 0;
        for (int i = from; i < to && i < n; ++i) {
            if (is(code[i], Op::Elf))
                if (const int l = link::locals_at_entry(code, n, i); l >= 0) locals = l;
            const int growth = unchecked_growth(code[i]);
            int reach = stack_reach(code, i, n);
            if (slots[i].handler == h.loop_back) reach = 1;
            const bool ret = is(code[i], Op::Ret);
            if (growth == 0 && reach == 0 && !ret) continue;
            // The reach goes in as the lowest the top may be, in bytes from the
            // frame base: one record below the locals for a RET of nothing.
            const int reach_bytes = (locals + reach - 1) * static_cast<int>(sizeof(value::Value));
            slots[row + i] = {slots[i].handler, growth, reach_bytes};
            slots[i].handler = ret            ? h.checked_return
                               : reach == 0     ? h.checked_push
                               : growth == 0    ? h.checked_reach
                                                : h.checked_push_reach;
            slots[i].op |= k_checked_op;
        }
    }
    for (int i = n; i < n + 2; ++i) slots[i] = {h.by_opcode[0], 0, static_cast<int32_t>(Op::Ext)};
    if (g_current && g_threaded.depth > 0) {
        g_retired.push_back(std::move(g_current));
        g_threaded.retired = true;
    }
    g_current = std::move(slots);
    g_threaded.slots = g_current.get();
    g_threaded.generation = generation;
    g_threaded.checked = has_file_code ? row : 0;
    return g_threaded.slots;
}

void free_retired_slots() {
    g_retired.clear();
    g_threaded.retired = false;
}

}  // namespace kj::vm
