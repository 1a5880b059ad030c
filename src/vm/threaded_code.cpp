#include "vm/threaded_code.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "link/operator_codes.h"
#include "link/scalar_operators.h"
#include "link/code_check.h"
#include "link/code_image.h"
#include "link/file_code.h"
#include "link/opcodes.h"
#include "link/stack_effect.h"
#include "value/value.h"

namespace kj::vm {

using link::Op;

ThreadedState g_threaded;

namespace {
std::unique_ptr<Slot[]> g_current;
std::vector<std::unique_ptr<Slot[]>> g_retired;

bool is(const link::Instr& in, Op op) { return in.op == static_cast<int32_t>(op); }

bool is_pop_of_one(const link::Instr* code, int i, int n) { return i < n && is(code[i], Op::Pop) && code[i].operand == 0; }

// PAP a or PBP b, PSH c, OPR op, an optional line marker and a conditional
// jump whose both ways begin with the pop of the condition: the test runs
// without pushing the condition.
bool is_branch(const link::Instr* code, int i, int n) {
    int jump = i + 3;
    if (jump < n && is(code[jump], Op::Num)) ++jump;
    if (jump >= n || !(is(code[jump], Op::Jmf) || is(code[jump], Op::Jmt))) return false;
    return is_pop_of_one(code, jump + 1, n) && code[jump].operand >= 0 && is_pop_of_one(code, code[jump].operand, n);
}

// Sequences that only compiled code gets: their handlers skip the checks of
// the instructions after the first.
const void* compiled_code_handler(const Handlers& h, const link::Instr* code, int i, int n) {
    const link::Instr& in = code[i];
    const bool load = is(in, Op::Pap) || is(in, Op::Pbp);
    const bool argument = is(in, Op::Pap);
    if (load && i + 2 < n && is(code[i + 1], Op::Psh) && is(code[i + 2], Op::Opr) && is_branch(code, i, n)) {
        const int f = fused_operator(code[i + 2].operand);
        if (f >= 0) return argument ? h.argument_branch[f] : h.local_branch[f];
    }
    if (load && i + 1 < n && is(code[i + 1], Op::Opr)) {
        const int b = binary_operator(code[i + 1].operand);
        if (b >= 0 && link::scalar::is_quiet_binary(code[i + 1].operand))
            return argument ? h.argument_binary[b] : h.local_binary[b];
        if (const int u = unary_operator(code[i + 1].operand); u >= 0)
            return argument ? h.argument_unary[u] : h.local_unary[u];
    }
    if (is(in, Op::Num) && i + 1 < n && is(code[i + 1], Op::Ret)) return h.line_return;
    if (is(in, Op::Xrs) && i + 1 < n && is(code[i + 1], Op::Lbp)) return h.prepare_local_store;
    if (is(in, Op::Opr) && i + 1 < n && is(code[i + 1], Op::Sbp) && is_pop_of_one(code, i + 2, n))
        if (const int b = binary_operator(in.operand); b >= 0 && link::scalar::is_quiet_binary(in.operand))
            return h.binary_to_local[b];
    return nullptr;
}

const void* fused_handler(const Handlers& h, const link::Instr* code, int i, int n, bool from_file) {
    const link::Instr& in = code[i];
    if (!from_file)
        if (const void* handler = compiled_code_handler(h, code, i, n)) return handler;
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
        if (const int b = binary_operator(in.operand); b >= 0) return h.binary_operator[b];
        if (const int u = unary_operator(in.operand); u >= 0) return h.unary_operator[u];
    }
    return nullptr;
}
// Instructions an expression between the load of a local and the store of
// the result back into it may hold: none calls, stores, takes an address,
// jumps or stops, so none can change the local or see the stack below.
bool is_simple_expression_step(const link::Instr& in) {
    switch (static_cast<Op>(in.op)) {
        case Op::Pap: case Op::Pbp: case Op::Psh: case Op::Lod: case Op::Lit:
        case Op::Lti: case Op::Ltd: case Op::Lbr: case Op::Lap: case Op::Lbp: case Op::Opr:
            return true;
        default:
            return false;
    }
}

constexpr int k_longest_accumulation = 32;

// PBP b at i, then an expression that leaves one record above the local's,
// then OPR op (a scalar operator that never raises), SBP b and POP 0, with no
// jump landing after the PBP: the index of the OPR, or -1.
int accumulation_end(const link::Instr* code, int i, int n, const std::vector<bool>& targeted) {
    if (!is(code[i], Op::Pbp)) return -1;
    int64_t depth = 1;  // the local's record
    for (int j = i + 1; j < n && j <= i + k_longest_accumulation; ++j) {
        if (targeted[static_cast<std::size_t>(j)]) return -1;
        const link::Instr& in = code[j];
        if (depth == 2 && is(in, Op::Opr) && j + 2 < n && is(code[j + 1], Op::Sbp) &&
            code[j + 1].operand == code[i].operand && is_pop_of_one(code, j + 2, n) &&
            binary_operator(in.operand) >= 0 && link::scalar::is_quiet_binary(in.operand) &&
            !targeted[static_cast<std::size_t>(j + 1)] && !targeted[static_cast<std::size_t>(j + 2)])
            return j;
        if (!is_simple_expression_step(in)) return -1;
        const link::StackEffect e = link::stack_effect(code, j, n);
        if (!e.known || e.span != 1 || e.pops >= depth || e.pops < 0 || e.pushes < 0) return -1;
        depth += e.change();
    }
    return -1;
}

// Instructions a jump, a computed address or a loop step may go to.
std::vector<bool> jump_targets(const link::Instr* code, int n) {
    std::vector<bool> targeted(static_cast<std::size_t>(n), false);
    const auto mark = [&](int64_t t) {
        if (t >= 0 && t < n) targeted[static_cast<std::size_t>(t)] = true;
    };
    for (int i = 0; i < n; ++i) {
        switch (link::operand_kind(code[i].op)) {
            case link::OperandKind::Jump: mark(code[i].operand); break;
            case link::OperandKind::CodeOffset: mark(int64_t{i} + code[i].operand); break;
            default: break;
        }
        if (is(code[i], Op::For)) mark(int64_t{i} + 2);  // a loop body's first instruction
    }
    return targeted;
}
}  // namespace

CheckedReach checked_reach(const link::Instr* code, int i, int n) {
    const link::StackEffect e = link::stack_effect(code, i, n);
    // Reaches are bounded by the operand checks of the object reader; the
    // clamps keep the arithmetic sane for any operand all the same.
    const auto records = [](int64_t r) { return static_cast<int>(std::clamp<int64_t>(r, 0, 1 << 24)); };
    return {records(e.change()), records(e.pops)};
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

int unary_operator(int token) {
    int i = 0;
#define X(Name, token_, int_expr, dbl_expr) \
    if (token == token_) return i;          \
    ++i;
    KJ_SCALAR_UNARY(X)
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
constexpr int count_unary() {
    int n = 0;
#define X(Name, token_, int_expr, dbl_expr) ++n;
    KJ_SCALAR_UNARY(X)
#undef X
    return n;
}
static_assert(count_unary() == k_unary_operators);
}  // namespace

const Slot* translate_code(const Handlers& h) {
    const uint64_t generation = link::code_generation();
    const int n = link::code_size();
    const link::Instr* code = link::code_view();
    const bool has_file_code = !link::code_read_from_files().empty();
    const int row = n + 2;
    auto slots = std::make_unique<Slot[]>(static_cast<std::size_t>(has_file_code ? 2 * row : row));
    std::vector<bool> from_file(static_cast<std::size_t>(n), false);
    for (const auto& [from, to] : link::code_read_from_files())
        for (int i = std::max(from, 0); i < to && i < n; ++i) from_file[static_cast<std::size_t>(i)] = true;
    for (int i = 0; i < n; ++i) {
        const link::Instr& in = code[i];
        const void* fused = fused_handler(h, code, i, n, from_file[static_cast<std::size_t>(i)]);
        slots[i] = {fused ? fused : h.by_opcode[static_cast<uint8_t>(in.op)], in.operand, in.op};
    }
    // Accumulations into a local: the fused sequences inside the expression
    // end before its OPR.
    const std::vector<bool> targeted = jump_targets(code, n);
    for (int i = 0; i < n; ++i) {
        if (from_file[static_cast<std::size_t>(i)]) continue;
        const int opr = accumulation_end(code, i, n, targeted);
        if (opr < 0) continue;
        slots[i].handler = h.skipped_load;
        for (int j = i + 1; j < opr; ++j) {
            const void* fused = fused_handler(h, code, j, opr, false);
            slots[j].handler = fused ? fused : h.by_opcode[static_cast<uint8_t>(code[j].op)];
        }
        slots[opr].handler = h.accumulate[binary_operator(code[opr].operand)];
        i = opr + 2;
    }
    // A call outside debug mode goes past the entry's ELF and an INT 0.
    for (int i = 0; i < n; ++i) {
        if (!is(code[i], Op::Elf)) continue;
        const int32_t skip = i + 1 < n && is(code[i + 1], Op::Int) && code[i + 1].operand == 0 ? 2 : 1;
        slots[i].op |= skip << k_entry_skip_shift;
    }
    // The back edge of each canonical for loop steps the loop (FOR -12, then
    // JMP to the exit, whose instruction before is the back-edge JMP). A
    // parallel loop (FOR -13) runs each iteration through the dispatch loop.
    for (int i = 0; i + 1 < n; ++i) {
        if (!is(code[i], Op::For) || code[i].operand != -12) continue;
        if (!is(code[i + 1], Op::Jmp)) continue;
        const int back = code[i + 1].operand - 1;
        if (back > i + 1 && back < n && is(code[back], Op::Jmp)) {
            slots[back].handler = h.loop_back;
            // The body's last line marker goes straight on to the step.
            if (is(code[back - 1], Op::Num) && !from_file[static_cast<std::size_t>(back - 1)])
                slots[back - 1].handler = h.line_loop_back;
        }
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
            if (slots[i].handler == h.checked_jump) continue;  // a JST checks its own reach
            const auto [growth, stack_reach] = checked_reach(code, i, n);
            int reach = stack_reach;
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
