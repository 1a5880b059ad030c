// Lambdas, compiled inline in the function that defines them.
//
// A lambda is compiled inline, jumped over, as a function "$lamN" whose
// parameters and locals are slots of the defining frame; its body returns
// with RTL. The value is built by NTP 13 from the parameter count, the
// distance from the entry back to the NTP and the first parameter's slot;
// ELT records the names of the captured locals.
#include <string>
#include <vector>

#include "compiler/frame_depth.h"
#include "compiler/parser.h"
#include "link/literals.h"
#include "link/symbols.h"
#include "value/value.h"

namespace kj::compiler {

// lambda -> ("=" | "&") "]" "(" [ identifier { "," identifier } ] ")" "{" statements "}"
void lambda_expression(Parser& p, Expr& e) {
    if (tok(p) == T_Amp) report(p, D_ReferenceLambda);
    advance(p);
    expect(p, T_RBracket);
    FunctionState& f = p.unit.fn;
    if (f.lambda > 0) report(p, D_NestedLambda);
    keep_moved_locals(p);
    const std::string name = "$lam" + std::to_string(++p.session.lambda_count);
    const int over = emit_jump(p, Op::Jmp);
    const int entry = emit_plain(p, Op::Elf, source_file_literal());
    mark_label(p);
    const int reservation = emit_plain(p, Op::Nop, 0);
    const std::size_t outer_locals = f.locals.size();
    const int first_slot = f.next_slot;
    const int outer_depth = f.depth;
    ++f.lambda;
    expect(p, T_LParen);
    int first = -1, count = 0;
    while (tok(p) == T_Identifier) {
        const int slot = declare_local(p, cur(p).text, 0);
        if (first < 0) first = slot;
        ++count;
        advance(p);
        if (!accept(p, T_Comma)) break;
    }
    if (first < 0) first = f.next_slot;
    expect(p, T_RParen);
    value::FuncInfo* info = link::new_function_info("$" + name, source_file_literal(), false);
    value::Value v = link::make_function(entry, info);
    if (link::add_symbol(name, v) < 0) report(p, D_SymbolTableFull);
    // The loop and label state of the enclosing function stays outside.
    std::vector<LoopEntry> loops;
    loops.swap(p.unit.loops);
    expect(p, T_LBrace);
    enter_block(p);
    block_body(p);
    f.depth = outer_depth + 1;
    emit_plain(p, Op::Rtl, 0);
    reserve_lambda_depth(p, reservation);
    p.unit.loops.swap(loops);
    --f.lambda;
    // Lambda slots stay reserved: a later call writes its parameters there.
    f.locals.resize(outer_locals);
    f.depth = outer_depth;
    patch_here(p, over);
    name_lambda_slots(p, first_slot);
    gen(p, Op::Lti, count);
    gen(p, Op::Psh, 0);
    const int ntp_psh = code_here() - 1;
    gen(p, Op::Psh, first);
    const int ntp = emit_plain(p, Op::Ntp, KJ_TYPE_LAMBDA);
    instr(ntp_psh).operand = ntp - entry;
    for (const std::string& captured : f.captured) emit_plain(p, Op::Elt, name_literal(captured));
    f.captured.clear();
    e = Expr{};
}

}  // namespace kj::compiler
