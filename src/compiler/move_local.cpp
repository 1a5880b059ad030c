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
#include "compiler/scanner.h"
#include "runtime/settings.h"

namespace kj::compiler {

namespace {

MovedLocals& moving(Parser& p) { return p.moved; }

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

void begin_statement_value(Parser& p) {
    moving(p).statement_value = gen(p, Op::Psh, 0);
    moving(p).statement_tokens = tokens_consumed(p);
    moving(p).statement_locals.clear();
}

int statement_value_here(Parser& p) {
    const bool here = moving(p).statement_value >= 0 && code_here() == moving(p).statement_value + 1 &&
                      tokens_consumed(p) == moving(p).statement_tokens;
    return here ? moving(p).statement_value : -1;
}

void note_call_arguments(Parser& p, int call, std::vector<std::pair<int, int>> args) {
    for (const auto& [from, to] : args)
        if (to == from + 1 && is(from, Op::Pbp)) moving(p).statement_locals.emplace_back(from, instr(from).operand);
    moving(p).call = call;
    moving(p).args = std::move(args);
}

void move_assigned_local(Parser& p, const Expr& target, int statement) {
    const FunctionState& f = p.unit.fn;
    if (statement < 0 || target.place != Place::Local || (target.flags & (value::k_const | k_serial))) return;
    if (p.unit.interactive || f.lambda || f.lambdas || f.parallel || f.serial) return;
    const int end = code_here();
    int moved = -1;
    if (end == statement + 2 && is(statement, Op::Pbp) && instr(statement).operand == target.index &&
        is(end - 1, Op::Opr) && (instr(end - 1).operand == T_Transpose || instr(end - 1).operand == T_DotTranspose)) {
        // x = x': a row or column the operator holds alone is re-labelled.
        moved = statement;
    } else {
        if (end - 1 != moving(p).call || !(is(end - 1, Op::Cal) || is(end - 1, Op::Cam))) return;
        for (const auto& [from, to] : moving(p).args)
            if (to == from + 1 && from > statement && is(from, Op::Pbp) && instr(from).operand == target.index)
                moved = from;
    }
    if (moved < 0 || uses_of_local(statement, end, target.index) != 1) return;
    instr(moved).op = static_cast<int32_t>(Op::Mvl);
    p.unit.fn.moved_locals.push_back(moved);
}

void keep_moved_locals(Parser& p) {
    FunctionState& f = p.unit.fn;
    f.lambdas = true;
    for (const int at : f.moved_locals)
        if (at < code_here() && is(at, Op::Mvl)) instr(at).op = static_cast<int32_t>(Op::Pbp);
    f.moved_locals.clear();
}

// --- last uses ---------------------------------------------------------------
//
// A local passed to a call as a whole argument, named nowhere else in its
// statement, and not read again before it is stored into (or the function
// returns) is handed over too: r = reshape(t, ...) where t is assigned anew
// before its next use. The statement's candidates are kept at its end; the
// function's code is followed from each at the function's end. Not under the
// debugger, whose commands may read any local at a stop.

namespace {

bool may_move_here(Parser& p) {
    const FunctionState& f = p.unit.fn;
    return !p.unit.interactive && !f.lambda && !f.lambdas && !f.parallel && !f.serial &&
           dialect() == Dialect::Kj && !runtime::settings().debug;
}

bool takes_address(int at) { return is(at, Op::Adr) || is(at, Op::Ads) || is(at, Op::Xrs); }

// Instructions followed from one last use at most: beyond, the local counts
// as read again (a long function's compile time stays linear).
constexpr int k_follow_limit = 4096;

// Whether local slot k may be read again on some path from the instruction
// after `at`, within the function's code [from, to): a path ends at a store
// into k or a return; an instruction whose flow or reach is not followed
// here counts as a read. `seen` has a mark per instruction; this walk's mark
// is `walk`.
bool read_again(int at, int k, int from, int to, std::vector<int>& seen, int walk) {
    std::vector<int> next{at + 1};
    for (int steps = 0; !next.empty(); ++steps) {
        const int i = next.back();
        next.pop_back();
        if (i < from || i >= to || steps > k_follow_limit) return true;
        int& mark = seen[static_cast<std::size_t>(i - from)];
        if (mark == walk) continue;
        mark = walk;
        const link::Instr in = instr(i);
        switch (static_cast<Op>(in.op)) {
            case Op::Pbp: case Op::Lbp: case Op::Mvl:
                if (in.operand == k) return true;
                break;
            case Op::Sbp: case Op::Sbz:
                if (in.operand == k) continue;
                break;
            case Op::Ret: case Op::Rtl: case Op::Ext: continue;
            case Op::Jmp: next.push_back(in.operand); continue;
            case Op::Jmf: case Op::Jmt: next.push_back(in.operand); break;
            case Op::For:
                // A counted loop's head: on to its exit jump or into its body.
                if (in.operand != -12) return true;
                next.push_back(i + 2);
                break;
            case Op::Jst: return true;
            case Op::Ntp:
                if (in.operand == KJ_TYPE_LAMBDA) return true;
                break;
            default: break;
        }
        next.push_back(i + 1);
    }
    return false;
}

}  // namespace

void end_statement_value(Parser& p) {
    const int statement = moving(p).statement_value;
    const int end = code_here();
    if (statement < 0 || !may_move_here(p)) return;
    // A multiple assignment moves its targets' code: positions noted before it do not hold.
    for (int i = statement; i < end; ++i)
        if (is(i, Op::Xmv)) return;
    for (const auto& [at, k] : moving(p).statement_locals)
        if (at > statement && at < end && is(at, Op::Pbp) && instr(at).operand == k && !takes_address(at - 1) &&
            uses_of_local(statement, end, k) == 1)
            p.unit.fn.last_uses.emplace_back(at, k);
    moving(p).statement_locals.clear();
}

void move_last_uses(Parser& p, int from) {
    FunctionState& f = p.unit.fn;
    const int to = code_here();
    if (!f.lambdas && !f.last_uses.empty()) {
        std::vector<int> seen(static_cast<std::size_t>(to - from), 0);
        int walk = 0;
        for (const auto& [at, k] : f.last_uses)
            if (at > from && at < to && is(at, Op::Pbp) && instr(at).operand == k &&
                !read_again(at, k, from, to, seen, ++walk))
                instr(at).op = static_cast<int32_t>(Op::Mvl);
    }
    f.last_uses.clear();
}

void move_returned_local(Parser& p, int value) {
    // The push of the result merged with the load of the local into one PBP.
    if (value < 1 || code_here() != value || !is(value - 1, Op::Pbp) || !may_move_here(p)) return;
    instr(value - 1).op = static_cast<int32_t>(Op::Mvl);
    p.unit.fn.moved_locals.push_back(value - 1);
}

}  // namespace kj::compiler
