// The top level of a GAUSS unit: declarations, procedures and the implicit
// main. Top-level statements go into the function "main", created at the
// first of them; a procedure defined between them is jumped over, so that
// main runs the statements in source order. At the end of the unit every
// gauss:: function that is called but defined nowhere becomes a pending
// GAUSS import of its own name (f is searched as f.src, f.kjgauss, f.g).
#include <string>
#include <vector>

#include "compiler/compile_observer.h"
#include "compiler/compiler.h"
#include "compiler/frame_depth.h"
#include "compiler/gauss.h"
#include "compiler/parser.h"
#include "compiler/scanner.h"
#include "compiler/token_names.h"
#include "link/function_table.h"
#include "link/imports.h"
#include "link/literals.h"
#include "link/resolver.h"
#include "link/symbols.h"
#include "runtime/messages.h"
#include "value/value.h"

namespace kj::compiler {

void finish_gosubs();  // gauss_statements.cpp

namespace {

struct MainState {
    bool active = false;
    int file_literal = 0;
};
MainState g_main;
bool g_support_compiled = false;

// Locals, labels and gosubs of a finished function body.
void finish_function() {
    FunctionState& f = fn();
    // A procedure that ends without retp returns nothing (main returns 0).
    emit_plain(Op::Ret, f.name == "main" ? 0 : -1);
    finish_gosubs();
    if (f.int_at >= 0) instr(f.int_at).operand = f.max_slots;
    reserve_frame_depth(f.int_at, f.int_at + 1);
    check_labels();
    unit().loops.clear();
}

// Starts a function body: ELF, the symbol, INT for the locals.
void begin_function(int k, const std::string& full, const std::vector<std::string>& params, const char* descriptor) {
    unit().file_literal = source_file_literal();
    const int entry = emit_plain(Op::Elf, unit().file_literal);
    mark_label();
    value::FuncInfo* info = link::new_function_info(descriptor, unit().file_literal, true);
    for (std::size_t i = 0; i < params.size(); ++i)
        link::set_parameter(*info, static_cast<int>(i), params[i], value::make_null());
    value::Value v = link::make_function(entry, info, false);
    v.u.fn.nparam = static_cast<int>(params.size());
    v.type |= KJ_FLAG_GLOBAL;
    k = define_function_symbol(k, full, v);
    FunctionState& f = fn();
    f = FunctionState{};
    f.active = true;
    f.symbol = k;
    f.name = full;
    f.args = static_cast<int>(params.size());
    for (std::size_t i = 0; i < params.size(); ++i) f.locals.push_back({params[i], static_cast<int>(i), true, 0u, 0, 0});
    f.int_at = emit_plain(Op::Int, 0);
}

// A function symbol that a definition may take: none yet, or a declaration.
int definable_symbol(const std::string& full) {
    const int k = link::find_symbol(full);
    if (k < 0) return -1;
    value::Value& old = link::symbol_at(k).val;
    const uint32_t t = value::type_of(old);
    if ((t == value::T_Func || t == value::T_Int) && value::has_flag(old, value::k_extern)) {
        take_gauss_implicit_function(k);
        return k;
    }
    if (t == value::T_Func && take_gauss_implicit_function(k)) return k;
    // The program's procedure replaces the support library's.
    if (t == value::T_Func && is_gauss_support_function(k) && !is_gauss_procedure(k)) return k;
    report(D_Duplicate, full);
    return -1;
}

void ensure_main() {
    if (g_main.active) {
        const int lit = source_file_literal();
        if (lit != g_main.file_literal) {
            emit_plain(Op::Elf, lit);
            g_main.file_literal = lit;
        }
        return;
    }
    std::string name = "main";
    int k = link::find_symbol(name);
    if (k >= 0 && !value::has_flag(link::symbol_at(k).val, value::k_extern)) {
        // A second unit with top-level statements (an imported source): they
        // are compiled, but into a function nothing calls.
        report(D_OutOfPlace, tok() == T_Identifier ? cur().text : token_name(tok()));
        static int unused = 0;
        name = "$toplevel" + std::to_string(++unused);
        k = -1;
    }
    begin_function(k, name, {}, ("$" + name).c_str());
    g_main.active = true;
    g_main.file_literal = unit().file_literal;
}

void finish_main() {
    if (!g_main.active) return;
    finish_function();
    fn() = FunctionState{};
    g_main.active = false;
}

// proc [ "(" n ")" "=" | n "=" ] name [ "(" [&]arg, ... ")" ] ";" ... endp ";"
// keyword name "(" arg ")" ";" ... endp ";"      fn name "(" args ")" "=" expr ";"
void procedure(int kind) {
    if (kind == T_G_Proc) {
        if (accept(T_LParen)) {
            accept(T_IntLit);
            expect(T_RParen);
            expect(T_Assign);
        } else if (tok() == T_IntLit && peek() == T_Assign) {
            advance();
            advance();
        }
    }
    const std::string name = cur().text;
    if (tok() == T_Identifier) observe_declaration(gauss_name(name), DeclKind::Function, cur().line);
    if (!expect(T_Identifier)) return;
    std::vector<std::string> params;
    if (accept(T_LParen)) {
        while (tok() != T_RParen && tok() != T_Eof) {
            accept(T_Amp);
            if (tok() != T_Identifier) {
                expect(T_Identifier);
                break;
            }
            for (const std::string& p : params)
                if (p == cur().text) report(D_FormalRedefined, p);
            params.push_back(cur().text);
            advance();
            if (!accept(T_Comma)) break;
        }
        expect(T_RParen);
    }
    if (kind == T_G_Fn) expect(T_Assign);
    else expect(T_Semicolon);
    if (kind == T_G_Keyword) add_gauss_keyword(name);
    const std::string full = gauss_name(name);
    std::string descriptor(params.size(), ' ');
    descriptor += "$" + full;

    // Inside main the procedure is jumped over; main's state waits meanwhile.
    const bool in_main = g_main.active;
    int over = 0;
    FunctionState saved;
    std::vector<LoopEntry> saved_loops;
    if (in_main) {
        over = emit_jump(Op::Jmp);
        saved = std::move(fn());
        saved_loops = std::move(unit().loops);
        unit().loops.clear();
    }
    begin_function(definable_symbol(full), full, params, descriptor.c_str());
    if (fn().symbol >= 0) add_gauss_procedure(fn().symbol);
    if (kind == T_G_Fn) {
        gen(Op::Psh, 0);
        expression_value();
        line_marker(last_line());
        gen(Op::Ret, 1);
        expect(T_Semicolon);
    } else {
        while (tok() != T_G_Endp && tok() != T_Eof) {
            if (tok() == T_G_Proc || tok() == T_G_Keyword || tok() == T_G_Fn) {
                report(D_OutOfPlace, token_name(tok()));
                advance();
                continue;
            }
            const int before = tokens_consumed();
            gauss_statement();
            if (tokens_consumed() == before && tok() != T_Eof) advance();
        }
        if (tok() == T_Eof) report(D_UnexpectedEof);
        else advance();
        accept(T_Semicolon);
    }
    finish_function();
    fn() = FunctionState{};
    if (in_main) {
        fn() = std::move(saved);
        unit().loops = std::move(saved_loops);
        unit().file_literal = g_main.file_literal;
        patch_here(over);
    }
}

// One constant of a declaration: a number, a string or a brace constant.
value::Value declared_value() {
    if (tok() == T_LBrace) {
        const bool spaces = space_token_on();
        set_space_token(true);
        advance();
        value::Value v = gauss_constant_elements(T_RBrace, false, false);
        set_space_token(spaces);
        if (tok() != T_RBrace) {
            value::release(v);  // before the report, which may end the compilation
            expect(T_RBrace);
            return value::make_int(0);
        }
        advance();
        return v;
    }
    if (tok() == T_StringLit) {
        value::Value v{};
        value::set_string(v, cur().text);
        advance();
        return v;
    }
    return constant_value();
}

bool type_word() {
    if (tok() == T_Matrix || tok() == T_String) {
        advance();
        return true;
    }
    if (tok() == T_Identifier && (cur().text == "array" || cur().text == "sparse")) {
        advance();
        return true;
    }
    return false;
}

void set_global(const std::string& full, value::Value v, bool replace) {
    v.type |= KJ_FLAG_GLOBAL;
    const int k = link::find_symbol(full);
    if (k < 0) {
        if (link::add_symbol(full, v) < 0) report(D_SymbolTableFull);
        return;
    }
    value::Value& old = link::symbol_at(k).val;
    const bool declared_only = value::has_flag(old, value::k_extern) || take_gauss_implicit_function(k);
    if (replace || declared_only) {
        value::release(old);
        old = v;
        return;
    }
    value::release(v);
}

// declare [external] [type] name [ ("=" | "!=" | "?=" | ":=") constant ] { "," ... } ";"
void declare_statement() {
    const bool external = accept(T_G_External);
    type_word();
    do {
        if (tok() != T_Identifier) {
            expect(T_Identifier);
            break;
        }
        const std::string full = gauss_name(cur().text);
        observe_declaration(full, DeclKind::Variable, cur().line);
        advance();
        bool replace = false;
        if (tok() == T_Ne) {
            replace = true;
            advance();
        } else if (tok() == T_Question || tok() == T_Colon) {
            advance();
            expect(T_Assign);
        } else if (tok() == T_Assign) {
            advance();
        } else {
            set_global(full, value::make_int(0), false);
            continue;
        }
        if (external) report(D_InitExternal, full);
        set_global(full, declared_value(), replace);
    } while (accept(T_Comma));
    expect(T_Semicolon);
}

// external (matrix | string | array | proc | fn | keyword) name, ... ";"
void external_statement() {
    int kind = 0;
    if (tok() == T_G_Proc || tok() == T_G_Fn || tok() == T_G_Keyword) {
        kind = tok();
        advance();
    } else {
        type_word();
    }
    do {
        if (tok() != T_Identifier) {
            expect(T_Identifier);
            break;
        }
        const std::string name = cur().text;
        advance();
        if (kind == T_G_Keyword) add_gauss_keyword(name);
        if (kind != 0) gauss_function_symbol(gauss_name(name));
        else if (link::find_symbol(gauss_name(name)) < 0) set_global(gauss_name(name), value::make_int(0), false);
    } while (accept(T_Comma));
    expect(T_Semicolon);
}

void automatic_imports() {
    // Only functions the code refers to: an unused declaration needs no source.
    std::vector<bool> used(static_cast<std::size_t>(link::symbols().count), false);
    for (int i = 0; i < code_here(); ++i) {
        const link::Instr& in = instr(i);
        if (in.op == static_cast<int32_t>(Op::Lod) && in.operand >= 0 && in.operand < link::symbols().count)
            used[static_cast<std::size_t>(in.operand)] = true;
    }
    for (int k = 0; k < link::symbols().count; ++k) {
        if (!used[static_cast<std::size_t>(k)]) continue;
        const value::NamedValue& s = link::symbol_at(k);
        if (!s.name || value::type_of(s.val) != value::T_Func || !value::has_flag(s.val, value::k_extern)) continue;
        const std::string name(s.name);
        if (name.rfind("gauss::", 0) != 0 || link::find_function(name) || is_gauss_catalog_name(name)) continue;
        link::register_import(name.substr(7), false, true);
    }
}

}  // namespace

void compile_gauss_declarations() {
    advance();
    while (tok() != T_Eof) {
        const int before = tokens_consumed();
        switch (tok()) {
            case T_Semicolon:
            case T_G_SemiSemi: advance(); break;
            case T_G_Declare: advance(); declare_statement(); break;
            case T_G_External: advance(); external_statement(); break;
            case T_G_Proc:
            case T_G_Keyword:
            case T_G_Fn: {
                const int kind = tok();
                advance();
                procedure(kind);
                break;
            }
            case T_Pragma: advance(); pragma_directive(); break;
            case T_Import: import_directive(cur().text); advance(); break;
            case T_G_Endp:
            case T_G_Endif:
            case T_G_Endo:
            case T_G_Endfor:
            case T_G_Elseif:
            case T_Else:
                report(D_OutOfPlace, token_name(tok()));
                advance();
                break;
            default:
                ensure_main();
                gauss_statement();
                break;
        }
        if (tokens_consumed() == before && tok() != T_Eof) advance();
    }
    finish_main();
    automatic_imports();
}

bool compile_gauss_support(bool resolve) {
    if (g_support_compiled) return true;
    g_support_compiled = true;
    // The output functions the compiler calls, and the hidden temporary.
    for (const char* f : {"gauss::print", "gauss::println", "gauss::format", "gauss::hsec"})
        if (link::find_symbol(f) < 0) declare_library_function(f);
    if (link::find_symbol("$t1") < 0) {
        value::Value t = value::make_int(0);
        t.type |= KJ_FLAG_GLOBAL;
        link::add_symbol("$t1", t);
    }
    // Keyword procedures of the support source (written in Kj, so they cannot say so).
    for (const char* k : {"screen"}) add_gauss_keyword(k);
    const int errors = compile_source_file("kjgauss.kj", false);
    if (errors != 0) return false;
    return !resolve || link::resolve_imports();
}

void reset_gauss_names();  // gauss_expressions.cpp

void reset_gauss_state() {
    g_support_compiled = false;
    g_main = MainState{};
    reset_gauss_names();
}

}  // namespace kj::compiler
