// Statements of the GAUSS dialect: if/elseif/else/endif, do while/until ...
// endo, for ... endfor, gosub/return/pop, retp, local, let, call, print and
// "?", multiple assignment in braces, keyword procedure calls and commands.
// An expression statement that assigns nothing prints its value, as GAUSS
// does ("x;" shows x, "f(x);" shows what f returns; call discards it).
#include <cstdlib>
#include <vector>

#include "compiler/gauss/gauss.h"
#include "compiler/nesting_limit.h"
#include "compiler/parser.h"
#include "compiler/scanner.h"
#include "compiler/token_names.h"
#include "link/literals.h"
#include "link/symbols.h"
#include "runtime/settings.h"

namespace kj::compiler {

namespace {

bool at_end_of_statement(Parser& p) { return tok(p) == T_Semicolon || tok(p) == T_G_SemiSemi || tok(p) == T_Eof; }

void end_statement(Parser& p) {
    if (!accept(p, T_G_SemiSemi)) expect(p, T_Semicolon);
    statement_end_marker(p);
}

// Statements until one of the closing keywords (not consumed).
void block_until(Parser& p, std::initializer_list<int> ends) {
    for (;;) {
        for (int t : ends)
            if (tok(p) == t) return;
        if (tok(p) == T_Eof) {
            report(p, D_UnexpectedEof);
            return;
        }
        const int before = tokens_consumed(p);
        gauss_statement(p);
        if (tokens_consumed(p) == before && tok(p) != T_Eof) advance(p);
    }
}

// A variable named in a statement (for counters, pop, let, load, clear):
// a local, else the global, made a variable when it was not one.
Expr variable(Parser& p, const std::string& name) {
    Expr e;
    e.name = name;
    if (const Local* l = find_local(p, name)) {
        e.place = l->arg ? Place::Arg : Place::Local;
        e.index = l->slot;
        return e;
    }
    const std::string full = gauss_name(name);
    int k = link::find_symbol(full);
    if (k >= 0 && take_gauss_implicit_function(p, k)) {
        value::Value& v = link::symbol_at(k).val;
        value::release(v);
        v = value::make_int(0);
        v.type |= KJ_FLAG_GLOBAL;
    }
    if (k < 0) {
        value::Value v = value::make_int(0);
        v.type |= KJ_FLAG_GLOBAL;
        k = link::add_symbol(full, v);
        if (k < 0) report(p, D_SymbolTableFull);
    }
    global_symbol_place(k < 0 ? 0 : k, full, e);
    return e;
}

// The top record's value goes into the variable; the record stays.
void store_top(Parser& p, Expr e) {
    if (store_begin(p, e, false)) store_end(p, e);
}

void load_copy(Parser& p, Expr e) { load(p, e); }

int global_variable(Parser& p, const char* full) {
    int k = link::find_symbol(full);
    if (k >= 0) return k;
    value::Value v = value::make_int(0);
    v.type |= KJ_FLAG_GLOBAL;
    k = link::add_symbol(full, v);
    if (k < 0) report(p, D_SymbolTableFull);
    return k < 0 ? 0 : k;
}

// stack = gauss::__gpush__(stack, value): the value is compiled by `value`.
template <class Value>
void push_onto(Parser& p, const char* stack, Value value) {
    const int s = global_variable(p, stack);
    gen(p, Op::Psh, 0);
    gen(p, Op::Lod, gauss_function_symbol(p, "gauss::__gpush__"));
    gen(p, Op::Psh, 0);
    gen(p, Op::Lod, s);
    gen(p, Op::Psh, 0);
    value();
    gen(p, Op::Cal, 2);
    gen(p, Op::Sto, s);
    gen(p, Op::Pop, 0);
}

// Top record := f(stack) for __gtop__ (no store) or stack := __gdrop__(stack).
void stack_call(Parser& p, const char* f, const char* stack, bool store) {
    const int s = global_variable(p, stack);
    gen(p, Op::Lod, gauss_function_symbol(p, f));
    gen(p, Op::Psh, 0);
    gen(p, Op::Lod, s);
    gen(p, Op::Cal, 1);
    if (store) gen(p, Op::Sto, s);
}

void drop_from(Parser& p, const char* stack) {
    gen(p, Op::Psh, 0);
    stack_call(p, "gauss::__gdrop__", stack, true);
    gen(p, Op::Pop, 0);
}

// Widths that make gauss::format save the format before applying a print
// statement's options, and put it back after the statement.
constexpr int k_format_push = -2;
constexpr int k_format_pop = -3;

constexpr const char* k_return_stack = "gauss::$gosub_return";
constexpr const char* k_value_stack = "gauss::$gosub_values";

// if e ; ... { elseif e ; ... } [ else ; ... ] endif ;
void if_statement(Parser& p) {
    int end_chain = 0;
    for (;;) {
        gen(p, Op::Psh, 0);
        comma_value(p);
        expect(p, T_Semicolon);
        line_marker(p, last_line(p));
        const int to_next = emit_jump(p, Op::Jmf);
        gen(p, Op::Pop, 0);
        block_until(p, {T_G_Elseif, T_Else, T_G_Endif});
        end_chain = join_chains(end_chain, emit_jump(p, Op::Jmp));
        patch_here(p, to_next);
        gen(p, Op::Pop, 0);
        if (accept(p, T_G_Elseif)) continue;
        if (accept(p, T_Else)) {
            accept(p, T_Semicolon);
            block_until(p, {T_G_Endif});
        }
        break;
    }
    expect(p, T_G_Endif);
    accept(p, T_Semicolon);
    patch_here(p, end_chain);
}

// do while e ; ... endo ;   do until e ; ... endo ;
void do_statement(Parser& p) {
    const bool until = tok(p) == T_G_Until;
    if (!accept(p, T_G_Until) && !accept(p, T_While)) {
        report(p, D_Expected, "while", tok(p));
        return;
    }
    const int top = mark_label(p);
    gen(p, Op::Psh, 0);
    comma_value(p);
    expect(p, T_Semicolon);
    line_marker(p, last_line(p));
    const int exit = emit_jump(p, until ? Op::Jmt : Op::Jmf);
    gen(p, Op::Pop, 0);
    const bool pushed = push_loop(p, false);
    if (tok(p) == T_G_Endo) report(p, W_EmptyStatement);
    block_until(p, {T_G_Endo});
    line_marker(p, last_line(p));
    emit_plain(p, Op::Jmp, top);
    patch_here(p, exit);
    gen(p, Op::Pop, 0);
    if (pushed) pop_loop(p, mark_label(p), top);
    expect(p, T_G_Endo);
    accept(p, T_Semicolon);
}

// A hidden local holding the value of an expression compiled now.
int hidden_value(Parser& p, const char* what) {
    const int slot = hidden_local(p, "$" + std::string(what) + std::to_string(++p.session.gauss.hidden_count));
    gen(p, Op::Psh, 0);
    expression_value(p);
    gen(p, Op::Sbp, slot);
    gen(p, Op::Pop, 0);
    return slot;
}

// for i ( start, stop, step ) ; ... endfor ;   (runs while (i - stop) * step <= 0)
void for_statement_gauss(Parser& p) {
    if (tok(p) != T_Identifier) {
        expect(p, T_Identifier);
        return;
    }
    const Expr counter = variable(p, cur(p).text);
    advance(p);
    expect(p, T_LParen);
    gen(p, Op::Psh, 0);
    expression_value(p);
    store_top(p, counter);
    gen(p, Op::Pop, 0);
    expect(p, T_Comma);
    const int stop = hidden_value(p, "stop");
    expect(p, T_Comma);
    const int step = hidden_value(p, "step");
    expect(p, T_RParen);
    expect(p, T_Semicolon);
    const int top = mark_label(p);
    gen(p, Op::Psh, 0);
    load_copy(p, counter);
    gen(p, Op::Psh, 0);
    gen(p, Op::Lbp, stop);
    gen(p, Op::Opr, T_Minus);
    gen(p, Op::Psh, 0);
    gen(p, Op::Lbp, step);
    gen(p, Op::Opr, T_Star);
    gen(p, Op::Psh, 0);
    gen(p, Op::Opr, T_Le);
    line_marker(p, last_line(p));
    const int exit = emit_jump(p, Op::Jmf);
    gen(p, Op::Pop, 0);
    const bool pushed = push_loop(p, false);
    block_until(p, {T_G_Endfor});
    const int next = mark_label(p);
    gen(p, Op::Psh, 0);
    load_copy(p, counter);
    gen(p, Op::Psh, 0);
    gen(p, Op::Lbp, step);
    gen(p, Op::Opr, T_Plus);
    store_top(p, counter);
    gen(p, Op::Pop, 0);
    line_marker(p, last_line(p));
    emit_plain(p, Op::Jmp, top);
    patch_here(p, exit);
    gen(p, Op::Pop, 0);
    if (pushed) pop_loop(p, mark_label(p), next);
    expect(p, T_G_Endfor);
    accept(p, T_Semicolon);
}

// [ "(" values ")" ]: each value onto the value stack, for gosub and return.
void push_value_list(Parser& p) {
    if (!accept(p, T_LParen)) return;
    while (tok(p) != T_RParen && tok(p) != T_Eof) {
        push_onto(p, k_value_stack, [&p] { expression_value(p); });
        if (!accept(p, T_Comma)) break;
    }
    expect(p, T_RParen);
}

// gosub label [ "(" values ")" ] ;
void gosub_statement(Parser& p) {
    if (tok(p) != T_Identifier) {
        expect(p, T_Identifier);
        return;
    }
    const std::string label = cur(p).text;
    advance(p);
    const int id = static_cast<int>(p.unit.fn.gosub_sites.size()) + 1;
    push_onto(p, k_return_stack, [&p, id] { gen(p, Op::Lti, id); });
    push_value_list(p);
    expect(p, T_Semicolon);
    jump_to_label(p, label);
    p.unit.fn.gosub_sites.push_back(mark_label(p));
}

// return [ "(" values ")" ] ;   back to the statement after the last gosub
void return_statement_gauss(Parser& p) {
    push_value_list(p);
    expect(p, T_Semicolon);
    line_marker(p, last_line(p));
    p.unit.fn.gosub_returns = emit_jump(p, Op::Jmp, p.unit.fn.gosub_returns);
}

// pop name ;   the value pushed last by gosub or return
void pop_statement(Parser& p) {
    if (tok(p) != T_Identifier) {
        expect(p, T_Identifier);
        return;
    }
    const Expr target = variable(p, cur(p).text);
    advance(p);
    gen(p, Op::Psh, 0);
    stack_call(p, "gauss::__gtop__", k_value_stack, false);
    store_top(p, target);
    gen(p, Op::Pop, 0);
    drop_from(p, k_value_stack);
    expect(p, T_Semicolon);
    statement_end_marker(p);
}

// retp [ "(" value { "," value } ")" ] ;
void retp_statement(Parser& p) {
    if (p.unit.fn.name == "main") report(p, D_OutOfPlace, "retp");
    if (!accept(p, T_LParen) || accept(p, T_RParen)) {
        expect(p, T_Semicolon);
        line_marker(p, last_line(p));
        gen(p, Op::Ret, -1);
        return;
    }
    gen(p, Op::Psh, 0);
    expression_value(p);
    if (tok(p) == T_Comma) {
        // Several values travel as one array: [x] -> { x, y, ... }
        gen(p, Op::Psh, 0);
        gen(p, Op::Lti, 0);
        gen(p, Op::Ntp, KJ_TYPE_ARRAY);
        gen(p, Op::Exc);
        gen(p, Op::Opr, T_RBrace);
        gen(p, Op::Opr, T_Bar);
        while (accept(p, T_Comma)) {
            gen(p, Op::Psh, 0);
            expression_value(p);
            gen(p, Op::Opr, T_RBrace);
            gen(p, Op::Opr, T_Bar);
        }
    }
    expect(p, T_RParen);
    expect(p, T_Semicolon);
    line_marker(p, last_line(p));
    gen(p, Op::Ret, 1);
}

// local name [ ":" type ] { "," ... } ;
void local_statement(Parser& p) {
    if (p.unit.fn.name == "main") report(p, D_OutOfPlace, "local");
    do {
        if (tok(p) != T_Identifier) {
            expect(p, T_Identifier);
            return;
        }
        if (!find_local(p, cur(p).text)) declare_local(p, cur(p).text, 0);
        advance(p);
        if (accept(p, T_Colon) && (tok(p) == T_Identifier || tok(p) == T_G_Proc || tok(p) == T_Matrix || tok(p) == T_String ||
                                tok(p) == T_G_Keyword || tok(p) == T_G_Fn))
            advance(p);
    } while (accept(p, T_Comma));
    expect(p, T_Semicolon);
}

// Numbers of a value, reshaped to r x c (repeating them as GAUSS does).
value::Value reshaped(value::Value v, int r, int c) {
    if (value::type_of(v) != value::T_Matrix || r < 1 || c < 1) return v;
    const long n = static_cast<long>(v.u.mat.r) * v.u.mat.c;
    value::Value out{};
    value::set_matrix_zero(out, r, c);
    for (long i = 0; n > 0 && i < static_cast<long>(r) * c; ++i) out.u.mat.m[0][i] = v.u.mat.m[0][i % n];
    value::release(v);
    return out;
}

// let [type] name [ "[" r "," c "]" ] [ "=" ] elements ;
void let_statement(Parser& p) {
    if (tok(p) == T_Matrix || tok(p) == T_String) advance(p);
    if (tok(p) != T_Identifier) {
        expect(p, T_Identifier);
        return;
    }
    const Expr target = variable(p, cur(p).text);
    int r = 0, c = 0;
    advance(p);
    if (accept(p, T_LBracket)) {
        r = static_cast<int>(std::strtol(cur(p).text.c_str(), nullptr, 10));
        expect(p, T_IntLit);
        expect(p, T_Comma);
        c = static_cast<int>(std::strtol(cur(p).text.c_str(), nullptr, 10));
        if (tok(p) != T_IntLit) {
            expect(p, T_IntLit);
        } else {
            // The elements are read with blanks as separators from here on.
            set_space_token(true);
            advance(p);
            set_space_token(false);
        }
        if (tok(p) == T_Space) advance(p);
        if (tok(p) != T_RBracket) expect(p, T_RBracket);
    }
    set_space_token(true);
    if (tok(p) == T_Assign || tok(p) == T_RBracket) advance(p);
    while (tok(p) == T_Space) advance(p);
    if (tok(p) == T_Assign) advance(p);
    while (tok(p) == T_Space) advance(p);
    // Text elements make an array of r * c elements.
    const int64_t shape = r > 0 && c > 0 ? static_cast<int64_t>(r) * c : 0;
    value::Value v{};
    if (tok(p) == T_LBrace) {
        advance(p);
        v = gauss_constant_elements(p, T_RBrace, false, true, shape);
        while (tok(p) != T_RBrace && !at_end_of_statement(p)) advance(p);
        if (tok(p) == T_RBrace) advance(p);
        while (tok(p) == T_Space) advance(p);
    } else {
        v = gauss_constant_elements(p, T_Semicolon, true, true, shape);
    }
    set_space_token(false);
    if (r > 0) v = reshaped(v, r, c);
    const int k = link::add_literal(v);
    if (k < 0) {
        value::release(v);
        report(p, D_ConstantBufferFull);
    }
    gen(p, Op::Psh, 0);
    gen(p, Op::Lit, k);
    store_top(p, target);
    gen(p, Op::Pop, 0);
    expect(p, T_Semicolon);
    statement_end_marker(p);
}

// gauss::format(options, width, -1) as a statement.
void format_call(Parser& p, const std::string& options, int width) {
    gen(p, Op::Psh, 0);
    gen(p, Op::Lod, gauss_function_symbol(p, "gauss::format"));
    gen(p, Op::Psh, 0);
    gen(p, Op::Lit, link::add_string_literal(options));
    gen(p, Op::Psh, width);
    gen(p, Op::Psh, -1);
    gen(p, Op::Cal, 3);
    gen(p, Op::Pop, 0);
}

// print / "?" items: blank-separated expressions, "$" before an item prints
// packed characters, options "/xx" first set the format; ";;" keeps the line.
void print_statement(Parser& p) {
    set_space_token(true);
    advance(p);
    while (tok(p) == T_Space) advance(p);
    std::string options;
    while (tok(p) == T_Slash) {
        advance(p);
        options += "/" + cur(p).text;
        advance(p);
        while (tok(p) == T_Space) advance(p);
    }
    if (!options.empty()) format_call(p, options, k_format_push);
    gen(p, Op::Psh, 0);
    const int callee = gen(p, Op::Lod, gauss_function_symbol(p, "gauss::println"));
    int n = 0;
    while (!at_end_of_statement(p)) {
        const int before = tokens_consumed(p);
        gen(p, Op::Psh, 0);
        if (accept(p, T_G_Dollar)) {
            gen(p, Op::Lod, gauss_function_symbol(p, "gauss::__opcharstr__"));
            gen(p, Op::Psh, 0);
            expression_value(p);
            gen(p, Op::Cal, 1);
        } else {
            expression_value(p);
        }
        ++n;
        while (tok(p) == T_Space) advance(p);
        if (tokens_consumed(p) == before) {
            report(p, D_OutOfPlace, token_name(tok(p)));
            advance(p);
        }
    }
    set_space_token(false);
    if (n == 0) {
        gen(p, Op::Psh, 0);
        gen(p, Op::Lit, link::add_string_literal(""));
        n = 1;
    }
    gen(p, Op::Cal, n);
    if (tok(p) == T_G_SemiSemi) instr(callee).operand = gauss_function_symbol(p, "gauss::print");
    gen(p, Op::Pop, 0);
    // The statement's own format options end with it.
    if (!options.empty()) format_call(p, "", k_format_pop);
    end_statement(p);
}

// expression ; : an assignment, or a value that is printed.
void expression_statement_gauss(Parser& p) {
    gen(p, Op::Psh, 0);
    Expr e;
    conditional_expression(p, e);
    if (tok(p) == T_Assign) {
        advance(p);
        const bool ok = store_begin(p, e, false);
        Expr r;
        assignment_expression(p, r);
        load(p, r);
        if (ok) store_end(p, e);
    } else {
        load(p, e);
        gen(p, Op::Psh, 0);
        gen(p, Op::Lod, gauss_function_symbol(p, tok(p) == T_G_SemiSemi ? "gauss::print" : "gauss::println"));
        gen(p, Op::Exc);
        gen(p, Op::Cal, 1);
    }
    gen(p, Op::Pop, 0);
    end_statement(p);
}

// call expression ;
void call_statement(Parser& p) {
    gen(p, Op::Psh, 0);
    comma_value(p);
    gen(p, Op::Pop, 0);
    end_statement(p);
}

// "{" targets "}" "=" expression ;
void braced_assignment(Parser& p) {
    gen(p, Op::Psh, 0);
    multiple_targets(p, false, T_RBrace);
    gen(p, Op::Pop, 0);
    end_statement(p);
}

// A keyword procedure: the rest of the statement is its one string argument.
void keyword_call(Parser& p, const std::string& name) {
    std::string text = read_raw_until(";");
    const std::size_t a = text.find_first_not_of(" \t\r\n");
    text = a == std::string::npos ? "" : text.substr(a, text.find_last_not_of(" \t\r\n") - a + 1);
    gen(p, Op::Psh, 0);
    gen(p, Op::Lod, gauss_function_symbol(p, gauss_name(name)));
    gen(p, Op::Psh, 0);
    gen(p, Op::Lit, link::add_string_literal(text));
    gen(p, Op::Cal, 1);
    gen(p, Op::Pop, 0);
    advance(p);
    end_statement(p);
}

// end; stop; system;  the program ends.
void end_program(Parser& p) {
    advance(p);
    if (p.unit.fn.name == "main") {
        line_marker(p, last_line(p));
        gen(p, Op::Ret, -1);
    } else {
        gen(p, Op::Psh, 0);
        gen(p, Op::Lod, declare_library_function(p, "exit"));
        gen(p, Op::Psh, 0);
        gen(p, Op::Cal, 1);
        gen(p, Op::Pop, 0);
    }
    end_statement(p);
}

}  // namespace

// The return dispatch of a function that used return: back to the gosub
// whose number is on top of the return stack, or out of the function.
void finish_gosubs(Parser& p) {
    FunctionState& f = p.unit.fn;
    if (f.gosub_returns == 0) return;
    patch_here(p, f.gosub_returns);
    for (std::size_t i = 0; i < f.gosub_sites.size(); ++i) {
        gen(p, Op::Psh, 0);
        stack_call(p, "gauss::__gtop__", k_return_stack, false);
        gen(p, Op::Psh, static_cast<int>(i) + 1);
        gen(p, Op::Opr, T_Eq);
        const int next = emit_jump(p, Op::Jmf);
        gen(p, Op::Pop, 0);
        drop_from(p, k_return_stack);
        emit_plain(p, Op::Jmp, f.gosub_sites[i]);
        patch_here(p, next);
        gen(p, Op::Pop, 0);
    }
    emit_plain(p, Op::Ret, -1);
    f.gosub_returns = 0;
}

void gauss_statement(Parser& p) {
    const NestingGuard level(p);
    if (!level.ok()) return;
    switch (tok(p)) {
        case T_Semicolon:
        case T_G_SemiSemi: advance(p); return;
        case T_If: advance(p); return if_statement(p);
        case T_Do: advance(p); return do_statement(p);
        case T_For: advance(p); return for_statement_gauss(p);
        case T_Break: advance(p); return break_statement(p);
        case T_Continue: advance(p); return continue_statement(p);
        case T_Goto: advance(p); return goto_statement(p);
        case T_G_Gosub: advance(p); return gosub_statement(p);
        case T_Return: advance(p); return return_statement_gauss(p);
        case T_G_Pop: advance(p); return pop_statement(p);
        case T_G_Retp: advance(p); return retp_statement(p);
        case T_G_Local: advance(p); return local_statement(p);
        case T_G_Let: advance(p); return let_statement(p);
        case T_G_Call: advance(p); return call_statement(p);
        case T_LBrace: advance(p); return braced_assignment(p);
        case T_Question: return print_statement(p);
        case T_Pragma: advance(p); return pragma_directive(p);
        case T_New:
            advance(p);
            gen(p, Op::Psh, 0);
            gen(p, Op::Lod, gauss_function_symbol(p, "gauss::__new__"));
            gen(p, Op::Cal, 0);
            gen(p, Op::Pop, 0);
            return end_statement(p);
        case T_String:
        case T_Matrix:
            // "string s = ...;" and "matrix x = ...;": the type word only documents.
            if (peek() != T_Identifier) return expression_statement_gauss(p);
            advance(p);
            return expression_statement_gauss(p);
        case T_G_Dataloop:
            // Data-set loops are not part of this version: one message, the loop skipped.
            report(p, D_OutOfPlace, "dataloop (data-set loops are not available)");
            while (tok(p) != T_G_Endata && tok(p) != T_Eof) advance(p);
            advance(p);
            accept(p, T_Semicolon);
            return;
        case T_G_Declare: case T_G_External: case T_G_Proc: case T_G_Keyword: case T_G_Fn: case T_G_Endp:
        case T_G_Endif: case T_G_Endo: case T_G_Endfor: case T_G_Elseif: case T_Else: case T_G_Until:
        case T_G_Endata:
            report(p, D_OutOfPlace, token_name(tok(p)));
            advance(p);
            return;
        case T_Identifier: {
            const std::string name = cur(p).text;
            if (name == "print") return print_statement(p);
            if (is_gauss_keyword(name)) {
                const int c = peek_char_after_blanks();
                if (c != '(' && c != '=') return keyword_call(p, name);
            }
            if (gauss_command(p, name)) return;
            if ((name == "end" || name == "stop" || name == "system") && peek() == T_Semicolon) return end_program(p);
            if (peek() == T_Colon) {
                advance(p);
                advance(p);
                define_label(p, name);
                return;
            }
            return expression_statement_gauss(p);
        }
        default: return expression_statement_gauss(p);
    }
}

}  // namespace kj::compiler
