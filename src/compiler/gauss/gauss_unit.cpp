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
#include "compiler/gauss/gauss.h"
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

void finish_gosubs(Parser& p);  // gauss_statements.cpp

namespace {

// Locals, labels and gosubs of a finished function body.
void finish_function() {
    Parser& p = parser();
    FunctionState& f = p.unit.fn;
    // A procedure that ends without retp returns nothing (main returns 0).
    emit_plain(p, Op::Ret, f.name == "main" ? 0 : -1);
    finish_gosubs(p);
    if (f.int_at >= 0) instr(f.int_at).operand = f.max_slots;
    reserve_frame_depth(p, f.int_at, f.int_at + 1);
    check_labels(p);
    p.unit.loops.clear();
}

// Starts a function body: ELF, the symbol, INT for the locals.
void begin_function(Parser& p, int k, const std::string& full, const std::vector<std::string>& params, const char* descriptor) {
    p.unit.file_literal = source_file_literal();
    const int entry = emit_plain(p, Op::Elf, p.unit.file_literal);
    mark_label(p);
    value::FuncInfo* info = link::new_function_info(descriptor, p.unit.file_literal, true);
    for (std::size_t i = 0; i < params.size(); ++i)
        link::set_parameter(*info, static_cast<int>(i), params[i], value::make_null());
    value::Value v = link::make_function(entry, info, false);
    v.u.fn.nparam = static_cast<int>(params.size());
    v.type |= KJ_FLAG_GLOBAL;
    k = define_function_symbol(p, k, full, v);
    FunctionState& f = p.unit.fn;
    f = FunctionState{};
    f.active = true;
    f.symbol = k;
    f.name = full;
    f.args = static_cast<int>(params.size());
    for (std::size_t i = 0; i < params.size(); ++i) f.locals.push_back({params[i], static_cast<int>(i), true, 0u, 0, 0});
    f.int_at = emit_plain(p, Op::Int, 0);
}

// A function symbol that a definition may take: none yet, or a declaration.
int definable_symbol(Parser& p, const std::string& full) {
    const int k = link::find_symbol(full);
    if (k < 0) return -1;
    value::Value& old = link::symbol_at(k).val;
    const uint32_t t = value::type_of(old);
    if ((t == value::T_Func || t == value::T_Int) && value::has_flag(old, value::k_extern)) {
        take_gauss_implicit_function(p, k);
        return k;
    }
    if (t == value::T_Func && take_gauss_implicit_function(p, k)) return k;
    // The program's procedure replaces the support library's.
    if (t == value::T_Func && is_gauss_support_function(p, k) && !is_gauss_procedure(p, k)) return k;
    report(p, D_Duplicate, full);
    return -1;
}

void ensure_main(Parser& p) {
    if (p.gauss_main.active) {
        const int lit = source_file_literal();
        if (lit != p.gauss_main.file_literal) {
            emit_plain(p, Op::Elf, lit);
            p.gauss_main.file_literal = lit;
        }
        return;
    }
    std::string name = "main";
    int k = link::find_symbol(name);
    if (k >= 0 && !value::has_flag(link::symbol_at(k).val, value::k_extern)) {
        // A second unit with top-level statements (an imported source): they
        // are compiled, but into a function nothing calls.
        report(p, D_OutOfPlace, tok(p) == T_Identifier ? cur(p).text : token_name(tok(p)));
        static int unused = 0;
        name = "$toplevel" + std::to_string(++unused);
        k = -1;
    }
    begin_function(p, k, name, {}, ("$" + name).c_str());
    p.gauss_main.active = true;
    p.gauss_main.file_literal = p.unit.file_literal;
}

void finish_main(Parser& p) {
    if (!p.gauss_main.active) return;
    finish_function();
    p.unit.fn = FunctionState{};
    p.gauss_main.active = false;
}

// proc [ "(" n ")" "=" | n "=" ] name [ "(" [&]arg, ... ")" ] ";" ... endp ";"
// keyword name "(" arg ")" ";" ... endp ";"      fn name "(" args ")" "=" expr ";"
void procedure(Parser& p, int kind) {
    if (kind == T_G_Proc) {
        if (accept(p, T_LParen)) {
            accept(p, T_IntLit);
            expect(p, T_RParen);
            expect(p, T_Assign);
        } else if (tok(p) == T_IntLit && peek() == T_Assign) {
            advance(p);
            advance(p);
        }
    }
    const std::string name = cur(p).text;
    if (tok(p) == T_Identifier) observe_declaration(gauss_name(name), DeclKind::Function, cur(p).line);
    if (!expect(p, T_Identifier)) return;
    std::vector<std::string> params;
    if (accept(p, T_LParen)) {
        while (tok(p) != T_RParen && tok(p) != T_Eof) {
            accept(p, T_Amp);
            if (tok(p) != T_Identifier) {
                expect(p, T_Identifier);
                break;
            }
            for (const std::string& param : params)
                if (param == cur(p).text) report(p, D_FormalRedefined, param);
            params.push_back(cur(p).text);
            advance(p);
            if (!accept(p, T_Comma)) break;
        }
        expect(p, T_RParen);
    }
    if (kind == T_G_Fn) expect(p, T_Assign);
    else expect(p, T_Semicolon);
    if (kind == T_G_Keyword) add_gauss_keyword(p, name);
    const std::string full = gauss_name(name);
    std::string descriptor(params.size(), ' ');
    descriptor += "$" + full;

    // Inside main the procedure is jumped over; main's state waits meanwhile.
    const bool in_main = p.gauss_main.active;
    int over = 0;
    FunctionState saved;
    std::vector<LoopEntry> saved_loops;
    if (in_main) {
        over = emit_jump(p, Op::Jmp);
        saved = std::move(p.unit.fn);
        saved_loops = std::move(p.unit.loops);
        p.unit.loops.clear();
    }
    begin_function(p, definable_symbol(p, full), full, params, descriptor.c_str());
    if (p.unit.fn.symbol >= 0) add_gauss_procedure(p, p.unit.fn.symbol);
    if (kind == T_G_Fn) {
        gen(p, Op::Psh, 0);
        expression_value(p);
        line_marker(p, last_line(p));
        gen(p, Op::Ret, 1);
        expect(p, T_Semicolon);
    } else {
        while (tok(p) != T_G_Endp && tok(p) != T_Eof) {
            if (tok(p) == T_G_Proc || tok(p) == T_G_Keyword || tok(p) == T_G_Fn) {
                report(p, D_OutOfPlace, token_name(tok(p)));
                advance(p);
                continue;
            }
            const int before = tokens_consumed(p);
            gauss_statement(p);
            if (tokens_consumed(p) == before && tok(p) != T_Eof) advance(p);
        }
        if (tok(p) == T_Eof) report(p, D_UnexpectedEof);
        else advance(p);
        accept(p, T_Semicolon);
    }
    finish_function();
    p.unit.fn = FunctionState{};
    if (in_main) {
        p.unit.fn = std::move(saved);
        p.unit.loops = std::move(saved_loops);
        p.unit.file_literal = p.gauss_main.file_literal;
        patch_here(p, over);
    }
}

// One constant of a declaration: a number, a string or a brace constant.
value::Value declared_value(Parser& p) {
    if (tok(p) == T_LBrace) {
        const bool spaces = space_token_on();
        set_space_token(true);
        advance(p);
        value::Value v = gauss_constant_elements(p, T_RBrace, false, false);
        set_space_token(spaces);
        if (tok(p) != T_RBrace) {
            value::release(v);  // before the report, which may end the compilation
            expect(p, T_RBrace);
            return value::make_int(0);
        }
        advance(p);
        return v;
    }
    if (tok(p) == T_StringLit) {
        value::Value v{};
        value::set_string(v, cur(p).text);
        advance(p);
        return v;
    }
    return constant_value(p);
}

bool type_word(Parser& p) {
    if (tok(p) == T_Matrix || tok(p) == T_String) {
        advance(p);
        return true;
    }
    if (tok(p) == T_Identifier && (cur(p).text == "array" || cur(p).text == "sparse")) {
        advance(p);
        return true;
    }
    return false;
}

void set_global(Parser& p, const std::string& full, value::Value v, bool replace) {
    v.type |= KJ_FLAG_GLOBAL;
    const int k = link::find_symbol(full);
    if (k < 0) {
        if (link::add_symbol(full, v) < 0) report(p, D_SymbolTableFull);
        return;
    }
    value::Value& old = link::symbol_at(k).val;
    const bool declared_only = value::has_flag(old, value::k_extern) || take_gauss_implicit_function(p, k);
    if (replace || declared_only) {
        value::release(old);
        old = v;
        return;
    }
    value::release(v);
}

// declare [external] [type] name [ ("=" | "!=" | "?=" | ":=") constant ] { "," ... } ";"
void declare_statement(Parser& p) {
    const bool external = accept(p, T_G_External);
    type_word(p);
    do {
        if (tok(p) != T_Identifier) {
            expect(p, T_Identifier);
            break;
        }
        const std::string full = gauss_name(cur(p).text);
        observe_declaration(full, DeclKind::Variable, cur(p).line);
        advance(p);
        bool replace = false;
        if (tok(p) == T_Ne) {
            replace = true;
            advance(p);
        } else if (tok(p) == T_Question || tok(p) == T_Colon) {
            advance(p);
            expect(p, T_Assign);
        } else if (tok(p) == T_Assign) {
            advance(p);
        } else {
            set_global(p, full, value::make_int(0), false);
            continue;
        }
        if (external) report(p, D_InitExternal, full);
        set_global(p, full, declared_value(p), replace);
    } while (accept(p, T_Comma));
    expect(p, T_Semicolon);
}

// external (matrix | string | array | proc | fn | keyword) name, ... ";"
void external_statement(Parser& p) {
    int kind = 0;
    if (tok(p) == T_G_Proc || tok(p) == T_G_Fn || tok(p) == T_G_Keyword) {
        kind = tok(p);
        advance(p);
    } else {
        type_word(p);
    }
    do {
        if (tok(p) != T_Identifier) {
            expect(p, T_Identifier);
            break;
        }
        const std::string name = cur(p).text;
        advance(p);
        if (kind == T_G_Keyword) add_gauss_keyword(p, name);
        if (kind != 0) gauss_function_symbol(p, gauss_name(name));
        else if (link::find_symbol(gauss_name(name)) < 0) set_global(p, gauss_name(name), value::make_int(0), false);
    } while (accept(p, T_Comma));
    expect(p, T_Semicolon);
}

void automatic_imports(Parser& p) {
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
        if (name.rfind("gauss::", 0) != 0 || link::find_function(name) || is_gauss_catalog_name(p, name)) continue;
        link::register_import(name.substr(7), false, true);
    }
}

}  // namespace

void compile_gauss_declarations(Parser& p) {
    advance(p);
    while (tok(p) != T_Eof) {
        const int before = tokens_consumed(p);
        switch (tok(p)) {
            case T_Semicolon:
            case T_G_SemiSemi: advance(p); break;
            case T_G_Declare: advance(p); declare_statement(p); break;
            case T_G_External: advance(p); external_statement(p); break;
            case T_G_Proc:
            case T_G_Keyword:
            case T_G_Fn: {
                const int kind = tok(p);
                advance(p);
                procedure(p, kind);
                break;
            }
            case T_Pragma: advance(p); pragma_directive(p); break;
            case T_Import: import_directive(cur(p).text); advance(p); break;
            case T_G_Endp:
            case T_G_Endif:
            case T_G_Endo:
            case T_G_Endfor:
            case T_G_Elseif:
            case T_Else:
                report(p, D_OutOfPlace, token_name(tok(p)));
                advance(p);
                break;
            default:
                ensure_main(p);
                gauss_statement(p);
                break;
        }
        if (tokens_consumed(p) == before && tok(p) != T_Eof) advance(p);
    }
    finish_main(p);
    automatic_imports(p);
}

bool compile_gauss_support(bool resolve) {
    Parser& p = parser();
    bool& compiled = p.session.gauss.support_compiled;
    if (compiled) return true;
    compiled = true;
    // The output functions the compiler calls, and the hidden temporary.
    for (const char* f : {"gauss::print", "gauss::println", "gauss::format", "gauss::hsec"})
        if (link::find_symbol(f) < 0) declare_library_function(p, f);
    if (link::find_symbol("$t1") < 0) {
        value::Value t = value::make_int(0);
        t.type |= KJ_FLAG_GLOBAL;
        link::add_symbol("$t1", t);
    }
    // Keyword procedures of the support source (written in Kj, so they cannot say so).
    for (const char* k : {"screen"}) add_gauss_keyword(p, k);
    const int errors = compile_source_file("kjgauss.kj", false);
    if (errors != 0) return false;
    return !resolve || link::resolve_imports();
}

void reset_gauss_state() {
    Parser& p = parser();
    p.session.gauss = GaussNames{};
    p.gauss_main = GaussMain{};
}

}  // namespace kj::compiler
