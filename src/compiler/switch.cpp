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
void switch_statement(bool single) {
    enter_block();
    const int value = hidden_local("$switch");
    expect(T_LParen);
    gen(Op::Psh, 0);
    comma_value();
    gen(Op::Sbp, value);
    gen(Op::Pop, 0);
    expect(T_RParen);
    expect(T_LBrace);
    const bool pushed = push_loop(true);
    int fail = 0;         // JMF of the last test; lands on a POP 0
    int fall = 0;         // end of the last case's statements
    bool started = false;
    bool seen_default = false;
    while (tok() != T_RBrace && tok() != T_Eof) {
        const int t = tok();
        if (t != T_Case && t != T_Default) {
            const int before = tokens_consumed();
            statement();
            if (tokens_consumed() == before && tok() != T_RBrace && tok() != T_Eof) advance();
            continue;
        }
        advance();
        if (started) {
            if (single && pushed) unit().loops.back().breaks = emit_jump(Op::Jmp, unit().loops.back().breaks);
            else fall = join_chains(fall, emit_jump(Op::Jmp));
        }
        if (fail) {
            patch_here(fail);
            gen(Op::Pop, 0);
            fail = 0;
        }
        if (t == T_Case) {
            if (seen_default) report(D_DefaultNotLast);
            gen(Op::Psh, 0);
            gen(Op::Lbp, value);
            gen(Op::Psh, 0);
            expression_value();
            gen(Op::Opr, T_Eq);
            fail = emit_jump(Op::Jmf);
            gen(Op::Pop, 0);
        } else {
            seen_default = true;
        }
        expect(T_Colon);
        patch_here(fall);
        fall = 0;
        started = true;
    }
    expect(T_RBrace);
    if (fail) {
        const int over = emit_jump(Op::Jmp);
        patch_here(fail);
        gen(Op::Pop, 0);
        patch_here(over);
    }
    if (pushed) pop_loop(mark_label(), 0);
    leave_block();
}

}  // namespace kj::compiler
