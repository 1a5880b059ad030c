#include "link/stack_effect.h"

#include <algorithm>
#include <array>

#include "link/operands.h"
#include "link/operator_arity.h"
#include "link/operator_codes.h"
#include "value/value.h"

namespace kj::link {

namespace {
struct Effect {
    int pops = 0, pushes = 0;
};

constexpr std::array<Effect, k_opcode_limit> make_table() {
    std::array<Effect, k_opcode_limit> t{};
#define X(name, code, mnemonic, pops, pushes, operand, effect) t[code] = {pops, pushes};
#include "link/opcodes.def"
#undef X
    return t;
}
constexpr std::array<Effect, k_opcode_limit> k_effects = make_table();

bool is(const Instr& in, Op op) { return in.op == static_cast<int32_t>(op); }

// OPR: an operator reads its arity's records and leaves its result in the
// first; the full range ":" pushes a record; destruct pops one of the five
// records it works on (the target's address lies below object and selector);
// codes the engine ignores count as replacing the top.
StackEffect operator_effect(int32_t code) {
    if (code == T_FullRange) return {0, 1};
    if (code == T_Destruct) return {5, 4};
    return {std::max(operator_arity(code), 1), 1};
}

// ADR, ADS, XRS: the address (or the prepared variable) of what the next
// instruction names takes the place that instruction would load into, so the
// pair has that instruction's effect. Other instructions name no variable:
// the engine raises an error.
StackEffect address_effect(const Instr* code, int i, int n) {
    if (i + 1 >= n) return {0, 0, 1, false};
    switch (static_cast<Op>(code[i + 1].op)) {
        case Op::Pap: case Op::Pbp: case Op::Lap: case Op::Lbp: case Op::Lbm: case Op::Lod: case Op::Lmp:
        case Op::Xld: case Op::Xgl: case Op::Lmr: {
            const Effect e = k_effects[static_cast<std::size_t>(code[i + 1].op)];
            return {e.pops, e.pushes, 2};
        }
        default: return {0, 0, 2, false};
    }
}

// FOR: a foreach set-up (n >= 0) and step read the iteration variable's slot,
// the collection's address, n index terms and the top; the step (and the
// canonical foreach, which runs the steps itself) take n from the set-up
// before it. A canonical for loop pops four of its five head records and
// keeps the first as the loop's state.
StackEffect for_effect(const Instr* code, int i) {
    const int32_t k = code[i].operand;
    if (k >= 0) return {int64_t{k} + 3, int64_t{k} + 3};
    if (k == k_for_canonical || k == k_for_canonical_parallel) return {5, 1};
    if (k != k_for_foreach_step && k != k_for_canonical_foreach && k != k_for_canonical_foreach_parallel)
        return {0, 0, 1, false};
    const bool after_setup = i > 0 && is(code[i - 1], Op::For) && code[i - 1].operand >= 2;
    const int64_t terms = i > 0 ? std::max(code[i - 1].operand, 2) : 2;
    return {terms + 3, terms + 3, 1, after_setup};
}
}  // namespace

StackEffect stack_effect(const Instr* code, int i, int n) {
    const Instr& in = code[i];
    if (!is_known_opcode(in.op)) return {0, 0, 1, false};
    const Effect fixed = k_effects[static_cast<std::size_t>(in.op)];
    if (fixed.pops != k_varies && fixed.pushes != k_varies) return {fixed.pops, fixed.pushes};
    const int64_t k = in.operand;
    switch (static_cast<Op>(in.op)) {
        case Op::Adr: case Op::Ads: case Op::Xrs: return address_effect(code, i, n);
        case Op::Pop: return {std::max<int64_t>(k + 1, 0), 0};
        case Op::Int: return {0, std::max<int64_t>(k, 0)};
        case Op::Cal: return {std::max<int64_t>(k + 1, 0), 1};
        case Op::Cam: return {std::max<int64_t>(k + 3, 0), 1};
        // Copies of the n top records; the engine moves the top down for a
        // negative count.
        case Op::Dup: return k >= 0 ? StackEffect{k, 2 * k} : StackEffect{-k, 0};
        case Op::Ret: return {k == 1 ? 1 : 0, 0};
        case Op::Opr: return operator_effect(in.operand);
        case Op::Ntp:
            if (k == value::T_Matrix) return {2, 1};
            if (k == value::T_Lambda) return {3, 1};
            return {1, 1};
        case Op::For: return for_effect(code, i);
        // The address sits in the record k places below the top (k <= 0).
        case Op::Jst: return {std::max<int64_t>(1 - k, 1), std::max<int64_t>(1 - k, 1)};
        default: return {0, 0, 1, false};
    }
}

}  // namespace kj::link
