// The declaration loop of a unit: qualifiers, pragmas, imports, namespaces,
// classes, global variables, enums and functions; and the declarations of
// locals inside function bodies.
#include <cmath>

#include "compiler/compile_observer.h"
#include "compiler/compiler.h"
#include "compiler/parser.h"
#include "compiler/scanner.h"
#include "compiler/token_names.h"
#include "link/imports.h"
#include "link/link_list.h"
#include "link/literals.h"
#include "link/symbols.h"
#include "runtime/include_path.h"
#include "value/owned_value.h"
#include "value/value.h"

namespace kj::compiler {

namespace {

struct Qualifiers {
    bool is_static = false, is_const = false, is_serial = false, is_extern = false, is_inline = false;
    std::string binding;
    bool any() const { return is_static || is_const || is_serial || is_extern || is_inline; }
};

// Imports and link lists named in a source are relative to that source's
// directory while the linker registers them.
class ImportDirectory {
public:
    ImportDirectory() {
        if (!scan_is_open() || !*current_file()) return;
        m_set = true;
        m_previous = link::set_import_unit_directory(runtime::directory_of(current_file()));
    }
    ~ImportDirectory() {
        if (m_set) link::set_import_unit_directory(m_previous);
    }
    ImportDirectory(const ImportDirectory&) = delete;
    ImportDirectory& operator=(const ImportDirectory&) = delete;

private:
    bool m_set = false;
    std::string m_previous;
};

bool same_constant(const value::Value& a, const value::Value& b) {
    const uint32_t ta = value::type_of(a), tb = value::type_of(b);
    if (ta == value::T_Int && tb == value::T_Int) return a.u.ival == b.u.ival;
    if (ta == value::T_Double && tb == value::T_Double) return a.u.dval == b.u.dval;
    return false;
}

// Defines or redeclares the global `name` with value v (taken over).
// Takes v; nothing leaks when a report ends compiling (the error limit).
void define_global(Parser& p, const std::string& name, value::Value owned, const Qualifiers& q) {
    value::OwnedValue held(owned);
    value::Value& v = held.v;
    v.type |= KJ_FLAG_GLOBAL;
    if (q.is_const) v.type |= value::k_const;
    if (q.is_serial) v.type |= k_serial;
    if (q.is_extern) v.type |= value::k_extern;
    const int k = link::find_symbol(name);
    if (k >= 0) {
        value::Value& old = link::symbol_at(k).val;
        if (value::has_flag(old, value::k_const) && q.is_const) {
            if (!same_constant(old, v)) report(p, D_ConstantRedefined, name);
            return;
        }
        if (value::has_flag(old, value::k_extern) && !q.is_extern) {
            value::release(old);
            old = held.take();
            return;
        }
        // Declared again at the prompt: a variable starts from its initial value again.
        const uint32_t t = value::type_of(old);
        if (p.session.redefinition && !q.is_extern && !value::has_flag(old, value::k_const) && t != value::T_Func &&
            t != value::T_Class && t != value::T_Native) {
            value::release(old);
            old = held.take();
            return;
        }
        if (!q.is_extern) report(p, D_Duplicate, name);
        return;
    }
    if (link::add_symbol(name, v) < 0) {
        report(p, D_SymbolTableFull);
        return;
    }
    held.take();
}

// decl name [ "[" r "]" [ "[" c "]" ] ] [ "=" constant ] { "," ... } ";"
void global_declaration(Parser& p, const Qualifiers& q) {
    do {
        if (tok(p) != T_Identifier) {
            expect(p, T_Identifier);
            return;
        }
        const std::string name = p.unit.ns.empty() ? cur(p).text : p.unit.ns + "::" + cur(p).text;
        observe_declaration(name, q.is_const ? DeclKind::Constant : DeclKind::Variable, cur(p).line);
        advance(p);
        int rows = 0, cols = 0;
        if (accept(p, T_LBracket)) {
            rows = dimension_value(p);
            cols = accept(p, T_LBracket) ? dimension_value(p) : 1;
            if (rows < 1 || cols < 1) {
                report(p, D_DimensionTooSmall, name);
                rows = cols = 0;
            }
        }
        value::OwnedValue held;
        value::Value& v = held.v;
        if (accept(p, T_Assign)) {
            if (q.is_extern) report(p, D_InitExternal, name);
            v = constant_value(p);
        }
        if (rows > 0) {
            const uint32_t t = value::type_of(v);
            if (t != value::T_Int && t != value::T_Double) report(p, D_MustBeScalar, name);
            const double fill = t == value::T_Int ? v.u.ival : t == value::T_Double ? v.u.dval : 0;
            value::release(v);
            value::set_matrix_zero(v, rows, cols);
            for (int i = 0; i < rows; ++i)
                for (int j = 0; j < cols; ++j) v.u.mat.m[i][j] = fill;
        }
        define_global(p, name, held.take(), q);
    } while (accept(p, T_Comma));
    expect(p, T_Semicolon);
}

}  // namespace

// enum "{" name [ "=" int ] { "," ... } "}" [";"]
void enum_declaration(Parser& p, const std::string& prefix) {
    expect(p, T_LBrace);
    int32_t next = 0;
    while (tok(p) == T_Identifier) {
        const std::string name = prefix + cur(p).text;
        observe_declaration(name, DeclKind::Constant, cur(p).line);
        advance(p);
        if (accept(p, T_Assign)) {
            ConstValue c;
            constant_expression(p, c);
            if (!c.is_int) report(p, D_MustBeInt, name);
            else next = c.i;
        }
        Qualifiers q;
        q.is_const = true;
        define_global(p, name, value::make_int(next++), q);
        if (!accept(p, T_Comma)) break;
    }
    expect(p, T_RBrace);
    accept(p, T_Semicolon);
}

// pragma identifier "(" argument ")"
void pragma_directive(Parser& p) {
    std::string name = tok(p) == T_Identifier ? cur(p).text : "";
    expect(p, T_Identifier);
    expect(p, T_LParen);
    if (name == "array_base" || name == "_kj_stdlib") {
        ConstValue c;
        constant_expression(p, c);
        if (!c.is_int) report(p, D_MustBeInt, name);
        (name == "array_base" ? p.unit.array_base : p.unit.stdlib) = c.is_int ? c.i : 0;
    } else if (name == "link") {
        const std::string list = cur(p).text;
        expect(p, T_StringLit);
        ImportDirectory dir;
        if (link::link_files(list.c_str(), true) != 0) report(p, D_LinkErrors, list);
    } else if (tok(p) != T_RParen) {
        advance(p);
    }
    expect(p, T_RParen);
}

void import_directive(const std::string& name) {
    const bool gauss = name.rfind("gauss::", 0) == 0;
    const std::string module = gauss ? name.substr(7) : name;
    ImportDirectory dir;
    link::register_import(module, false, gauss);
}

namespace {

void declarations_until(Parser& p, int end);

// namespace identifier "{" declarations "}"
void namespace_declaration(Parser& p) {
    const std::string name = cur(p).text;
    expect(p, T_Identifier);
    expect(p, T_LBrace);
    if (!p.unit.ns.empty()) report(p, D_NestedNamespace, name);
    const std::string outer = p.unit.ns;
    p.unit.ns = name;
    if (tok(p) == T_RBrace) report(p, D_EmptyNamespace, name);
    declarations_until(p, T_RBrace);
    p.unit.ns = outer;
    expect(p, T_RBrace);
}

// One declaration; qualifiers gather until a declaration takes them.
void declarations_until(Parser& p, int end) {
    Qualifiers q;
    while (tok(p) != T_Eof && tok(p) != end) {
        switch (tok(p)) {
            case T_Static:
                if (q.is_extern) report(p, D_TypeUnexpected, "static");
                q.is_static = true;
                advance(p);
                continue;
            case T_Const:
                q.is_const = q.is_static = true;
                advance(p);
                if (tok(p) != T_Decl) report(p, D_Expected, "decl", tok(p));
                continue;
            case T_Serial:
                if (q.is_const) report(p, D_TypeUnexpected, "serial");
                q.is_serial = true;
                advance(p);
                // "extern serial" qualifies a function; otherwise decl must follow.
                if (!q.is_extern && tok(p) != T_Decl) report(p, D_Expected, "decl", tok(p));
                continue;
            case T_Extern:
                q.is_extern = true;
                advance(p);
                if (tok(p) == T_StringLit) {
                    q.binding = cur(p).text;
                    advance(p);
                }
                continue;
            case T_Inline:
                q.is_inline = true;
                advance(p);
                continue;
            case T_Pragma:
                if (q.any()) report(p, D_TypeUnexpected, "pragma");
                advance(p);
                pragma_directive(p);
                break;
            case T_Import: import_directive(cur(p).text); advance(p); break;
            case T_Namespace: advance(p); namespace_declaration(p); break;
            case T_Class:
            case T_Struct: {
                const bool is_struct = tok(p) == T_Struct;
                advance(p);
                class_declaration(p, is_struct);
                accept(p, T_Semicolon);
                break;
            }
            case T_Decl: advance(p); global_declaration(p, q); break;
            case T_Enum: advance(p); enum_declaration(p, p.unit.ns.empty() ? "" : p.unit.ns + "::"); break;
            case T_Identifier: {
                const int line = cur(p).line;
                const std::string file = current_file();
                std::string name = cur(p).text;
                advance(p);
                while (tok(p) == T_ColonColon) {
                    advance(p);
                    name += "::";
                    if (accept(p, T_Tilde)) name += "~";
                    name += cur(p).text;
                    expect(p, T_Identifier);
                }
                if (!p.unit.ns.empty()) name = p.unit.ns + "::" + name;
                uint32_t flags = 0;
                if (q.is_extern) flags |= value::k_extern;
                if (q.is_inline) flags |= KJ_FLAG_INLINE;
                if (q.is_static) flags |= value::k_static;
                if (q.is_serial) flags |= k_serial;
                const bool defined = function_definition(p, name, flags, q.binding);
                observe_declaration(name, DeclKind::Function, line, defined, file.c_str());
                break;
            }
            default:
                report(p, D_OutOfPlace, token_name(tok(p)));
                advance(p);
                break;
        }
        q = Qualifiers{};
    }
}

}  // namespace

void compile_declarations(Parser& p) {
    advance(p);
    declarations_until(p, T_Eof);
}

// decl name [ "=" expr ] { "," ... } ";"   or   decl "[" names "]" "=" expr ";"
void local_declaration(Parser& p, uint32_t flags) {
    if (tok(p) == T_LBracket) {
        advance(p);
        gen(p, Op::Psh, 0);
        multiple_targets(p, true);
        gen(p, Op::Pop, 0);
        expect(p, T_Semicolon);
        statement_end_marker(p);
        return;
    }
    do {
        if (tok(p) != T_Identifier) {
            expect(p, T_Identifier);
            return;
        }
        const std::string name = cur(p).text;
        advance(p);
        const Local* existing = find_local(p, name);
        if (existing && existing->arg) report(p, D_FormalRedefined, name);
        const int slot = declare_local(p, name, flags);
        if (accept(p, T_Assign)) {
            gen(p, Op::Psh, 0);
            expression_value(p);
            gen(p, Op::Sbp, slot);
            gen(p, Op::Pop, 0);
        }
    } while (accept(p, T_Comma));
    expect(p, T_Semicolon);
    statement_end_marker(p);
}

}  // namespace kj::compiler
