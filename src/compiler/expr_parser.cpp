// Expressions by recursive descent, one function per precedence level,
// compiled straight into p-code. Every operand is compiled into the top
// record, which its user pushed (PSH 0) beforehand; a binary operator is
// left operand, PSH 0, right operand, OPR with the operator's token code.
#include <cmath>
#include <cstdlib>

#include "compiler/gauss/gauss.h"
#include "compiler/nesting_limit.h"
#include "compiler/parser.h"
#include "compiler/scanner.h"
#include "compiler/token_names.h"
#include "link/literals.h"
#include "link/symbols.h"
#include "link/operands.h"
#include "value/value.h"

namespace kj::compiler {

namespace {

// The left-associative binary levels run from 5 to 14 (operators.def);
// level 6, &&, is short-circuit and handled apart.
constexpr int k_last_binary = 14;

bool in_level(int level, int t) {
    switch (t) {
#define KJ_OPERATOR(name, code, text, arity, precedence, token) case code: return precedence == level;
#include "link/operators.def"
        default: return false;
    }
}

// A level of the table belongs to a binary operator and lies in 5..14 (not 6).
constexpr bool levels_are_binary() {
    bool ok = true;
#define KJ_OPERATOR(name, code, text, arity, precedence, token) \
    ok = ok && (precedence == 0 || (arity == 2 && precedence >= 5 && precedence <= k_last_binary && precedence != 6));
#include "link/operators.def"
    return ok;
}
static_assert(levels_are_binary());

// The binary operator behind a compound assignment, or 0 for "=" and others.
int compound_operator(int t) {
    switch (t) {
        case T_StarAssign: return T_Star;
        case T_SlashAssign: return T_Slash;
        case T_PlusAssign: return T_Plus;
        case T_MinusAssign: return T_Minus;
        case T_TildeAssign: return T_Tilde;
        case T_BarAssign: return T_Bar;
        case T_DotStarAssign: return T_DotStar;
        case T_DotSlashAssign: return T_DotSlash;
        default: return 0;
    }
}


void binary_expression(int level, Expr& e);
void postfix_expression(Expr& e);
void primary_expression(Expr& e);

// level -> level + 1, or the prefix level after 14.
void operand_of(int level, Expr& e) {
    if (level >= k_last_binary) unary_expression(e);
    else binary_expression(level + 1, e);
}

// A chain a op b op c: each operand but the last is tested by `jump` to the
// chain's end, where the value tested last (or the last operand) remains.
template <class Operand>
void short_circuit(int op, Op jump, Expr& e, Operand operand) {
    operand(e);
    if (tok() != op) return;
    load(e);
    int chain = 0;
    while (accept(op)) {
        chain = join_chains(chain, emit_jump(jump));
        Expr r;
        operand(r);
        load(r);
    }
    patch_here(chain);
}

// logical_and -> element_and { "&&" element_and }   (short-circuit with JMF)
void logical_and(Expr& e) {
    short_circuit(T_AndAnd, Op::Jmf, e, [](Expr& x) { operand_of(6, x); });
}

bool gauss_at(int level, int t) { return dialect() == Dialect::Gauss && gauss_operator_level(t) == level; }

// level_n -> level_n+1 { op level_n+1 }
void binary_expression(int level, Expr& e) {
    if (level == 6) return logical_and(e);
    operand_of(level, e);
    while (in_level(level, tok()) || gauss_at(level, tok())) {
        const int op = tok();
        advance();
        load(e);
        if (gauss_at(level, op)) {
            gauss_binary_operator(op, operand_of, level);
            continue;
        }
        gen(Op::Psh, 0);
        Expr r;
        operand_of(level, r);
        load(r);
        gen(Op::Opr, op);
    }
}

// logical_or -> element_or { "||" element_or }   (short-circuit with JMT)
void logical_or(Expr& e) {
    short_circuit(T_OrOr, Op::Jmt, e, [](Expr& x) { binary_expression(5, x); });
}

// Reads an <int> or <double> literal's text as a double.
double literal_value(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

void string_literal(const std::string& text) {
    const int k = link::find_string_literal(text);
    gen(Op::Lit, k >= 1 ? k : link::add_string_literal(text));
}

// "{" e1, e2, ... "}": an array grown by one element per item.
void array_constructor() {
    gen(Op::Lti, 0);
    gen(Op::Ntp, KJ_TYPE_ARRAY);
    if (tok() != T_RBrace) {
        do {
            gen(Op::Psh, 0);
            expression_value();
            gen(Op::Opr, T_RBrace);
            gen(Op::Opr, T_Bar);
        } while (accept(T_Comma));
    }
    expect(T_RBrace);
}

// int( ) double( ) matrix( ) string( ) array( ): a cast by the keyword's code.
void cast_expression(int type) {
    expect(T_LParen);
    const bool spread = type == T_Array && accept(T_Ellipsis);
    comma_value();
    if (spread) gen(Op::Opr, T_Ellipsis);
    expect(T_RParen);
    gen(Op::Opr, type);
}

// ".NaN", ".Inf", ".Null" after the dot.
void dot_constant() {
    static const struct { const char* name; int code; } k_names[] = {{"NaN", link::k_ntp_nan}, {"Inf", link::k_ntp_infinity}, {"Null", link::k_ntp_no_value}};
    if (tok() == T_Identifier) {
        for (const auto& c : k_names) {
            if (cur().text == c.name) {
                advance();
                gen(Op::Ntp, c.code);
                return;
            }
        }
    }
    report(D_OutOfPlace, token_name(T_Dot));
}

// primary -> literal | name | this | "(" comma ")" | cast | "{" list "}" | "<" matrix ">"
//          | "." NaN/Inf/Null | "[" lambda or multiple assignment
void primary_expression(Expr& e) {
    e = Expr{};
    switch (tok()) {
        case T_IntLit: {
            const double d = literal_value(cur().text);
            advance();
            emit_number(d, true);
            return;
        }
        case T_DoubleLit: {
            const double d = literal_value(cur().text);
            advance();
            emit_number(d, false);
            return;
        }
        case T_HexDoubleLit: {
            const double d = hex_double_value(cur().text.c_str());
            advance();
            gen(Op::Lit, link::add_double_literal(d));
            return;
        }
        case T_StringLit: {
            const std::string text = cur().text;
            advance();
            string_literal(text);
            return;
        }
        case T_Transpose: {
            read_char_constant();
            const int code = std::atoi(token_text());
            advance();
            gen(Op::Lti, code);
            return;
        }
        case T_Dot: advance(); dot_constant(); return;
        case T_LParen: {
            advance();
            const bool test = unit().test_expression;
            unit().test_expression = false;
            comma_expression(e);
            unit().test_expression = test;
            expect(T_RParen);
            return;
        }
        case T_Int: case T_Double: case T_Matrix: case T_String: case T_Array: {
            const int type = tok();
            advance();
            cast_expression(type);
            return;
        }
        case T_LBrace:
            if (dialect() == Dialect::Gauss) return gauss_brace_constant();
            advance();
            array_constructor();
            return;
        case T_Lt: {
            advance();
            gen(Op::Lit, matrix_constant());
            return;
        }
        case T_Identifier: {
            const std::string name = cur().text;
            advance();
            resolve_name(name, e);
            return;
        }
        case T_This:
            advance();
            if (fn().cls < 0 || fn().is_static) report(D_OnlyNonStaticMember, "this");
            gen(Op::Lap, 0);
            e.cls = fn().cls;
            e.name = "this";
            return;
        case T_LBracket: {
            advance();
            if ((tok() == T_Assign || tok() == T_Amp) && peek() == T_RBracket) lambda_expression(e);
            else multiple_assignment(e);
            return;
        }
        case T_Eof: report(D_UnexpectedEof); return;
        default: report(D_OutOfPlace, token_name(tok())); return;
    }
}

// postfix -> primary { "(" args ")" | "[" index "]" | "->" member | "." member | "++" | "--" | "'" | ".'" }
void postfix_expression(Expr& e) {
    primary_expression(e);
    for (;;) {
        switch (tok()) {
            case T_LParen: advance(); call_suffix(e); break;
            case T_LBracket:
                advance();
                if (dialect() == Dialect::Gauss) gauss_index_suffix(e);
                else index_suffix(e);
                break;
            case T_G_Factorial:
                advance();
                load(e);
                gauss_factorial();
                break;
            case T_Arrow:
            case T_Dot: advance(); member_suffix(e); break;
            case T_PlusPlus:
            case T_MinusMinus: {
                const int op = tok();
                advance();
                increment(e, op);
                parser().postfix_undo = gen(Op::Psh, 1);
                gen(Op::Opr, op == T_PlusPlus ? T_Minus : T_Plus);
                break;
            }
            case T_Transpose:
            case T_DotTranspose:
                load(e);
                gen(Op::Opr, tok());
                advance();
                break;
            default: return;
        }
    }
}

// power -> postfix [ ("^" | ".^") prefix ]   (right-associative)
void power_expression(Expr& e) {
    postfix_expression(e);
    if (tok() != T_Caret && tok() != T_DotCaret) return;
    const int op = tok();
    advance();
    load(e);
    gen(Op::Psh, 0);
    Expr r;
    unary_expression(r);
    load(r);
    gen(Op::Opr, op);
}

}  // namespace

// prefix -> ("-" | "+" | "!" | "++" | "--" | "&") prefix | new | delete | power
void unary_expression(Expr& e) {
    const NestingGuard level;
    if (!level.ok()) return;
    switch (tok()) {
        case T_Minus:
            advance();
            unary_expression(e);
            load(e);
            gen(Op::Opr, T_UnaryMinus);
            return;
        case T_Plus: advance(); unary_expression(e); return;
        case T_Not:
        case T_G_Not:
            advance();
            unary_expression(e);
            load(e);
            gen(Op::Opr, T_Not);
            return;
        case T_PlusPlus:
        case T_MinusMinus: {
            const int op = tok();
            advance();
            unary_expression(e);
            increment(e, op);
            return;
        }
        case T_Amp:
            advance();
            if (dialect() == Dialect::Gauss && tok() == T_Identifier) {
                const std::string name = cur().text;
                advance();
                gauss_function_reference(name, e);
                load(e);
                return;
            }
            unary_expression(e);
            // GAUSS &f: the procedure itself, passed as a value.
            if (e.function && dialect() == Dialect::Gauss) load(e);
            else take_reference(e);
            return;
        case T_New: advance(); new_expression(e); return;
        case T_Delete: advance(); delete_expression(e); return;
        default: power_expression(e); return;
    }
}

// conditional -> logical_or [ "?" comma ":" conditional | ".?" conditional ".:" conditional ]
void conditional_expression(Expr& e) {
    const NestingGuard level;
    if (!level.ok()) return;
    logical_or(e);
    if (tok() == T_Question) {
        advance();
        load(e);
        const int to_false = emit_jump(Op::Jmf);
        Expr t;
        comma_expression(t);
        load(t);
        const int to_end = emit_jump(Op::Jmp);
        expect(T_Colon);
        patch_here(to_false);
        Expr f;
        conditional_expression(f);
        load(f);
        patch_here(to_end);
        e = Expr{};
    } else if (tok() == T_DotQuestion) {
        advance();
        load(e);
        gen(Op::Psh, 0);
        Expr t;
        conditional_expression(t);
        load(t);
        gen(Op::Psh, 0);
        expect(T_DotColon);
        Expr f;
        conditional_expression(f);
        load(f);
        gen(Op::Opr, T_DotQuestion);
        e = Expr{};
    }
}

// assignment -> conditional [ ("=" | "*=" | "/=" | "+=" | "-=" | "~=" | "|=" | ".*=" | "./=") assignment ]
void assignment_expression(Expr& e) {
    const NestingGuard level;
    if (!level.ok()) return;
    const int statement = statement_value_here();
    conditional_expression(e);
    const int t = tok();
    const int op = compound_operator(t);
    if (t != T_Assign && op == 0) return;
    advance();
    if (t == T_Assign && unit().test_expression) report(W_AssignInTest);
    const bool ok = store_begin(e, op != 0);
    Expr r;
    assignment_expression(r);
    load(r);
    if (!ok) {
        e = Expr{};
        return;
    }
    if (op != 0) gen(Op::Opr, op);
    if (t == T_Assign) move_assigned_local(e, statement);
    store_end(e);
}

// comma -> assignment { "," assignment }
void comma_expression(Expr& e) {
    assignment_expression(e);
    while (accept(T_Comma)) {
        load(e);
        assignment_expression(e);
    }
}

void expression_value() {
    Expr e;
    assignment_expression(e);
    load(e);
}

void comma_value() {
    Expr e;
    comma_expression(e);
    load(e);
}

// Drops the undo of a post-increment whose value nobody uses.
void discard_postfix_value() {
    if (parser().postfix_undo >= 0 && parser().postfix_undo == code_here() - 2) link::code_truncate(parser().postfix_undo);
    parser().postfix_undo = -1;
}

void forget_postfix_value() { parser().postfix_undo = -1; }

void emit_number(double d, bool is_int) {
    const bool in_range = d >= INT32_MIN && d <= INT32_MAX;
    if (is_int && in_range) {
        gen(Op::Lti, static_cast<int32_t>(d));
    } else if (!is_int && in_range && d == std::trunc(d) && !(d == 0 && std::signbit(d))) {
        gen(Op::Ltd, static_cast<int32_t>(d));
    } else {
        gen(Op::Lit, link::add_double_literal(d));
    }
}

}  // namespace kj::compiler
