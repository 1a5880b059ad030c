// Lambdas and multiple assignment, the two forms that start with "[" in
// operand position.
//
// A lambda is compiled inline, jumped over, as a function "$lamN" whose
// parameters and locals are slots of the defining frame; its body returns
// with RTL. The value is built by NTP 13 from the parameter count, the
// distance from the entry back to the NTP and the first parameter's slot;
// ELT records the names of the captured locals.
#include <string>
#include <vector>

#include "compiler/parser.h"
#include "link/literals.h"
#include "link/symbols.h"
#include "value/value.h"

namespace kj::compiler {

namespace {

int string_literal(const std::string& s) {
    const int k = link::find_string_literal(s);
    return k >= 1 ? k : link::add_string_literal(s);
}

}  // namespace

// lambda -> ("=" | "&") "]" "(" [ identifier { "," identifier } ] ")" "{" statements "}"
void lambda_expression(Expr& e) {
    if (tok() == T_Amp) report(D_ReferenceLambda);
    advance();
    expect(T_RBracket);
    FunctionState& f = fn();
    if (f.lambda > 0) report(D_NestedLambda);
    const std::string name = "$lam" + std::to_string(++unit().lambda_count);
    const int over = emit_jump(Op::Jmp);
    const int entry = emit_plain(Op::Elf, source_file_literal());
    mark_label();
    const std::size_t outer_locals = f.locals.size();
    const int outer_depth = f.depth;
    ++f.lambda;
    expect(T_LParen);
    int first = -1, count = 0;
    while (tok() == T_Identifier) {
        const int slot = declare_local(cur().text, 0);
        if (first < 0) first = slot;
        ++count;
        advance();
        if (!accept(T_Comma)) break;
    }
    if (first < 0) first = f.next_slot;
    expect(T_RParen);
    value::FuncInfo* info = link::new_function_info("$" + name, source_file_literal(), false);
    value::Value v = link::make_function(entry, info);
    if (link::add_symbol(name, v) < 0) report(D_SymbolTableFull);
    // The loop and label state of the enclosing function stays outside.
    std::vector<LoopEntry> loops;
    loops.swap(unit().loops);
    expect(T_LBrace);
    enter_block();
    block_body();
    f.depth = outer_depth + 1;
    emit_plain(Op::Rtl, 0);
    unit().loops.swap(loops);
    --f.lambda;
    // Lambda slots stay reserved: a later call writes its parameters there.
    f.locals.resize(outer_locals);
    f.depth = outer_depth;
    patch_here(over);
    gen(Op::Lti, count);
    gen(Op::Psh, 0);
    const int ntp_psh = code_here() - 1;
    gen(Op::Psh, first);
    const int ntp = emit_plain(Op::Ntp, 13);
    instr(ntp_psh).operand = ntp - entry;
    for (const std::string& captured : f.captured) emit_plain(Op::Elt, string_literal(captured));
    f.captured.clear();
    e = Expr{};
}

// The targets of a multiple assignment: variables by name (declared first
// when `declare`), an empty position skipping an element.
void multiple_targets(bool declare) {
    if (unit().multiple_assign > 0) report(D_NestedMultipleAssign);
    ++unit().multiple_assign;
    std::vector<Expr> targets;
    for (;;) {
        Expr t;
        if (tok() == T_Identifier) {
            const std::string name = cur().text;
            advance();
            if (declare) {
                t.place = Place::Local;
                t.index = declare_local(name, 0);
            } else {
                resolve_name(name, t);
            }
            t.name = name;
            if (t.place != Place::Local && t.place != Place::Arg && t.place != Place::Global)
                report(D_LeftValue, name);
        }
        targets.push_back(t);
        if (!accept(T_Comma)) break;
    }
    expect(T_RBracket);
    expect(T_Assign);
    const int temp = hidden_local("$t1");
    expression_value();
    gen(Op::Sbp, temp);
    for (std::size_t k = 0; k < targets.size(); ++k) {
        Expr& t = targets[k];
        if (t.place != Place::Local && t.place != Place::Arg && t.place != Place::Global) continue;
        if ((t.flags & value::k_const)) report(D_AssignConstant, t.name);
        gen(Op::Psh, 0);
        gen(Op::Lbp, temp);
        gen(Op::Xmv, static_cast<int>(k));
        store_end(t);
        gen(Op::Pop, 0);
    }
    --unit().multiple_assign;
}

// "[" targets "]" "=" expression   ("[" has been read)
void multiple_assignment(Expr& e) {
    multiple_targets(false);
    e = Expr{};
}

}  // namespace kj::compiler
