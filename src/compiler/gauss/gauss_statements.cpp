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

bool at_end_of_statement() { return tok() == T_Semicolon || tok() == T_G_SemiSemi || tok() == T_Eof; }

void end_statement() {
    if (!accept(T_G_SemiSemi)) expect(T_Semicolon);
    statement_end_marker();
}

// Statements until one of the closing keywords (not consumed).
void block_until(std::initializer_list<int> ends) {
    for (;;) {
        for (int t : ends)
            if (tok() == t) return;
        if (tok() == T_Eof) {
            report(D_UnexpectedEof);
            return;
        }
        const int before = tokens_consumed();
        gauss_statement();
        if (tokens_consumed() == before && tok() != T_Eof) advance();
    }
}

// A variable named in a statement (for counters, pop, let, load, clear):
// a local, else the global, made a variable when it was not one.
Expr variable(const std::string& name) {
    Expr e;
    e.name = name;
    if (const Local* l = find_local(name)) {
        e.place = l->arg ? Place::Arg : Place::Local;
        e.index = l->slot;
        return e;
    }
    const std::string full = gauss_name(name);
    int k = link::find_symbol(full);
    if (k >= 0 && take_gauss_implicit_function(k)) {
        value::Value& v = link::symbol_at(k).val;
        value::release(v);
        v = value::make_int(0);
        v.type |= KJ_FLAG_GLOBAL;
    }
    if (k < 0) {
        value::Value v = value::make_int(0);
        v.type |= KJ_FLAG_GLOBAL;
        k = link::add_symbol(full, v);
        if (k < 0) report(D_SymbolTableFull);
    }
    global_symbol_place(k < 0 ? 0 : k, full, e);
    return e;
}

// The top record's value goes into the variable; the record stays.
void store_top(Expr e) {
    if (store_begin(e, false)) store_end(e);
}

void load_copy(Expr e) { load(e); }

int global_variable(const char* full) {
    int k = link::find_symbol(full);
    if (k >= 0) return k;
    value::Value v = value::make_int(0);
    v.type |= KJ_FLAG_GLOBAL;
    k = link::add_symbol(full, v);
    if (k < 0) report(D_SymbolTableFull);
    return k < 0 ? 0 : k;
}

// stack = gauss::__gpush__(stack, value): the value is compiled by `value`.
template <class Value>
void push_onto(const char* stack, Value value) {
    const int s = global_variable(stack);
    gen(Op::Psh, 0);
    gen(Op::Lod, gauss_function_symbol("gauss::__gpush__"));
    gen(Op::Psh, 0);
    gen(Op::Lod, s);
    gen(Op::Psh, 0);
    value();
    gen(Op::Cal, 2);
    gen(Op::Sto, s);
    gen(Op::Pop, 0);
}

// Top record := f(stack) for __gtop__ (no store) or stack := __gdrop__(stack).
void stack_call(const char* f, const char* stack, bool store) {
    const int s = global_variable(stack);
    gen(Op::Lod, gauss_function_symbol(f));
    gen(Op::Psh, 0);
    gen(Op::Lod, s);
    gen(Op::Cal, 1);
    if (store) gen(Op::Sto, s);
}

void drop_from(const char* stack) {
    gen(Op::Psh, 0);
    stack_call("gauss::__gdrop__", stack, true);
    gen(Op::Pop, 0);
}

// Widths that make gauss::format save the format before applying a print
// statement's options, and put it back after the statement.
constexpr int k_format_push = -2;
constexpr int k_format_pop = -3;

constexpr const char* k_return_stack = "gauss::$gosub_return";
constexpr const char* k_value_stack = "gauss::$gosub_values";

// if e ; ... { elseif e ; ... } [ else ; ... ] endif ;
void if_statement() {
    int end_chain = 0;
    for (;;) {
        gen(Op::Psh, 0);
        comma_value();
        expect(T_Semicolon);
        line_marker(last_line());
        const int to_next = emit_jump(Op::Jmf);
        gen(Op::Pop, 0);
        block_until({T_G_Elseif, T_Else, T_G_Endif});
        end_chain = join_chains(end_chain, emit_jump(Op::Jmp));
        patch_here(to_next);
        gen(Op::Pop, 0);
        if (accept(T_G_Elseif)) continue;
        if (accept(T_Else)) {
            accept(T_Semicolon);
            block_until({T_G_Endif});
        }
        break;
    }
    expect(T_G_Endif);
    accept(T_Semicolon);
    patch_here(end_chain);
}

// do while e ; ... endo ;   do until e ; ... endo ;
void do_statement() {
    const bool until = tok() == T_G_Until;
    if (!accept(T_G_Until) && !accept(T_While)) {
        report(D_Expected, "while", tok());
        return;
    }
    const int top = mark_label();
    gen(Op::Psh, 0);
    comma_value();
    expect(T_Semicolon);
    line_marker(last_line());
    const int exit = emit_jump(until ? Op::Jmt : Op::Jmf);
    gen(Op::Pop, 0);
    const bool pushed = push_loop(false);
    if (tok() == T_G_Endo) report(W_EmptyStatement);
    block_until({T_G_Endo});
    line_marker(last_line());
    emit_plain(Op::Jmp, top);
    patch_here(exit);
    gen(Op::Pop, 0);
    if (pushed) pop_loop(mark_label(), top);
    expect(T_G_Endo);
    accept(T_Semicolon);
}

// A hidden local holding the value of an expression compiled now.
int hidden_value(const char* what) {
    const int slot = hidden_local("$" + std::string(what) + std::to_string(++session().gauss.hidden_count));
    gen(Op::Psh, 0);
    expression_value();
    gen(Op::Sbp, slot);
    gen(Op::Pop, 0);
    return slot;
}

// for i ( start, stop, step ) ; ... endfor ;   (runs while (i - stop) * step <= 0)
void for_statement_gauss() {
    if (tok() != T_Identifier) {
        expect(T_Identifier);
        return;
    }
    const Expr counter = variable(cur().text);
    advance();
    expect(T_LParen);
    gen(Op::Psh, 0);
    expression_value();
    store_top(counter);
    gen(Op::Pop, 0);
    expect(T_Comma);
    const int stop = hidden_value("stop");
    expect(T_Comma);
    const int step = hidden_value("step");
    expect(T_RParen);
    expect(T_Semicolon);
    const int top = mark_label();
    gen(Op::Psh, 0);
    load_copy(counter);
    gen(Op::Psh, 0);
    gen(Op::Lbp, stop);
    gen(Op::Opr, T_Minus);
    gen(Op::Psh, 0);
    gen(Op::Lbp, step);
    gen(Op::Opr, T_Star);
    gen(Op::Psh, 0);
    gen(Op::Opr, T_Le);
    line_marker(last_line());
    const int exit = emit_jump(Op::Jmf);
    gen(Op::Pop, 0);
    const bool pushed = push_loop(false);
    block_until({T_G_Endfor});
    const int next = mark_label();
    gen(Op::Psh, 0);
    load_copy(counter);
    gen(Op::Psh, 0);
    gen(Op::Lbp, step);
    gen(Op::Opr, T_Plus);
    store_top(counter);
    gen(Op::Pop, 0);
    line_marker(last_line());
    emit_plain(Op::Jmp, top);
    patch_here(exit);
    gen(Op::Pop, 0);
    if (pushed) pop_loop(mark_label(), next);
    expect(T_G_Endfor);
    accept(T_Semicolon);
}

// gosub label [ "(" values ")" ] ;
void gosub_statement() {
    if (tok() != T_Identifier) {
        expect(T_Identifier);
        return;
    }
    const std::string label = cur().text;
    advance();
    const int id = static_cast<int>(fn().gosub_sites.size()) + 1;
    push_onto(k_return_stack, [id] { gen(Op::Lti, id); });
    if (accept(T_LParen)) {
        while (tok() != T_RParen && tok() != T_Eof) {
            push_onto(k_value_stack, [] { expression_value(); });
            if (!accept(T_Comma)) break;
        }
        expect(T_RParen);
    }
    expect(T_Semicolon);
    jump_to_label(label);
    fn().gosub_sites.push_back(mark_label());
}

// return [ "(" values ")" ] ;   back to the statement after the last gosub
void return_statement_gauss() {
    if (accept(T_LParen)) {
        while (tok() != T_RParen && tok() != T_Eof) {
            push_onto(k_value_stack, [] { expression_value(); });
            if (!accept(T_Comma)) break;
        }
        expect(T_RParen);
    }
    expect(T_Semicolon);
    line_marker(last_line());
    fn().gosub_returns = emit_jump(Op::Jmp, fn().gosub_returns);
}

// pop name ;   the value pushed last by gosub or return
void pop_statement() {
    if (tok() != T_Identifier) {
        expect(T_Identifier);
        return;
    }
    const Expr target = variable(cur().text);
    advance();
    gen(Op::Psh, 0);
    stack_call("gauss::__gtop__", k_value_stack, false);
    store_top(target);
    gen(Op::Pop, 0);
    drop_from(k_value_stack);
    expect(T_Semicolon);
    statement_end_marker();
}

// retp [ "(" value { "," value } ")" ] ;
void retp_statement() {
    if (fn().name == "main") report(D_OutOfPlace, "retp");
    if (!accept(T_LParen) || accept(T_RParen)) {
        expect(T_Semicolon);
        line_marker(last_line());
        gen(Op::Ret, -1);
        return;
    }
    gen(Op::Psh, 0);
    expression_value();
    if (tok() == T_Comma) {
        // Several values travel as one array: [x] -> { x, y, ... }
        gen(Op::Psh, 0);
        gen(Op::Lti, 0);
        gen(Op::Ntp, KJ_TYPE_ARRAY);
        gen(Op::Exc);
        gen(Op::Opr, T_RBrace);
        gen(Op::Opr, T_Bar);
        while (accept(T_Comma)) {
            gen(Op::Psh, 0);
            expression_value();
            gen(Op::Opr, T_RBrace);
            gen(Op::Opr, T_Bar);
        }
    }
    expect(T_RParen);
    expect(T_Semicolon);
    line_marker(last_line());
    gen(Op::Ret, 1);
}

// local name [ ":" type ] { "," ... } ;
void local_statement() {
    if (fn().name == "main") report(D_OutOfPlace, "local");
    do {
        if (tok() != T_Identifier) {
            expect(T_Identifier);
            return;
        }
        if (!find_local(cur().text)) declare_local(cur().text, 0);
        advance();
        if (accept(T_Colon) && (tok() == T_Identifier || tok() == T_G_Proc || tok() == T_Matrix || tok() == T_String ||
                                tok() == T_G_Keyword || tok() == T_G_Fn))
            advance();
    } while (accept(T_Comma));
    expect(T_Semicolon);
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
void let_statement() {
    if (tok() == T_Matrix || tok() == T_String) advance();
    if (tok() != T_Identifier) {
        expect(T_Identifier);
        return;
    }
    const Expr target = variable(cur().text);
    int r = 0, c = 0;
    advance();
    if (accept(T_LBracket)) {
        r = static_cast<int>(std::strtol(cur().text.c_str(), nullptr, 10));
        expect(T_IntLit);
        expect(T_Comma);
        c = static_cast<int>(std::strtol(cur().text.c_str(), nullptr, 10));
        if (tok() != T_IntLit) {
            expect(T_IntLit);
        } else {
            // The elements are read with blanks as separators from here on.
            set_space_token(true);
            advance();
            set_space_token(false);
        }
        if (tok() == T_Space) advance();
        if (tok() != T_RBracket) expect(T_RBracket);
    }
    set_space_token(true);
    if (tok() == T_Assign || tok() == T_RBracket) advance();
    while (tok() == T_Space) advance();
    if (tok() == T_Assign) advance();
    while (tok() == T_Space) advance();
    // Text elements make an array of r * c elements.
    const int64_t shape = r > 0 && c > 0 ? static_cast<int64_t>(r) * c : 0;
    value::Value v{};
    if (tok() == T_LBrace) {
        advance();
        v = gauss_constant_elements(T_RBrace, false, true, shape);
        while (tok() != T_RBrace && !at_end_of_statement()) advance();
        if (tok() == T_RBrace) advance();
        while (tok() == T_Space) advance();
    } else {
        v = gauss_constant_elements(T_Semicolon, true, true, shape);
    }
    set_space_token(false);
    if (r > 0) v = reshaped(v, r, c);
    const int k = link::add_literal(v);
    if (k < 0) {
        value::release(v);
        report(D_ConstantBufferFull);
    }
    gen(Op::Psh, 0);
    gen(Op::Lit, k);
    store_top(target);
    gen(Op::Pop, 0);
    expect(T_Semicolon);
    statement_end_marker();
}

// gauss::format(options, width, -1) as a statement.
void format_call(const std::string& options, int width) {
    gen(Op::Psh, 0);
    gen(Op::Lod, gauss_function_symbol("gauss::format"));
    gen(Op::Psh, 0);
    gen(Op::Lit, link::add_string_literal(options));
    gen(Op::Psh, width);
    gen(Op::Psh, -1);
    gen(Op::Cal, 3);
    gen(Op::Pop, 0);
}

// print / "?" items: blank-separated expressions, "$" before an item prints
// packed characters, options "/xx" first set the format; ";;" keeps the line.
void print_statement() {
    set_space_token(true);
    advance();
    while (tok() == T_Space) advance();
    std::string options;
    while (tok() == T_Slash) {
        advance();
        options += "/" + cur().text;
        advance();
        while (tok() == T_Space) advance();
    }
    if (!options.empty()) format_call(options, k_format_push);
    gen(Op::Psh, 0);
    const int callee = gen(Op::Lod, gauss_function_symbol("gauss::println"));
    int n = 0;
    while (!at_end_of_statement()) {
        const int before = tokens_consumed();
        gen(Op::Psh, 0);
        if (accept(T_G_Dollar)) {
            gen(Op::Lod, gauss_function_symbol("gauss::__opcharstr__"));
            gen(Op::Psh, 0);
            expression_value();
            gen(Op::Cal, 1);
        } else {
            expression_value();
        }
        ++n;
        while (tok() == T_Space) advance();
        if (tokens_consumed() == before) {
            report(D_OutOfPlace, token_name(tok()));
            advance();
        }
    }
    set_space_token(false);
    if (n == 0) {
        gen(Op::Psh, 0);
        gen(Op::Lit, link::add_string_literal(""));
        n = 1;
    }
    gen(Op::Cal, n);
    if (tok() == T_G_SemiSemi) instr(callee).operand = gauss_function_symbol("gauss::print");
    gen(Op::Pop, 0);
    // The statement's own format options end with it.
    if (!options.empty()) format_call("", k_format_pop);
    end_statement();
}

// expression ; : an assignment, or a value that is printed.
void expression_statement_gauss() {
    gen(Op::Psh, 0);
    Expr e;
    conditional_expression(e);
    if (tok() == T_Assign) {
        advance();
        const bool ok = store_begin(e, false);
        Expr r;
        assignment_expression(r);
        load(r);
        if (ok) store_end(e);
    } else {
        load(e);
        gen(Op::Psh, 0);
        gen(Op::Lod, gauss_function_symbol(tok() == T_G_SemiSemi ? "gauss::print" : "gauss::println"));
        gen(Op::Exc);
        gen(Op::Cal, 1);
    }
    gen(Op::Pop, 0);
    end_statement();
}

// call expression ;
void call_statement() {
    gen(Op::Psh, 0);
    comma_value();
    gen(Op::Pop, 0);
    end_statement();
}

// "{" targets "}" "=" expression ;
void braced_assignment() {
    gen(Op::Psh, 0);
    multiple_targets(false, T_RBrace);
    gen(Op::Pop, 0);
    end_statement();
}

// A keyword procedure: the rest of the statement is its one string argument.
void keyword_call(const std::string& name) {
    std::string text = read_raw_until(";");
    const std::size_t a = text.find_first_not_of(" \t\r\n");
    text = a == std::string::npos ? "" : text.substr(a, text.find_last_not_of(" \t\r\n") - a + 1);
    gen(Op::Psh, 0);
    gen(Op::Lod, gauss_function_symbol(gauss_name(name)));
    gen(Op::Psh, 0);
    gen(Op::Lit, link::add_string_literal(text));
    gen(Op::Cal, 1);
    gen(Op::Pop, 0);
    advance();
    end_statement();
}

// end; stop; system;  the program ends.
void end_program() {
    advance();
    if (fn().name == "main") {
        line_marker(last_line());
        gen(Op::Ret, -1);
    } else {
        gen(Op::Psh, 0);
        gen(Op::Lod, declare_library_function("exit"));
        gen(Op::Psh, 0);
        gen(Op::Cal, 1);
        gen(Op::Pop, 0);
    }
    end_statement();
}

}  // namespace

// The return dispatch of a function that used return: back to the gosub
// whose number is on top of the return stack, or out of the function.
void finish_gosubs() {
    FunctionState& f = fn();
    if (f.gosub_returns == 0) return;
    patch_here(f.gosub_returns);
    for (std::size_t i = 0; i < f.gosub_sites.size(); ++i) {
        gen(Op::Psh, 0);
        stack_call("gauss::__gtop__", k_return_stack, false);
        gen(Op::Psh, static_cast<int>(i) + 1);
        gen(Op::Opr, T_Eq);
        const int next = emit_jump(Op::Jmf);
        gen(Op::Pop, 0);
        drop_from(k_return_stack);
        emit_plain(Op::Jmp, f.gosub_sites[i]);
        patch_here(next);
        gen(Op::Pop, 0);
    }
    emit_plain(Op::Ret, -1);
    f.gosub_returns = 0;
}

void gauss_statement() {
    const NestingGuard level;
    if (!level.ok()) return;
    switch (tok()) {
        case T_Semicolon:
        case T_G_SemiSemi: advance(); return;
        case T_If: advance(); return if_statement();
        case T_Do: advance(); return do_statement();
        case T_For: advance(); return for_statement_gauss();
        case T_Break: advance(); return break_statement();
        case T_Continue: advance(); return continue_statement();
        case T_Goto: advance(); return goto_statement();
        case T_G_Gosub: advance(); return gosub_statement();
        case T_Return: advance(); return return_statement_gauss();
        case T_G_Pop: advance(); return pop_statement();
        case T_G_Retp: advance(); return retp_statement();
        case T_G_Local: advance(); return local_statement();
        case T_G_Let: advance(); return let_statement();
        case T_G_Call: advance(); return call_statement();
        case T_LBrace: advance(); return braced_assignment();
        case T_Question: return print_statement();
        case T_Pragma: advance(); return pragma_directive();
        case T_New:
            advance();
            gen(Op::Psh, 0);
            gen(Op::Lod, gauss_function_symbol("gauss::__new__"));
            gen(Op::Cal, 0);
            gen(Op::Pop, 0);
            return end_statement();
        case T_String:
        case T_Matrix:
            // "string s = ...;" and "matrix x = ...;": the type word only documents.
            if (peek() != T_Identifier) return expression_statement_gauss();
            advance();
            return expression_statement_gauss();
        case T_G_Dataloop:
            // Data-set loops are not part of this version: one message, the loop skipped.
            report(D_OutOfPlace, "dataloop (data-set loops are not available)");
            while (tok() != T_G_Endata && tok() != T_Eof) advance();
            advance();
            accept(T_Semicolon);
            return;
        case T_G_Declare: case T_G_External: case T_G_Proc: case T_G_Keyword: case T_G_Fn: case T_G_Endp:
        case T_G_Endif: case T_G_Endo: case T_G_Endfor: case T_G_Elseif: case T_Else: case T_G_Until:
        case T_G_Endata:
            report(D_OutOfPlace, token_name(tok()));
            advance();
            return;
        case T_Identifier: {
            const std::string name = cur().text;
            if (name == "print") return print_statement();
            if (is_gauss_keyword(name)) {
                const int c = peek_char_after_blanks();
                if (c != '(' && c != '=') return keyword_call(name);
            }
            if (gauss_command(name)) return;
            if ((name == "end" || name == "stop" || name == "system") && peek() == T_Semicolon) return end_program();
            if (peek() == T_Colon) {
                advance();
                advance();
                define_label(name);
                return;
            }
            return expression_statement_gauss();
        }
        default: return expression_statement_gauss();
    }
}

}  // namespace kj::compiler
