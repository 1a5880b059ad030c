// Loops: the break and continue stacks, while/do/for/foreach, and the
// rewriting of canonical for loops into one FOR instruction.
//
// A for loop is compiled as
//     init; test: PSH 0 <test> JMF exit; POP 0; JMP body
//     update: PSH 0 <update> POP 0; JMP test
//     body: <statements> back: JMP update
//     exit: POP 0
// and, when canonical, the part before the body becomes the five pushes
// (start, limit, comparison, counter slot, step), FOR -12 and JMP exit, with
// NOP in the instructions left over. Continue jumps to the back edge, which is
// the stop address of the canonical loop.
#include <string>

#include <kj80x.h>

#include "runtime/messages.h"
#include "runtime/settings.h"
#include "compiler/parser.h"
#include "link/inline_functions.h"
#include "link/literals.h"
#include "link/symbols.h"
#include "link/operands.h"

namespace kj::compiler {

namespace {

bool is_op(int at, Op op) { return instr(at).op == static_cast<int32_t>(op); }

// A body statement; a lone ";" draws warning 79.
void body_statement(Parser& p) {
    if (tok(p) == T_Semicolon) report(p, W_EmptyStatement);
    statement(p);
}

// --- canonical loops --------------------------------------------------------

enum Reason { Canonical = 0, BadInit = 1, BadTest = 2, BadUpdate = 3, CounterUsed = 4, BoundUsed = 5, JumpsOut = 6 };

const char* reason_text(int r) {
    static const char* const k_texts[] = {"",
                                          "initialization part\n",
                                          "test part\n",
                                          "update part\n",
                                          "iterator variable modified or referenced in loop\n",
                                          "upperbound variable modified or referenced in loop\n",
                                          "jumps outside loop\n"};
    return k_texts[r];
}

struct ForLoop {
    int line = 0;
    int init = 0, test = 0, update = 0, body = 0, back = 0, exit = 0;
    bool breaks = false;
    int gotos_before = 0;
};

// A variable a push form names: local, argument, global or member.
struct Variable {
    Op kind = Op::Nop;  // Lbp, Lap, Lod, Lmp
    int index = -1;
};

// A push of an int constant or a variable over [from, to); true when it is one.
bool push_form(int from, int to, bool allow_size, Variable& var) {
    int n = to - from;
    if (n >= 2 && allow_size && is_op(to - 1, Op::Fni)) {
        if (!link::is_size_query(instr(to - 1).operand)) return false;
        --n;
        --to;
    }
    if (n == 1 && is_op(from, Op::Psh)) return true;
    if (n == 1 && is_op(from, Op::Pbp)) return var = {Op::Lbp, instr(from).operand}, true;
    if (n == 1 && is_op(from, Op::Pap)) return var = {Op::Lap, instr(from).operand}, true;
    if (n == 2 && is_op(from, Op::Psh) && instr(from).operand == 0 && is_op(from + 1, Op::Lod))
        return var = {Op::Lod, instr(from + 1).operand}, true;
    if (n == 2 && is_op(from, Op::Pap) && instr(from).operand == 0 && is_op(from + 1, Op::Lmp))
        return var = {Op::Lmp, instr(from + 1).operand}, true;
    return false;
}

// Whether [from, to) stores into or takes a reference of the variable.
bool touches(int from, int to, const Variable& v) {
    if (v.index < 0) return false;
    const Op store = v.kind == Op::Lbp ? Op::Sbp : v.kind == Op::Lap ? Op::Sap : v.kind == Op::Lod ? Op::Sto : Op::Smp;
    for (int k = from; k < to; ++k) {
        const link::Instr& in = instr(k);
        if (is_op(k, store) && in.operand == v.index) return true;
        const bool addr = is_op(k, Op::Adr) || is_op(k, Op::Ads) || is_op(k, Op::Xrs);
        if (addr && k + 1 < to) {
            const link::Instr& next = instr(k + 1);
            const bool same_kind = next.op == static_cast<int32_t>(v.kind) ||
                                   (v.kind == Op::Lbp && next.op == static_cast<int32_t>(Op::Pbp)) ||
                                   (v.kind == Op::Lap && next.op == static_cast<int32_t>(Op::Pap));
            if (same_kind && next.operand == v.index) return true;
        }
    }
    return false;
}

bool jumps_out(int from, int to, int back) {
    for (int k = from; k < to; ++k) {
        if (is_op(k, Op::Ret) || is_op(k, Op::Rtl)) return true;
        if (is_op(k, Op::Jmp) || is_op(k, Op::Jmf) || is_op(k, Op::Jmt)) {
            const int t = instr(k).operand;
            if (t < from || t > back) return true;
        }
    }
    return false;
}

struct Shape {
    int start_from = 0, start_to = 0;  // start push
    int bound_from = 0, bound_to = 0;  // limit push
    int counter = -1;
    int compare = 0;
    int step = 0;
    Variable bound;
};

int analyse(const ForLoop& l, Shape& s, bool& labels_inside) {
    // init: <push> SBP i POP 0, and a line marker when the counter is declared
    // there (the rewritten head overwrites it)
    int k = l.test - 1;
    if (k > l.init && is_op(k, Op::Num)) --k;
    if (k - 1 <= l.init || !is_op(k, Op::Pop) || !is_op(k - 1, Op::Sbp)) return BadInit;
    s.counter = instr(k - 1).operand;
    s.start_from = l.init;
    s.start_to = k - 1;
    Variable start;
    if (!push_form(s.start_from, s.start_to, false, start)) return BadInit;
    // test: PBP i <push> OPR cmp [NUM] JMF exit POP 0 JMP body
    int t = l.update - 1;
    if (!is_op(t, Op::Jmp) || !is_op(t - 1, Op::Pop) || !is_op(t - 2, Op::Jmf)) return BadTest;
    int cmp = t - 3;
    if (is_op(cmp, Op::Num)) --cmp;
    if (!is_op(l.test, Op::Pbp) || instr(l.test).operand != s.counter || !is_op(cmp, Op::Opr)) return BadTest;
    s.compare = instr(cmp).operand;
    if (s.compare != T_Lt && s.compare != T_Le && s.compare != T_Gt && s.compare != T_Ge) return BadTest;
    s.bound_from = l.test + 1;
    s.bound_to = cmp;
    if (!push_form(s.bound_from, s.bound_to, true, s.bound)) return BadTest;
    // update: PBP i OPR ++/-- SBP i POP 0 JMP test, or PBP i PSH c OPR +/- SBP i POP 0 JMP test
    const int u = l.update, n = l.body - l.update;
    if (!is_op(u, Op::Pbp) || instr(u).operand != s.counter) return BadUpdate;
    if (n == 5 && is_op(u + 1, Op::Opr) && is_op(u + 2, Op::Sbp) && instr(u + 2).operand == s.counter) {
        const int op = instr(u + 1).operand;
        if (op != T_PlusPlus && op != T_MinusMinus) return BadUpdate;
        s.step = op == T_PlusPlus ? 1 : -1;
    } else if (n == 6 && is_op(u + 1, Op::Psh) && is_op(u + 2, Op::Opr) && is_op(u + 3, Op::Sbp) &&
               instr(u + 3).operand == s.counter) {
        const int op = instr(u + 2).operand;
        if (op != T_Plus && op != T_Minus) return BadUpdate;
        s.step = op == T_Plus ? instr(u + 1).operand : -instr(u + 1).operand;
    } else {
        return BadUpdate;
    }
    if (touches(l.body, l.back, Variable{Op::Lbp, s.counter})) return CounterUsed;
    if (touches(l.body, l.back, s.bound)) return BoundUsed;
    if (l.breaks || labels_inside || jumps_out(l.body, l.back, l.back)) return JumpsOut;
    return Canonical;
}

void rewrite(const ForLoop& l, const Shape& s, bool parallel) {
    std::vector<link::Instr> pushes;
    for (int k = s.start_from; k < s.start_to; ++k) pushes.push_back(instr(k));
    for (int k = s.bound_from; k < s.bound_to; ++k) pushes.push_back(instr(k));
    const auto psh = [&](int n) { pushes.push_back({static_cast<int32_t>(Op::Psh), n}); };
    psh(s.compare);
    psh(s.counter);
    psh(s.step);
    int k = l.init;
    for (const link::Instr& in : pushes) instr(k++) = in;
    for (; k < l.body - 2; ++k) instr(k) = {static_cast<int32_t>(Op::Nop), 0};
    instr(l.body - 2) = {static_cast<int32_t>(Op::For), parallel ? link::k_for_canonical_parallel : link::k_for_canonical};
    instr(l.body - 1) = {static_cast<int32_t>(Op::Jmp), l.exit};
}

void finish_for(Parser& p, const ForLoop& l, bool parallel, bool labels_inside) {
    if (!runtime::settings().optimize) return;
    Shape s;
    const int reason = analyse(l, s, labels_inside);
    // The rewritten head must fit in the instructions it replaces.
    const int room = l.body - l.init;
    const int needed = (s.start_to - s.start_from) + (s.bound_to - s.bound_from) + 5;
    if (reason == Canonical && needed <= room) {
        rewrite(l, s, parallel);
        report_at(p, l.line, parallel ? R_ParallelLoop : R_CanonicalLoop);
        return;
    }
    if (parallel) {
        report_at(p, l.line, W_NotParallel);
        if (runtime::settings().warning_level > 0) {
            std::string line = std::string("Loop is not canonical: unable to handle ") + reason_text(reason ? reason : 2);
            line.pop_back();  // the message channel ends the line
            runtime::message(line.c_str());
        }
    }
}

int label_count(Parser& p) { return static_cast<int>(p.unit.fn.labels.size()); }

// A loop body between its loop-stack entry and its back edge.
struct LoopBody {
    bool pushed = false;
    bool labels = false;  // labels were defined inside
    int back = 0;         // the back-edge JMP
};

LoopBody loop_body(Parser& p, bool parallel, int back_target) {
    LoopBody b;
    b.pushed = push_loop(p, false);
    const int labels = label_count(p);
    if (parallel) ++p.unit.fn.parallel;
    body_statement(p);
    if (parallel) --p.unit.fn.parallel;
    line_marker(p, last_line(p));
    b.back = mark_label(p);
    emit_plain(p, Op::Jmp, back_target);
    b.labels = label_count(p) != labels;
    return b;
}

}  // namespace

// --- break and continue -------------------------------------------------------

bool push_loop(Parser& p, bool is_switch) {
    if (static_cast<int>(p.unit.loops.size()) >= k_max_loops) {
        report(p, D_TooManyLoops);
        return false;
    }
    p.unit.loops.push_back({is_switch, 0, 0, p.unit.fn.serial, p.unit.fn.locals.size()});
    return true;
}

void pop_loop(Parser& p, int break_target, int continue_target) {
    LoopEntry l = p.unit.loops.back();
    p.unit.loops.pop_back();
    patch_chain(l.breaks, break_target);
    if (!l.is_switch) patch_chain(l.continues, continue_target);
}

// break ";"
void break_statement(Parser& p) {
    expect(p, T_Semicolon);
    if (p.unit.loops.empty()) return;
    LoopEntry& l = p.unit.loops.back();
    if (p.unit.fn.serial > l.serial) report(p, D_BlockNotClosed, "serial");
    forget_local_names(p, l.locals);
    l.breaks = emit_jump(p, Op::Jmp, l.breaks);
}

// continue ";"
void continue_statement(Parser& p) {
    expect(p, T_Semicolon);
    for (auto it = p.unit.loops.rbegin(); it != p.unit.loops.rend(); ++it) {
        if (it->is_switch) continue;
        if (p.unit.fn.serial > it->serial) report(p, D_BlockNotClosed, "serial");
        forget_local_names(p, it->locals);
        it->continues = emit_jump(p, Op::Jmp, it->continues);
        return;
    }
}

// --- loop statements ---------------------------------------------------------

// while "(" test ")" statement
void while_statement(Parser& p) {
    const int top = mark_label(p);
    test_expression(p);
    const int exit = emit_jump(p, Op::Jmf);
    gen(p, Op::Pop, 0);
    const bool pushed = push_loop(p, false);
    body_statement(p);
    line_marker(p, last_line(p));
    emit_plain(p, Op::Jmp, top);
    patch_here(p, exit);
    gen(p, Op::Pop, 0);
    if (pushed) pop_loop(p, mark_label(p), top);
}

// do statement while "(" test ")" ";"
void do_statement(Parser& p) {
    const int enter = emit_jump(p, Op::Jmp);
    const int top = mark_label(p);
    gen(p, Op::Pop, 0);
    patch_here(p, enter);
    const bool pushed = push_loop(p, false);
    body_statement(p);
    const int cont = mark_label(p);
    expect(p, T_While);
    test_expression(p);
    emit_plain(p, Op::Jmt, top);
    gen(p, Op::Pop, 0);
    expect(p, T_Semicolon);
    if (pushed) pop_loop(p, mark_label(p), cont);
}

// for "(" [init] ";" [test] ";" [update] ")" statement
void for_statement(Parser& p, bool parallel) {
    ForLoop l;
    l.line = last_line(p);
    expect(p, T_LParen);
    enter_block(p);
    l.init = mark_label(p);
    if (accept(p, T_Decl)) {
        local_declaration(p, 0);
        // The name of a counter declared here stays outside the rewritten head.
        while (l.init < code_here() && is_op(l.init, Op::Elt)) ++l.init;
    } else {
        if (tok(p) != T_Semicolon) {
            gen(p, Op::Psh, 0);
            comma_value(p);
            gen(p, Op::Pop, 0);
        }
        expect(p, T_Semicolon);
    }
    l.test = mark_label(p);
    gen(p, Op::Psh, 0);
    if (tok(p) == T_Semicolon) {
        gen(p, Op::Lti, 1);
    } else {
        p.unit.test_expression = true;
        comma_value(p);
        p.unit.test_expression = false;
    }
    expect(p, T_Semicolon);
    line_marker(p, last_line(p));
    const int exit = emit_jump(p, Op::Jmf);
    gen(p, Op::Pop, 0);
    const int to_body = emit_jump(p, Op::Jmp);
    l.update = mark_label(p);
    if (tok(p) != T_RParen) {
        gen(p, Op::Psh, 0);
        comma_value(p);
        discard_postfix_value(p);
        gen(p, Op::Pop, 0);
    }
    emit_plain(p, Op::Jmp, l.test);
    expect(p, T_RParen);
    l.body = mark_label(p);
    patch_chain(to_body, l.body);
    const LoopBody b = loop_body(p, parallel, l.update);
    const bool pushed = b.pushed;
    l.back = b.back;
    l.exit = mark_label(p);
    patch_chain(exit, l.exit);
    gen(p, Op::Pop, 0);
    l.breaks = pushed && p.unit.loops.back().breaks != 0;
    if (pushed) pop_loop(p, mark_label(p), l.back);
    finish_for(p, l, parallel, b.labels);
    leave_block(p);
}

// foreach "(" [decl] x in target { "[" [i] "]" } ")" statement
void foreach_statement(Parser& p, bool parallel) {
    const int line = last_line(p);
    expect(p, T_LParen);
    enter_block(p);
    int var = -1;
    if (accept(p, T_Decl)) {
        if (tok(p) == T_Identifier) var = declare_local(p, cur(p).text, 0);
        expect(p, T_Identifier);
    } else if (tok(p) == T_Identifier) {
        const Local* l = find_local(p, cur(p).text);
        if (!l || l->arg) report(p, D_ForeachFirstTerm, cur(p).text);
        else var = l->slot;
        advance(p);
    } else {
        report(p, D_ForeachFirstTerm);
    }
    if (tok(p) == T_Identifier && cur(p).text == "in") advance(p);
    else report(p, D_Expected, "in", tok(p));
    gen(p, Op::Psh, 0);
    gen(p, Op::Lti, var < 0 ? 0 : var);
    Expr target;
    if (tok(p) == T_Identifier) {
        const std::string name = cur(p).text;
        advance(p);
        resolve_name(p, name, target);
    }
    Variable tv;
    gen(p, Op::Psh, 0);
    gen(p, Op::Ads);
    switch (target.place) {
        case Place::Local: emit_plain(p, Op::Lbp, target.index); tv = {Op::Lbp, target.index}; break;
        case Place::Arg: emit_plain(p, Op::Lap, target.index); tv = {Op::Lap, target.index}; break;
        case Place::Global: emit_plain(p, Op::Lod, target.index); tv = {Op::Lod, target.index}; break;
        default: report(p, D_OutOfPlace, target.name); emit_plain(p, Op::Lod, 0); break;
    }
    int terms = 0;
    while (accept(p, T_LBracket)) {
        if (accept(p, T_RBracket)) {
            gen(p, Op::Psh, -1);
        } else {
            const Local* l = tok(p) == T_Identifier ? find_local(p, cur(p).text) : nullptr;
            if (!l || l->arg) report(p, D_ForeachIndex, cur(p).text);
            gen(p, Op::Psh, 0);
            emit_plain(p, Op::Lbr, l && !l->arg ? l->slot : 0);
            if (tok(p) != T_RBracket) advance(p);
            expect(p, T_RBracket);
        }
        ++terms;
    }
    for (int k = terms; k < 2; ++k) gen(p, Op::Psh, -2);
    const int n = terms < 2 ? 2 : terms;
    expect(p, T_RParen);
    gen(p, Op::Psh, 0);
    emit_plain(p, Op::For, n);
    const int step = mark_label(p);
    emit_plain(p, Op::For, link::k_for_foreach_step);
    const int to_body = emit_jump(p, Op::Jmt);
    const int to_exit = emit_jump(p, Op::Jmp);
    const int body = mark_label(p);
    patch_chain(to_body, body);
    const LoopBody b = loop_body(p, parallel, step);
    const bool pushed = b.pushed;
    const int back = b.back;
    const int exit = mark_label(p);
    patch_chain(to_exit, exit);
    const bool breaks = pushed && p.unit.loops.back().breaks != 0;
    if (pushed) pop_loop(p, exit, back);
    gen(p, Op::Pop, n + 2);
    if (var >= 0) gen(p, Op::Sbz, var);
    if (touches(body, back, tv)) report(p, D_ForeachTargetModified, target.name);
    if (runtime::settings().optimize && !breaks && !b.labels && !jumps_out(body, back, back)) {
        instr(step).operand = parallel ? link::k_for_canonical_foreach_parallel : link::k_for_canonical_foreach;
        report_at(p, line, parallel ? R_ParallelLoop : R_CanonicalLoop);
    } else if (parallel) {
        report_at(p, line, W_NotParallel);
    }
    leave_block(p);
}

void loop_statement(Parser& p, int t) {
    switch (t) {
        case T_While: return while_statement(p);
        case T_Do: return do_statement(p);
        default: return;
    }
}

}  // namespace kj::compiler
