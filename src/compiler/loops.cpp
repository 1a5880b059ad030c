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
void body_statement() {
    if (tok() == T_Semicolon) report(W_EmptyStatement);
    statement();
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

void finish_for(const ForLoop& l, bool parallel, bool labels_inside) {
    if (!runtime::settings().optimize) return;
    Shape s;
    const int reason = analyse(l, s, labels_inside);
    // The rewritten head must fit in the instructions it replaces.
    const int room = l.body - l.init;
    const int needed = (s.start_to - s.start_from) + (s.bound_to - s.bound_from) + 5;
    if (reason == Canonical && needed <= room) {
        rewrite(l, s, parallel);
        report_at(l.line, parallel ? R_ParallelLoop : R_CanonicalLoop);
        return;
    }
    if (parallel) {
        report_at(l.line, W_NotParallel);
        if (runtime::settings().warning_level > 0) {
            std::string line = std::string("Loop is not canonical: unable to handle ") + reason_text(reason ? reason : 2);
            line.pop_back();  // the message channel ends the line
            runtime::message(line.c_str());
        }
    }
}

int label_count() { return static_cast<int>(fn().labels.size()); }

// A loop body between its loop-stack entry and its back edge.
struct LoopBody {
    bool pushed = false;
    bool labels = false;  // labels were defined inside
    int back = 0;         // the back-edge JMP
};

LoopBody loop_body(bool parallel, int back_target) {
    LoopBody b;
    b.pushed = push_loop(false);
    const int labels = label_count();
    if (parallel) ++fn().parallel;
    body_statement();
    if (parallel) --fn().parallel;
    line_marker(last_line());
    b.back = mark_label();
    emit_plain(Op::Jmp, back_target);
    b.labels = label_count() != labels;
    return b;
}

}  // namespace

// --- break and continue -------------------------------------------------------

bool push_loop(bool is_switch) {
    if (static_cast<int>(unit().loops.size()) >= k_max_loops) {
        report(D_TooManyLoops);
        return false;
    }
    unit().loops.push_back({is_switch, 0, 0, fn().serial, fn().locals.size()});
    return true;
}

void pop_loop(int break_target, int continue_target) {
    LoopEntry l = unit().loops.back();
    unit().loops.pop_back();
    patch_chain(l.breaks, break_target);
    if (!l.is_switch) patch_chain(l.continues, continue_target);
}

// break ";"
void break_statement() {
    expect(T_Semicolon);
    if (unit().loops.empty()) return;
    LoopEntry& l = unit().loops.back();
    if (fn().serial > l.serial) report(D_BlockNotClosed, "serial");
    forget_local_names(l.locals);
    l.breaks = emit_jump(Op::Jmp, l.breaks);
}

// continue ";"
void continue_statement() {
    expect(T_Semicolon);
    for (auto it = unit().loops.rbegin(); it != unit().loops.rend(); ++it) {
        if (it->is_switch) continue;
        if (fn().serial > it->serial) report(D_BlockNotClosed, "serial");
        forget_local_names(it->locals);
        it->continues = emit_jump(Op::Jmp, it->continues);
        return;
    }
}

// --- loop statements ---------------------------------------------------------

// while "(" test ")" statement
void while_statement() {
    const int top = mark_label();
    test_expression();
    const int exit = emit_jump(Op::Jmf);
    gen(Op::Pop, 0);
    const bool pushed = push_loop(false);
    body_statement();
    line_marker(last_line());
    emit_plain(Op::Jmp, top);
    patch_here(exit);
    gen(Op::Pop, 0);
    if (pushed) pop_loop(mark_label(), top);
}

// do statement while "(" test ")" ";"
void do_statement() {
    const int enter = emit_jump(Op::Jmp);
    const int top = mark_label();
    gen(Op::Pop, 0);
    patch_here(enter);
    const bool pushed = push_loop(false);
    body_statement();
    const int cont = mark_label();
    expect(T_While);
    test_expression();
    emit_plain(Op::Jmt, top);
    gen(Op::Pop, 0);
    expect(T_Semicolon);
    if (pushed) pop_loop(mark_label(), cont);
}

// for "(" [init] ";" [test] ";" [update] ")" statement
void for_statement(bool parallel) {
    ForLoop l;
    l.line = last_line();
    expect(T_LParen);
    enter_block();
    l.init = mark_label();
    if (accept(T_Decl)) {
        local_declaration(0);
        // The name of a counter declared here stays outside the rewritten head.
        while (l.init < code_here() && is_op(l.init, Op::Elt)) ++l.init;
    } else {
        if (tok() != T_Semicolon) {
            gen(Op::Psh, 0);
            comma_value();
            gen(Op::Pop, 0);
        }
        expect(T_Semicolon);
    }
    l.test = mark_label();
    gen(Op::Psh, 0);
    if (tok() == T_Semicolon) {
        gen(Op::Lti, 1);
    } else {
        unit().test_expression = true;
        comma_value();
        unit().test_expression = false;
    }
    expect(T_Semicolon);
    line_marker(last_line());
    const int exit = emit_jump(Op::Jmf);
    gen(Op::Pop, 0);
    const int to_body = emit_jump(Op::Jmp);
    l.update = mark_label();
    if (tok() != T_RParen) {
        gen(Op::Psh, 0);
        comma_value();
        discard_postfix_value();
        gen(Op::Pop, 0);
    }
    emit_plain(Op::Jmp, l.test);
    expect(T_RParen);
    l.body = mark_label();
    patch_chain(to_body, l.body);
    const LoopBody b = loop_body(parallel, l.update);
    const bool pushed = b.pushed;
    l.back = b.back;
    l.exit = mark_label();
    patch_chain(exit, l.exit);
    gen(Op::Pop, 0);
    l.breaks = pushed && unit().loops.back().breaks != 0;
    if (pushed) pop_loop(mark_label(), l.back);
    finish_for(l, parallel, b.labels);
    leave_block();
}

// foreach "(" [decl] x in target { "[" [i] "]" } ")" statement
void foreach_statement(bool parallel) {
    const int line = last_line();
    expect(T_LParen);
    enter_block();
    int var = -1;
    if (accept(T_Decl)) {
        if (tok() == T_Identifier) var = declare_local(cur().text, 0);
        expect(T_Identifier);
    } else if (tok() == T_Identifier) {
        const Local* l = find_local(cur().text);
        if (!l || l->arg) report(D_ForeachFirstTerm, cur().text);
        else var = l->slot;
        advance();
    } else {
        report(D_ForeachFirstTerm);
    }
    if (tok() == T_Identifier && cur().text == "in") advance();
    else report(D_Expected, "in", tok());
    gen(Op::Psh, 0);
    gen(Op::Lti, var < 0 ? 0 : var);
    Expr target;
    if (tok() == T_Identifier) {
        const std::string name = cur().text;
        advance();
        resolve_name(name, target);
    }
    Variable tv;
    gen(Op::Psh, 0);
    gen(Op::Ads);
    switch (target.place) {
        case Place::Local: emit_plain(Op::Lbp, target.index); tv = {Op::Lbp, target.index}; break;
        case Place::Arg: emit_plain(Op::Lap, target.index); tv = {Op::Lap, target.index}; break;
        case Place::Global: emit_plain(Op::Lod, target.index); tv = {Op::Lod, target.index}; break;
        default: report(D_OutOfPlace, target.name); emit_plain(Op::Lod, 0); break;
    }
    int terms = 0;
    while (accept(T_LBracket)) {
        if (accept(T_RBracket)) {
            gen(Op::Psh, -1);
        } else {
            const Local* l = tok() == T_Identifier ? find_local(cur().text) : nullptr;
            if (!l || l->arg) report(D_ForeachIndex, cur().text);
            gen(Op::Psh, 0);
            emit_plain(Op::Lbr, l && !l->arg ? l->slot : 0);
            if (tok() != T_RBracket) advance();
            expect(T_RBracket);
        }
        ++terms;
    }
    for (int k = terms; k < 2; ++k) gen(Op::Psh, -2);
    const int n = terms < 2 ? 2 : terms;
    expect(T_RParen);
    gen(Op::Psh, 0);
    emit_plain(Op::For, n);
    const int step = mark_label();
    emit_plain(Op::For, link::k_for_foreach_step);
    const int to_body = emit_jump(Op::Jmt);
    const int to_exit = emit_jump(Op::Jmp);
    const int body = mark_label();
    patch_chain(to_body, body);
    const LoopBody b = loop_body(parallel, step);
    const bool pushed = b.pushed;
    const int back = b.back;
    const int exit = mark_label();
    patch_chain(to_exit, exit);
    const bool breaks = pushed && unit().loops.back().breaks != 0;
    if (pushed) pop_loop(exit, back);
    gen(Op::Pop, n + 2);
    if (var >= 0) gen(Op::Sbz, var);
    if (touches(body, back, tv)) report(D_ForeachTargetModified, target.name);
    if (runtime::settings().optimize && !breaks && !b.labels && !jumps_out(body, back, back)) {
        instr(step).operand = parallel ? link::k_for_canonical_foreach_parallel : link::k_for_canonical_foreach;
        report_at(line, parallel ? R_ParallelLoop : R_CanonicalLoop);
    } else if (parallel) {
        report_at(line, W_NotParallel);
    }
    leave_block();
}

void loop_statement(int t) {
    switch (t) {
        case T_While: return while_statement();
        case T_Do: return do_statement();
        default: return;
    }
}

}  // namespace kj::compiler
