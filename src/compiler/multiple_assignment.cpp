// Multiple assignment: "[" targets "]" "=" expression. The expression's
// value goes into the hidden local "$t1"; then, for target k, the target's
// own code (the object, the indices), "$t1" loaded, XMV k and the store.
//
// The targets come before the expression in the text but their code has to
// follow it, so each target is compiled where it stands, its instructions
// are cut out of the image and emitted again after the expression. Jump
// operands that point into a moved target, the XRS of its index chain and the
// entry of a lambda compiled inside it move with it.
#include <string>
#include <vector>

#include "compiler/parser.h"
#include "link/code_image.h"
#include "link/symbols.h"
#include "value/value.h"

namespace kj::compiler {

namespace {

struct Target {
    Expr e;
    bool empty = true;
    std::vector<link::Instr> code;  // jump targets relative to the first instruction
    int first_lambda = 0;           // lambdas numbered (first_lambda, last_lambda] live in the code
    int last_lambda = 0;
    std::size_t first_label = 0;    // labels [first_label, last_label) are defined in the code
    std::size_t last_label = 0;     // (inside such a lambda)
};

bool is_jump(int32_t op) {
    return op == static_cast<int32_t>(Op::Jmp) || op == static_cast<int32_t>(Op::Jmf) ||
           op == static_cast<int32_t>(Op::Jmt);
}

// Adds delta to the addresses that point into [from, to): jump operands of
// the instructions, the index chain's XRS and the entries of the lambdas.
void relocate(Parser& p, Target& t, int from, int to, int delta) {
    for (link::Instr& in : t.code)
        if (is_jump(in.op) && in.operand >= from && in.operand <= to) in.operand += delta;
    if (t.e.chain >= from && t.e.chain < to) t.e.chain += delta;
    for (int n = t.first_lambda + 1; n <= t.last_lambda; ++n) {
        const int k = link::find_symbol("$lam" + std::to_string(n));
        if (k < 0) continue;
        value::Value& f = link::symbol_at(k).val;
        const int entry = static_cast<int>(f.u.fn.entry);
        if (entry >= from && entry < to) f.u.fn.entry = static_cast<uint32_t>(entry + delta);
    }
    auto& labels = p.unit.fn.labels;
    for (std::size_t i = t.first_label; i < t.last_label && i < labels.size(); ++i) {
        Label& l = labels[i];
        if (l.at >= from && l.at < to) l.at += delta;
        if (l.chain >= from && l.chain < to) l.chain += delta;
    }
}

// Compiles one target (not the empty one) and cuts its code out of the image.
void compile_target(Parser& p, Target& t) {
    t.empty = false;
    // An interactive command may create a variable here as with "=".
    p.unit.implicit_target = tok(p) == T_Identifier && (peek() == T_Comma || peek() == T_RBracket || peek() == T_RBrace);
    t.first_lambda = p.session.lambda_count;
    t.first_label = p.unit.fn.labels.size();
    const int old_barrier = barrier(p);
    const int start = mark_label(p);
    conditional_expression(p, t.e);
    p.unit.implicit_target = false;
    forget_postfix_value(p);
    const int end = code_here();
    t.last_lambda = p.session.lambda_count;
    t.last_label = p.unit.fn.labels.size();
    for (int i = start; i < end; ++i) t.code.push_back(instr(i));
    link::code_truncate(start);
    restore_barrier(p, old_barrier);
    relocate(p, t, start, end, -start);
}

// The target's code again, at the current position. Its first instruction
// goes through the peepholes (the PSH 0 before it and a LAP, LBP or LTI
// merge, as when the target is compiled in place) unless a jump leads to it.
void emit_target(Parser& p, Target& t) {
    const int size = static_cast<int>(t.code.size());
    if (size == 0) return;
    const link::Instr head = t.code[0];
    bool mergeable = head.op == static_cast<int32_t>(Op::Lap) || head.op == static_cast<int32_t>(Op::Lbp) ||
                     head.op == static_cast<int32_t>(Op::Lti);
    for (const link::Instr& in : t.code) mergeable = mergeable && !(is_jump(in.op) && in.operand == 0);
    const int first = mergeable ? gen(p, static_cast<Op>(head.op), head.operand) : code_here();
    relocate(p, t, 0, size, first);
    for (int i = mergeable ? 1 : 0; i < size; ++i)
        emit_plain(p, static_cast<Op>(t.code[static_cast<std::size_t>(i)].op), t.code[static_cast<std::size_t>(i)].operand);
    // A jump inside the target may lead to its end.
    mark_label(p);
}

// A variable declared by "decl [ ... ]": only names and empty positions.
void declared_target(Parser& p, Target& t) {
    if (tok(p) != T_Identifier) {
        expect(p, T_Identifier);
        return;
    }
    t.empty = false;
    t.e.place = Place::Local;
    t.e.name = cur(p).text;
    t.e.index = declare_local(p, cur(p).text, 0);
    advance(p);
}

// The hidden temporary: one "$t1" serves every multiple assignment of its
// scope. A lambda gets its own, as it may run inside a target of the function
// that defines it, between two uses of that function's temporary.
int temporary(Parser& p) {
    const Local* l = find_local(p, "$t1");
    if (l && l->lambda == p.unit.fn.lambda) return l->slot;
    return hidden_local(p, "$t1");
}

}  // namespace

void multiple_targets(Parser& p, bool declare, int close) {
    if (p.unit.multiple_assign > 0) report(p, D_NestedMultipleAssign);
    ++p.unit.multiple_assign;
    std::vector<Target> targets;
    for (;;) {
        Target t;
        if (tok(p) != T_Comma && tok(p) != close) {
            if (declare) declared_target(p, t);
            else compile_target(p, t);
        }
        targets.push_back(std::move(t));
        if (!accept(p, T_Comma)) break;
    }
    expect(p, close);
    expect(p, T_Assign);
    const int temp = temporary(p);
    expression_value(p);
    gen(p, Op::Sbp, temp);
    for (std::size_t k = 0; k < targets.size(); ++k) {
        Target& t = targets[k];
        if (t.empty) continue;
        gen(p, Op::Psh, 0);
        emit_target(p, t);
        if (!store_begin(p, t.e, false)) continue;
        gen(p, Op::Lbp, temp);
        gen(p, Op::Xmv, static_cast<int>(k));
        store_end(p, t.e);
        gen(p, Op::Pop, 0);
    }
    --p.unit.multiple_assign;
}

// "[" targets "]" "=" expression   ("[" has been read)
void multiple_assignment(Parser& p, Expr& e) {
    multiple_targets(p, false);
    e = Expr{};
}

}  // namespace kj::compiler
