#include "compiler/frame_depth.h"

#include <algorithm>
#include <cstdint>

#include "compiler/emitter.h"
#include "link/code_image.h"
#include "link/stack_effect.h"

namespace kj::compiler {

namespace {

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
    const link::Instr* code = link::code_view();
    for (int i = from; i < to;) {
        const link::Instr& in = code[i];
        if (ends_statement(in)) {
            depth = 0;
            ++i;
            continue;
        }
        const link::StackEffect e = link::stack_effect(code, i, to);
        depth = static_cast<int>(std::clamp<int64_t>(depth + e.change(), 0, INT32_MAX));
        deepest = std::max(deepest, depth);
        i += e.span;
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
