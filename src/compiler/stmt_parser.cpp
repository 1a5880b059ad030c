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

void body_statement() {
    if (tok() == T_Semicolon) report(W_EmptyStatement);
    statement();
}

// if "(" test ")" statement [ else statement ]
void if_statement() {
    test_expression();
    const int to_else = emit_jump(Op::Jmf);
    gen(Op::Pop, 0);
    body_statement();
    const int to_end = emit_jump(Op::Jmp);
    patch_here(to_else);
    gen(Op::Pop, 0);
    if (accept(T_Else)) body_statement();
    patch_here(to_end);
}

// return [ comma ] ";"
void return_statement() {
    const Op ret = fn().lambda ? Op::Rtl : Op::Ret;
    if (fn().serial > 0) report(D_BlockNotClosed, "serial");
    if (tok() != T_Semicolon) {
        // A lambda made in a constructor returns values of its own.
        if (!fn().lambda && (fn().is_ctor || fn().is_dtor)) report(D_CtorReturnsValue);
        // A lambda's result goes into its working record, right above the frame marker.
        if (!fn().lambda) gen(Op::Psh, 0);
        const int value = code_here();
        comma_value();
        move_returned_local(value);
        line_marker(last_line());
        gen(ret, 1);
    } else if (fn().is_ctor && !fn().lambda) {
        gen(Op::Psh, 0);
        gen(Op::Lap, 0);
        line_marker(last_line());
        gen(ret, 1);
    } else {
        line_marker(last_line());
        gen(ret, 0);
    }
    expect(T_Semicolon);
}

// serial "{" statements "}"
void serial_block() {
    gen(Op::Lck, 2);
    ++fn().serial;
    enter_block();
    block_body();
    leave_block();
    --fn().serial;
    gen(Op::Lck, -2);
}

// expression ";"
void expression_statement() {
    begin_statement_value();
    comma_value();
    discard_postfix_value();
    end_statement_value();
    gen(Op::Pop, 0);
    expect(T_Semicolon);
    statement_end_marker();
}

}  // namespace

void line_marker(int line) {
    if (!runtime::settings().line_numbers || line <= 0) return;
    if (last_is(Op::Num, line, true)) return;
    emit_plain(Op::Num, line);
}

void statement_end_marker() {
    if (!runtime::settings().line_numbers) return;
    if (last_is(Op::Num, 0, false) || last_is(Op::Psh, 0, true)) return;
    emit_plain(Op::Num, last_line());
}

void test_expression() {
    expect(T_LParen);
    gen(Op::Psh, 0);
    unit().test_expression = true;
    comma_value();
    unit().test_expression = false;
    expect(T_RParen);
    line_marker(last_line());
}

void block_body() {
    while (tok() != T_RBrace) {
        if (tok() == T_Eof) {
            report(D_UnexpectedEof);
            return;
        }
        const int before = tokens_consumed();
        statement();
        // A statement that consumed nothing (after an error) skips its token.
        if (tokens_consumed() == before && tok() != T_RBrace && tok() != T_Eof) advance();
    }
    advance();
}

void statement() {
    const NestingGuard level;
    if (!level.ok()) return;
    switch (tok()) {
        case T_LBrace:
            advance();
            enter_block();
            block_body();
            leave_block();
            break;
        case T_Semicolon: advance(); break;
        case T_Decl: advance(); local_declaration(0); break;
        case T_Const:
            advance();
            expect(T_Decl);
            local_declaration(value::k_const);
            break;
        case T_Serial:
            advance();
            if (tok() == T_LBrace) {
                advance();
                serial_block();
            } else {
                expect(T_Decl);
                local_declaration(k_serial);
            }
            break;
        case T_If: advance(); if_statement(); break;
        case T_While:
        case T_Do: {
            const int t = tok();
            advance();
            loop_statement(t);
            break;
        }
        case T_For: advance(); for_statement(false); break;
        case T_Foreach: advance(); foreach_statement(false); break;
        case T_Parallel:
            advance();
            if (accept(T_For)) for_statement(true);
            else if (accept(T_Foreach)) foreach_statement(true);
            else report(D_ForExpected);
            break;
        case T_Switch: advance(); switch_statement(false); break;
        case T_SwitchSingle: advance(); switch_statement(true); break;
        case T_Break: advance(); break_statement(); break;
        case T_Continue: advance(); continue_statement(); break;
        case T_Goto: advance(); goto_statement(); break;
        case T_Return: advance(); return_statement(); break;
        case T_Eof: report(D_UnexpectedEof); return;
        case T_Identifier:
            if (peek() == T_Colon) {
                const std::string name = cur().text;
                advance();
                advance();
                define_label(name);
                if (tok() != T_RBrace) statement();
                break;
            }
            expression_statement();
            break;
        default: expression_statement(); break;
    }
}

}  // namespace kj::compiler
