// Statements: blocks, if, loops, switch, jumps, return, serial blocks,
// local declarations and expression statements, with the NUM line markers
// that let run-time errors name their line.
#include "compiler/nesting_limit.h"
#include "runtime/settings.h"
#include "compiler/parser.h"
#include "compiler/token_names.h"
#include "value/value.h"

namespace kj::compiler {

namespace {

bool last_is(Op op, int operand, bool check_operand) {
    const int n = code_here();
    if (n == 0) return false;
    const link::Instr& in = instr(n - 1);
    return in.op == static_cast<int32_t>(op) && (!check_operand || in.operand == operand);
}

void body_statement(Parser& p) {
    if (tok(p) == T_Semicolon) report(p, W_EmptyStatement);
    statement(p);
}

// if "(" test ")" statement [ else statement ]
void if_statement(Parser& p) {
    test_expression(p);
    const int to_else = emit_jump(p, Op::Jmf);
    gen(p, Op::Pop, 0);
    body_statement(p);
    const int to_end = emit_jump(p, Op::Jmp);
    patch_here(p, to_else);
    gen(p, Op::Pop, 0);
    if (accept(p, T_Else)) body_statement(p);
    patch_here(p, to_end);
}

// return [ comma ] ";"
void return_statement(Parser& p) {
    const Op ret = p.unit.fn.lambda ? Op::Rtl : Op::Ret;
    if (p.unit.fn.serial > 0) report(p, D_BlockNotClosed, "serial");
    if (tok(p) != T_Semicolon) {
        // A lambda made in a constructor returns values of its own.
        if (!p.unit.fn.lambda && (p.unit.fn.is_ctor || p.unit.fn.is_dtor)) report(p, D_CtorReturnsValue);
        // A lambda's result goes into its working record, right above the frame marker.
        if (!p.unit.fn.lambda) gen(p, Op::Psh, 0);
        const int value = code_here();
        comma_value(p);
        move_returned_local(p, value);
        line_marker(p, last_line(p));
        gen(p, ret, 1);
    } else if (p.unit.fn.is_ctor && !p.unit.fn.lambda) {
        gen(p, Op::Psh, 0);
        gen(p, Op::Lap, 0);
        line_marker(p, last_line(p));
        gen(p, ret, 1);
    } else {
        line_marker(p, last_line(p));
        gen(p, ret, 0);
    }
    expect(p, T_Semicolon);
}

// serial "{" statements "}"
void serial_block(Parser& p) {
    gen(p, Op::Lck, 2);
    ++p.unit.fn.serial;
    enter_block(p);
    block_body(p);
    leave_block(p);
    --p.unit.fn.serial;
    gen(p, Op::Lck, -2);
}

// expression ";"
void expression_statement(Parser& p) {
    begin_statement_value(p);
    comma_value(p);
    discard_postfix_value(p);
    end_statement_value(p);
    gen(p, Op::Pop, 0);
    expect(p, T_Semicolon);
    statement_end_marker(p);
}

}  // namespace

void line_marker(Parser& p, int line) {
    if (!runtime::settings().line_numbers || line <= 0) return;
    if (last_is(Op::Num, line, true)) return;
    emit_plain(p, Op::Num, line);
}

void statement_end_marker(Parser& p) {
    if (!runtime::settings().line_numbers) return;
    if (last_is(Op::Num, 0, false) || last_is(Op::Psh, 0, true)) return;
    emit_plain(p, Op::Num, last_line(p));
}

void test_expression(Parser& p) {
    expect(p, T_LParen);
    gen(p, Op::Psh, 0);
    p.unit.test_expression = true;
    comma_value(p);
    p.unit.test_expression = false;
    expect(p, T_RParen);
    line_marker(p, last_line(p));
}

void block_body(Parser& p) {
    while (tok(p) != T_RBrace) {
        if (tok(p) == T_Eof) {
            report(p, D_UnexpectedEof);
            return;
        }
        const int before = tokens_consumed(p);
        statement(p);
        // A statement that consumed nothing (after an error) skips its token.
        if (tokens_consumed(p) == before && tok(p) != T_RBrace && tok(p) != T_Eof) advance(p);
    }
    advance(p);
}

void statement(Parser& p) {
    const NestingGuard level(p);
    if (!level.ok()) return;
    switch (tok(p)) {
        case T_LBrace:
            advance(p);
            enter_block(p);
            block_body(p);
            leave_block(p);
            break;
        case T_Semicolon: advance(p); break;
        case T_Decl: advance(p); local_declaration(p, 0); break;
        case T_Const:
            advance(p);
            expect(p, T_Decl);
            local_declaration(p, value::k_const);
            break;
        case T_Serial:
            advance(p);
            if (tok(p) == T_LBrace) {
                advance(p);
                serial_block(p);
            } else {
                expect(p, T_Decl);
                local_declaration(p, k_serial);
            }
            break;
        case T_If: advance(p); if_statement(p); break;
        case T_While:
        case T_Do: {
            const int t = tok(p);
            advance(p);
            loop_statement(p, t);
            break;
        }
        case T_For: advance(p); for_statement(p, false); break;
        case T_Foreach: advance(p); foreach_statement(p, false); break;
        case T_Parallel:
            advance(p);
            if (accept(p, T_For)) for_statement(p, true);
            else if (accept(p, T_Foreach)) foreach_statement(p, true);
            else report(p, D_ForExpected);
            break;
        case T_Switch: advance(p); switch_statement(p, false); break;
        case T_SwitchSingle: advance(p); switch_statement(p, true); break;
        case T_Break: advance(p); break_statement(p); break;
        case T_Continue: advance(p); continue_statement(p); break;
        case T_Goto: advance(p); goto_statement(p); break;
        case T_Return: advance(p); return_statement(p); break;
        case T_Eof: report(p, D_UnexpectedEof); return;
        case T_Identifier:
            if (peek() == T_Colon) {
                const std::string name = cur(p).text;
                advance(p);
                advance(p);
                define_label(p, name);
                if (tok(p) != T_RBrace) statement(p);
                break;
            }
            expression_statement(p);
            break;
        default: expression_statement(p); break;
    }
}

}  // namespace kj::compiler
