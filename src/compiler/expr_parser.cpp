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


void binary_expression(Parser& p, int level, Expr& e);
void postfix_expression(Parser& p, Expr& e);
void primary_expression(Parser& p, Expr& e);

// level -> level + 1, or the prefix level after 14.
void operand_of(Parser& p, int level, Expr& e) {
    if (level >= k_last_binary) unary_expression(p, e);
    else binary_expression(p, level + 1, e);
}

// A chain a op b op c: each operand but the last is tested by `jump` to the
// chain's end, where the value tested last (or the last operand) remains.
template <class Operand>
void short_circuit(Parser& p, int op, Op jump, Expr& e, Operand operand) {
    operand(e);
    if (tok(p) != op) return;
    load(p, e);
    int chain = 0;
    while (accept(p, op)) {
        chain = join_chains(chain, emit_jump(p, jump));
        Expr r;
        operand(r);
        load(p, r);
    }
    patch_here(p, chain);
}

// logical_and -> element_and { "&&" element_and }   (short-circuit with JMF)
void logical_and(Parser& p, Expr& e) {
    short_circuit(p, T_AndAnd, Op::Jmf, e, [&p](Expr& x) { operand_of(p, 6, x); });
}

bool gauss_at(int level, int t) { return dialect() == Dialect::Gauss && gauss_operator_level(t) == level; }

// level_n -> level_n+1 { op level_n+1 }
void binary_expression(Parser& p, int level, Expr& e) {
    if (level == 6) return logical_and(p, e);
    operand_of(p, level, e);
    while (in_level(level, tok(p)) || gauss_at(level, tok(p))) {
        const int op = tok(p);
        advance(p);
        load(p, e);
        if (gauss_at(level, op)) {
            gauss_binary_operator(p, op, operand_of, level);
            continue;
        }
        gen(p, Op::Psh, 0);
        Expr r;
        operand_of(p, level, r);
        load(p, r);
        gen(p, Op::Opr, op);
    }
}

// logical_or -> element_or { "||" element_or }   (short-circuit with JMT)
void logical_or(Parser& p, Expr& e) {
    short_circuit(p, T_OrOr, Op::Jmt, e, [&p](Expr& x) { binary_expression(p, 5, x); });
}

// Reads an <int> or <double> literal's text as a double.
double literal_value(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

void string_literal(Parser& p, const std::string& text) {
    const int k = link::find_string_literal(text);
    gen(p, Op::Lit, k >= 1 ? k : link::add_string_literal(text));
}

// "{" e1, e2, ... "}": an array grown by one element per item.
void array_constructor(Parser& p) {
    gen(p, Op::Lti, 0);
    gen(p, Op::Ntp, KJ_TYPE_ARRAY);
    if (tok(p) != T_RBrace) {
        do {
            gen(p, Op::Psh, 0);
            expression_value(p);
            gen(p, Op::Opr, T_RBrace);
            gen(p, Op::Opr, T_Bar);
        } while (accept(p, T_Comma));
    }
    expect(p, T_RBrace);
}

// int( ) double( ) matrix( ) string( ) array( ): a cast by the keyword's code.
void cast_expression(Parser& p, int type) {
    expect(p, T_LParen);
    const bool spread = type == T_Array && accept(p, T_Ellipsis);
    comma_value(p);
    if (spread) gen(p, Op::Opr, T_Ellipsis);
    expect(p, T_RParen);
    gen(p, Op::Opr, type);
}

// ".NaN", ".Inf", ".Null" after the dot.
void dot_constant(Parser& p) {
    static const struct { const char* name; int code; } k_names[] = {{"NaN", link::k_ntp_nan}, {"Inf", link::k_ntp_infinity}, {"Null", link::k_ntp_no_value}};
    if (tok(p) == T_Identifier) {
        for (const auto& c : k_names) {
            if (cur(p).text == c.name) {
                advance(p);
                gen(p, Op::Ntp, c.code);
                return;
            }
        }
    }
    report(p, D_OutOfPlace, token_name(T_Dot));
}

// primary -> literal | name | this | "(" comma ")" | cast | "{" list "}" | "<" matrix ">"
//          | "." NaN/Inf/Null | "[" lambda or multiple assignment
void primary_expression(Parser& p, Expr& e) {
    e = Expr{};
    switch (tok(p)) {
        case T_IntLit: {
            const double d = literal_value(cur(p).text);
            advance(p);
            emit_number(p, d, true);
            return;
        }
        case T_DoubleLit: {
            const double d = literal_value(cur(p).text);
            advance(p);
            emit_number(p, d, false);
            return;
        }
        case T_HexDoubleLit: {
            const double d = hex_double_value(cur(p).text.c_str());
            advance(p);
            gen(p, Op::Lit, link::add_double_literal(d));
            return;
        }
        case T_StringLit: {
            const std::string text = cur(p).text;
            advance(p);
            string_literal(p, text);
            return;
        }
        case T_Transpose: {
            read_char_constant();
            const int code = std::atoi(token_text());
            advance(p);
            gen(p, Op::Lti, code);
            return;
        }
        case T_Dot: advance(p); dot_constant(p); return;
        case T_LParen: {
            advance(p);
            const bool test = p.unit.test_expression;
            p.unit.test_expression = false;
            comma_expression(p, e);
            p.unit.test_expression = test;
            expect(p, T_RParen);
            return;
        }
        case T_Int: case T_Double: case T_Matrix: case T_String: case T_Array: {
            const int type = tok(p);
            advance(p);
            cast_expression(p, type);
            return;
        }
        case T_LBrace:
            if (dialect() == Dialect::Gauss) return gauss_brace_constant(p);
            advance(p);
            array_constructor(p);
            return;
        case T_Lt: {
            advance(p);
            gen(p, Op::Lit, matrix_constant(p));
            return;
        }
        case T_Identifier: {
            const std::string name = cur(p).text;
            advance(p);
            resolve_name(p, name, e);
            return;
        }
        case T_This:
            advance(p);
            if (p.unit.fn.cls < 0 || p.unit.fn.is_static) report(p, D_OnlyNonStaticMember, "this");
            gen(p, Op::Lap, 0);
            e.cls = p.unit.fn.cls;
            e.name = "this";
            return;
        case T_LBracket: {
            advance(p);
            if ((tok(p) == T_Assign || tok(p) == T_Amp) && peek() == T_RBracket) lambda_expression(p, e);
            else multiple_assignment(p, e);
            return;
        }
        case T_Eof: report(p, D_UnexpectedEof); return;
        default: report(p, D_OutOfPlace, token_name(tok(p))); return;
    }
}

// postfix -> primary { "(" args ")" | "[" index "]" | "->" member | "." member | "++" | "--" | "'" | ".'" }
void postfix_expression(Parser& p, Expr& e) {
    primary_expression(p, e);
    for (;;) {
        switch (tok(p)) {
            case T_LParen: advance(p); call_suffix(p, e); break;
            case T_LBracket:
                advance(p);
                if (dialect() == Dialect::Gauss) gauss_index_suffix(p, e);
                else index_suffix(p, e);
                break;
            case T_G_Factorial:
                advance(p);
                load(p, e);
                gauss_factorial(p);
                break;
            case T_Arrow:
            case T_Dot: advance(p); member_suffix(p, e); break;
            case T_PlusPlus:
            case T_MinusMinus: {
                const int op = tok(p);
                advance(p);
                increment(p, e, op);
                p.postfix_undo = gen(p, Op::Psh, 1);
                gen(p, Op::Opr, op == T_PlusPlus ? T_Minus : T_Plus);
                break;
            }
            case T_Transpose:
            case T_DotTranspose:
                load(p, e);
                gen(p, Op::Opr, tok(p));
                advance(p);
                break;
            default: return;
        }
    }
}

// power -> postfix [ ("^" | ".^") prefix ]   (right-associative)
void power_expression(Parser& p, Expr& e) {
    postfix_expression(p, e);
    if (tok(p) != T_Caret && tok(p) != T_DotCaret) return;
    const int op = tok(p);
    advance(p);
    load(p, e);
    gen(p, Op::Psh, 0);
    Expr r;
    unary_expression(p, r);
    load(p, r);
    gen(p, Op::Opr, op);
}

}  // namespace

// prefix -> ("-" | "+" | "!" | "++" | "--" | "&") prefix | new | delete | power
void unary_expression(Parser& p, Expr& e) {
    const NestingGuard level(p);
    if (!level.ok()) return;
    switch (tok(p)) {
        case T_Minus:
            advance(p);
            unary_expression(p, e);
            load(p, e);
            gen(p, Op::Opr, T_UnaryMinus);
            return;
        case T_Plus: advance(p); unary_expression(p, e); return;
        case T_Not:
        case T_G_Not:
            advance(p);
            unary_expression(p, e);
            load(p, e);
            gen(p, Op::Opr, T_Not);
            return;
        case T_PlusPlus:
        case T_MinusMinus: {
            const int op = tok(p);
            advance(p);
            unary_expression(p, e);
            increment(p, e, op);
            return;
        }
        case T_Amp:
            advance(p);
            if (dialect() == Dialect::Gauss && tok(p) == T_Identifier) {
                const std::string name = cur(p).text;
                advance(p);
                gauss_function_reference(p, name, e);
                load(p, e);
                return;
            }
            unary_expression(p, e);
            // GAUSS &f: the procedure itself, passed as a value.
            if (e.function && dialect() == Dialect::Gauss) load(p, e);
            else take_reference(p, e);
            return;
        case T_New: advance(p); new_expression(p, e); return;
        case T_Delete: advance(p); delete_expression(p, e); return;
        default: power_expression(p, e); return;
    }
}

// conditional -> logical_or [ "?" comma ":" conditional | ".?" conditional ".:" conditional ]
void conditional_expression(Parser& p, Expr& e) {
    const NestingGuard level(p);
    if (!level.ok()) return;
    logical_or(p, e);
    if (tok(p) == T_Question) {
        advance(p);
        load(p, e);
        const int to_false = emit_jump(p, Op::Jmf);
        Expr t;
        comma_expression(p, t);
        load(p, t);
        const int to_end = emit_jump(p, Op::Jmp);
        expect(p, T_Colon);
        patch_here(p, to_false);
        Expr f;
        conditional_expression(p, f);
        load(p, f);
        patch_here(p, to_end);
        e = Expr{};
    } else if (tok(p) == T_DotQuestion) {
        advance(p);
        load(p, e);
        gen(p, Op::Psh, 0);
        Expr t;
        conditional_expression(p, t);
        load(p, t);
        gen(p, Op::Psh, 0);
        expect(p, T_DotColon);
        Expr f;
        conditional_expression(p, f);
        load(p, f);
        gen(p, Op::Opr, T_DotQuestion);
        e = Expr{};
    }
}

// assignment -> conditional [ ("=" | "*=" | "/=" | "+=" | "-=" | "~=" | "|=" | ".*=" | "./=") assignment ]
void assignment_expression(Parser& p, Expr& e) {
    const NestingGuard level(p);
    if (!level.ok()) return;
    const int statement = statement_value_here(p);
    conditional_expression(p, e);
    const int t = tok(p);
    const int op = compound_operator(t);
    if (t != T_Assign && op == 0) return;
    advance(p);
    if (t == T_Assign && p.unit.test_expression) report(p, W_AssignInTest);
    const bool ok = store_begin(p, e, op != 0);
    Expr r;
    assignment_expression(p, r);
    load(p, r);
    if (!ok) {
        e = Expr{};
        return;
    }
    if (op != 0) gen(p, Op::Opr, op);
    if (t == T_Assign) move_assigned_local(p, e, statement);
    store_end(p, e);
}

// comma -> assignment { "," assignment }
void comma_expression(Parser& p, Expr& e) {
    assignment_expression(p, e);
    while (accept(p, T_Comma)) {
        load(p, e);
        assignment_expression(p, e);
    }
}

void expression_value(Parser& p) {
    Expr e;
    assignment_expression(p, e);
    load(p, e);
}

void comma_value(Parser& p) {
    Expr e;
    comma_expression(p, e);
    load(p, e);
}

// Drops the undo of a post-increment whose value nobody uses.
void discard_postfix_value(Parser& p) {
    if (p.postfix_undo >= 0 && p.postfix_undo == code_here() - 2) link::code_truncate(p.postfix_undo);
    p.postfix_undo = -1;
}

void forget_postfix_value(Parser& p) { p.postfix_undo = -1; }

void emit_number(Parser& p, double d, bool is_int) {
    const bool in_range = d >= INT32_MIN && d <= INT32_MAX;
    if (is_int && in_range) {
        gen(p, Op::Lti, static_cast<int32_t>(d));
    } else if (!is_int && in_range && d == std::trunc(d) && !(d == 0 && std::signbit(d))) {
        gen(p, Op::Ltd, static_cast<int32_t>(d));
    } else {
        gen(p, Op::Lit, link::add_double_literal(d));
    }
}

}  // namespace kj::compiler
