// switch and switch_single. The value is kept in a hidden local; each case
// compares it with OPR == and JMF to the next case's test. In switch the end
// of a case's statements falls into the next case's statements; in
// switch_single it leaves the switch.
//
//     test1: PBP v; <case value>; OPR ==; JMF fail1; POP 0
//     stmts1; JMP next (or break)
//     fail1: POP 0
//     test2: ...; POP 0
//     next: stmts2 ...
#include "compiler/parser.h"

namespace kj::compiler {

// switch "(" comma ")" "{" { case expr ":" | default ":" | statement } "}"
void switch_statement(Parser& p, bool single) {
    enter_block(p);
    const int value = hidden_local(p, "$switch");
    expect(p, T_LParen);
    gen(p, Op::Psh, 0);
    comma_value(p);
    gen(p, Op::Sbp, value);
    gen(p, Op::Pop, 0);
    expect(p, T_RParen);
    expect(p, T_LBrace);
    const bool pushed = push_loop(p, true);
    int fail = 0;         // JMF of the last test; lands on a POP 0
    int fall = 0;         // end of the last case's statements
    bool started = false;
    bool seen_default = false;
    while (tok(p) != T_RBrace && tok(p) != T_Eof) {
        const int t = tok(p);
        if (t != T_Case && t != T_Default) {
            const int before = tokens_consumed(p);
            statement(p);
            if (tokens_consumed(p) == before && tok(p) != T_RBrace && tok(p) != T_Eof) advance(p);
            continue;
        }
        advance(p);
        if (started) {
            if (single && pushed) p.unit.loops.back().breaks = emit_jump(p, Op::Jmp, p.unit.loops.back().breaks);
            else fall = join_chains(fall, emit_jump(p, Op::Jmp));
        }
        if (fail) {
            patch_here(p, fail);
            gen(p, Op::Pop, 0);
            fail = 0;
        }
        if (t == T_Case) {
            if (seen_default) report(p, D_DefaultNotLast);
            gen(p, Op::Psh, 0);
            gen(p, Op::Lbp, value);
            gen(p, Op::Psh, 0);
            expression_value(p);
            gen(p, Op::Opr, T_Eq);
            fail = emit_jump(p, Op::Jmf);
            gen(p, Op::Pop, 0);
        } else {
            seen_default = true;
        }
        expect(p, T_Colon);
        patch_here(p, fall);
        fall = 0;
        started = true;
    }
    expect(p, T_RBrace);
    if (fail) {
        const int over = emit_jump(p, Op::Jmp);
        patch_here(p, fail);
        gen(p, Op::Pop, 0);
        patch_here(p, over);
    }
    if (pushed) pop_loop(p, mark_label(p), 0);
    leave_block(p);
}

}  // namespace kj::compiler
