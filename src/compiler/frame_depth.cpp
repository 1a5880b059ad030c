#include "compiler/frame_depth.h"

#include <algorithm>

#include "compiler/emitter.h"
#include "link/operator_arity.h"
#include "compiler/tokens.h"

namespace kj::compiler {

namespace {

// Records an operator adds to the stack: its result replaces its first
// operand; the full range ":" pushes one.
int operator_effect(int code) {
    if (code == T_FullRange) return 1;
    return std::min(1 - link::operator_arity(code), 0);
}

// Stack effect of one instruction; instructions whose effect is not known
// count as none, which can only raise the estimate.
int effect(const link::Instr& in) {
    const int n = in.operand;
    switch (static_cast<Op>(in.op)) {
        case Op::Psh: case Op::Pap: case Op::Pbp: case Op::Mvl: return 1;
        case Op::Dup: return std::max(n, 0);
        case Op::Pop: return -(n + 1);
        case Op::Cal: case Op::Cam: return -std::max(n, 0);
        case Op::Opr: return operator_effect(n);
        case Op::Xld: case Op::Smp: return -1;
        case Op::Xst: case Op::Lmr: case Op::Smn: return -2;
        default: return 0;
    }
}

// Where a statement starts or control leaves, the expression stack is empty.
bool ends_statement(const link::Instr& in) {
    switch (static_cast<Op>(in.op)) {
        case Op::Num: case Op::Ret: case Op::Rtl: case Op::Jmp: return true;
        default: return false;
    }
}

}  // namespace

int expression_depth(int from, int to) {
    int depth = 0, deepest = 0;
    for (int i = from; i < to; ++i) {
        const link::Instr& in = instr(i);
        if (ends_statement(in)) {
            depth = 0;
            continue;
        }
        depth = std::max(depth + effect(in), 0);
        deepest = std::max(deepest, depth);
    }
    return deepest;
}

namespace {
// Turns the instruction at `at` (an INT of `slots` locals, or a NOP holding
// the place) into a jump to a reservation placed here: INT of slots + depth
// checks the capacity once, POP gives the depth back, and control returns
// behind `at`.
void emit_reservation(Parser& p, int at, int slots, int depth) {
    const int stub = emit_plain(p, Op::Int, slots + depth);
    emit_plain(p, Op::Pop, depth - 1);
    emit_plain(p, Op::Jmp, at + 1);
    instr(at) = link::Instr{static_cast<int32_t>(Op::Jmp), stub};
}
}  // namespace

void reserve_frame_depth(Parser& p, int int_at, int from) {
    if (int_at < 0) return;
    const int depth = expression_depth(from, code_here());
    if (depth > k_unchecked_depth) emit_reservation(p, int_at, instr(int_at).operand, depth);
}

void reserve_lambda_depth(Parser& p, int nop_at) {
    const int depth = expression_depth(nop_at + 1, code_here());
    if (depth > k_unchecked_depth) emit_reservation(p, nop_at, 0, depth);
}

}  // namespace kj::compiler
