// x = f(..., x, ...) for a local x: the argument that is x itself hands the
// local's value to the call (MVL) instead of an alias of it. The callee then
// holds the only reference and may keep the storage (reshape re-labels the
// block) where an alias would have to be copied; x = x' hands it to the
// transpose the same way. The local is without value while the call runs;
// the store right after the call fills it again.
//
// Only where nothing else can see the local during the call: a statement's
// own assignment (no alias of x pushed before it), x nowhere else in the
// right side, no lambda in the function (a lambda reads the frame's locals),
// not at the prompt (a failed statement there would lose the variable), not
// in parallel or serial code.
#include <utility>
#include <vector>

#include "compiler/parser.h"

namespace kj::compiler {

namespace {

// The arguments of the call compiled last: each one's instructions [from, to).
struct CallArguments {
    int call = -1;
    std::vector<std::pair<int, int>> args;
};

CallArguments g_last_call;
int g_statement_value = -1;   // the PSH that receives the statement's value
int g_statement_tokens = -1;  // tokens consumed before the statement's expression

bool is(int at, Op op) { return instr(at).op == static_cast<int32_t>(op); }

// Instructions of [from, to) that name local slot k.
int uses_of_local(int from, int to, int k) {
    int n = 0;
    for (int i = from; i < to; ++i) {
        const bool local = is(i, Op::Pbp) || is(i, Op::Lbp) || is(i, Op::Sbp) || is(i, Op::Sbz) || is(i, Op::Mvl);
        if (local && instr(i).operand == k) ++n;
    }
    return n;
}

}  // namespace

void begin_statement_value() {
    g_statement_value = gen(Op::Psh, 0);
    g_statement_tokens = tokens_consumed();
}

int statement_value_here() {
    const bool here = g_statement_value >= 0 && code_here() == g_statement_value + 1 &&
                      tokens_consumed() == g_statement_tokens;
    return here ? g_statement_value : -1;
}

void note_call_arguments(int call, std::vector<std::pair<int, int>> args) {
    g_last_call.call = call;
    g_last_call.args = std::move(args);
}

void move_assigned_local(const Expr& target, int statement) {
    const FunctionState& f = fn();
    if (statement < 0 || target.place != Place::Local || (target.flags & (value::k_const | k_serial))) return;
    if (unit().interactive || f.lambda || f.lambdas || f.parallel || f.serial) return;
    const int end = code_here();
    int moved = -1;
    if (end == statement + 2 && is(statement, Op::Pbp) && instr(statement).operand == target.index &&
        is(end - 1, Op::Opr) && (instr(end - 1).operand == T_Transpose || instr(end - 1).operand == T_DotTranspose)) {
        // x = x': a row or column the operator holds alone is re-labelled.
        moved = statement;
    } else {
        if (end - 1 != g_last_call.call || !(is(end - 1, Op::Cal) || is(end - 1, Op::Cam))) return;
        for (const auto& [from, to] : g_last_call.args)
            if (to == from + 1 && from > statement && is(from, Op::Pbp) && instr(from).operand == target.index)
                moved = from;
    }
    if (moved < 0 || uses_of_local(statement, end, target.index) != 1) return;
    instr(moved).op = static_cast<int32_t>(Op::Mvl);
    fn().moved_locals.push_back(moved);
}

void keep_moved_locals() {
    FunctionState& f = fn();
    f.lambdas = true;
    for (const int at : f.moved_locals)
        if (at < code_here() && is(at, Op::Mvl)) instr(at).op = static_cast<int32_t>(Op::Pbp);
    f.moved_locals.clear();
}

}  // namespace kj::compiler
