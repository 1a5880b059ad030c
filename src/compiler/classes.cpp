// Classes: declarations built into class records (base members first,
// member functions sorted by name), member lookup through the base chain,
// member-function definitions outside the class, new and delete.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "compiler/compile_observer.h"
#include "compiler/parser.h"
#include "compiler/token_names.h"
#include "link/literals.h"
#include "link/symbols.h"
#include "value/value.h"
#include "link/class_members.h"

namespace kj::compiler {

namespace {

constexpr uint32_t k_member = value::k_bound;  // attribute bit of every member record

value::NamedValue* own_function(int cls, const std::string& name) {
    const value::Value* rec = link::class_record(cls);
    if (!rec) return nullptr;
    value::NamedValue* f = link::member_functions(*rec);
    for (int i = 0; i < link::member_function_count(*rec); ++i)
        if (name == f[i].name) return &f[i];
    return nullptr;
}

// Skips a brace-enclosed body (a member function defined inside its class).
void skip_body(Parser& p) {
    int depth = 0;
    do {
        if (tok(p) == T_LBrace) ++depth;
        if (tok(p) == T_RBrace) --depth;
        if (tok(p) == T_Eof) return;
        advance(p);
    } while (depth > 0);
}

struct MemberFunction {
    std::string name;
    value::Value fn;
};

// Parameters of a member function declaration: count, varargs, const flags.
struct Declared {
    int count = 0;
    bool varargs = false;
    std::string qualifiers;
    std::vector<std::string> names;
};

// "(" [ [const] [decl] name { "," ... } ] [ "..." ] ")"
Declared member_parameters(Parser& p) {
    Declared d;
    expect(p, T_LParen);
    while (tok(p) != T_RParen && tok(p) != T_Eof) {
        if (accept(p, T_Ellipsis)) {
            d.varargs = true;
            if (tok(p) == T_Identifier) advance(p);
            break;
        }
        d.qualifiers += accept(p, T_Const) ? 'c' : ' ';
        accept(p, T_Decl);
        d.names.push_back(cur(p).text);
        expect(p, T_Identifier);
        if (accept(p, T_Assign)) {
            report(p, D_DefaultsHere);
            ConstValue c;
            constant_expression(p, c);
        }
        ++d.count;
        if (!accept(p, T_Comma)) break;
    }
    expect(p, T_RParen);
    return d;
}

// Two class records agree: data member names and flags, function names and counts, base.
bool same_class(const value::Value& a, const value::Value& b) {
    if (a.u.obj.n != b.u.obj.n || a.u.obj.pad != b.u.obj.pad || a.u.obj.base != b.u.obj.base) return false;
    for (int i = 0; i < a.u.obj.n + a.u.obj.pad; ++i) {
        const value::NamedValue &x = a.u.obj.members[i], &y = b.u.obj.members[i];
        if (std::strcmp(x.name, y.name) != 0) return false;
        if (i < a.u.obj.n && (x.val.type & ~value::k_owns) != (y.val.type & ~value::k_owns)) return false;
        if (i >= a.u.obj.n && x.val.u.fn.nparam != y.val.u.fn.nparam) return false;
    }
    return true;
}

}  // namespace

bool is_class_symbol(int sym) { return sym >= 0 && link::class_record(sym) != nullptr; }

int find_data_member(int cls, const std::string& name, uint32_t* flags, int* owner) {
    const value::Value* rec = link::class_record(cls);
    if (!rec) return -1;
    const int i = link::find_data_member(*rec, name);
    if (i < 0) return -1;
    if (flags) *flags = rec->u.obj.members[i].val.type & (value::k_static | value::k_const | k_serial);
    if (owner) *owner = cls;
    return i;
}

bool find_member_function(int cls, const std::string& name, bool* is_static, int* owner) {
    int k = -1;
    const value::NamedValue* f = link::find_member_function(cls, name, &k);
    if (!f) return false;
    if (is_static) *is_static = value::has_flag(f->val, value::k_static);
    if (owner) *owner = k;
    return true;
}

namespace {
// A member function as its class declares it, like a function declaration,
// so that a definition checks against it: the hidden parameters count as const.
value::Value member_declaration(const value::NamedValue& f, const std::string& full) {
    const value::FuncInfo* declared = f.val.u.fn.info;
    std::string descriptor = declared && declared->descriptor ? declared->descriptor : "  $" + full;
    descriptor.replace(0, std::min<std::size_t>(2, descriptor.find('$')), "cc");
    value::FuncInfo* info = link::new_function_info(descriptor, 0, true);
    const int count = link::declared_parameters(*info);
    for (int i = 0; i < count && declared && declared->params; ++i)
        link::set_parameter(*info, i, declared->params[i].name ? declared->params[i].name : "", value::make_null());
    value::Value v = link::make_function(0, info, value::has_flag(f.val, value::k_varargs));
    v.type |= value::k_extern | KJ_FLAG_GLOBAL;
    return v;
}
}  // namespace

int member_function_symbol(Parser& p, int owner, const std::string& member) {
    const std::string full = std::string(link::symbol_at(owner).name) + "::" + member;
    const int existing = link::find_symbol(full);
    if (existing >= 0) return existing;
    const value::NamedValue* f = own_function(owner, member);
    if (!f || value::type_of(f->val) != value::T_Func) return -1;
    const int k = link::add_symbol(full, member_declaration(*f, full));
    if (k < 0) report(p, D_SymbolTableFull);
    return k;
}

void redeclare_member_function(int k, int owner, const std::string& member) {
    const value::NamedValue* f = own_function(owner, member);
    if (!f || value::type_of(f->val) != value::T_Func) return;
    value::release(link::symbol_at(k).val);
    link::symbol_at(k).val = member_declaration(*f, link::symbol_at(k).name);
}

MemberContext member_context(Parser& p, const std::string& name, uint32_t qualifiers) {
    MemberContext m;
    m.is_static = (qualifiers & value::k_static) != 0;
    const auto colons = name.rfind("::");
    if (colons == std::string::npos) return m;
    const int k = link::find_symbol(name.substr(0, colons));
    if (!is_class_symbol(k)) return m;
    m.cls = k;
    m.member = name.substr(colons + 2);
    const std::string short_name(link::short_class_name(k));
    m.is_ctor = m.member == short_name;
    m.is_dtor = m.member == "~" + short_name;
    const value::NamedValue* f = own_function(k, m.member);
    if (!f) report(p, D_FunctionMemberNotFound, name);
    else m.is_static = value::has_flag(f->val, value::k_static);
    return m;
}

void member_declared(const MemberContext&, const std::string&) {}

void member_defined(Parser& p, const MemberContext& m, const std::string& name, int sym) {
    if (m.cls < 0 || sym < 0) return;
    value::NamedValue* f = own_function(m.cls, m.member);
    if (!f) return;
    if (!value::has_flag(f->val, value::k_extern) && !p.session.redefinition) report(p, D_MemberDefined, name);
    const uint32_t keep = f->val.type & value::k_static;
    f->val = link::symbol_at(sym).val;
    f->val.type = (f->val.type & ~(value::k_owns | value::k_extern)) | keep;
}

// class Name [ ":" [public] Base ] "{" members "}"
void class_declaration(Parser& p, bool) {
    if (tok(p) != T_Identifier) {
        report(p, D_ClassNameExpected, token_name(tok(p)));
        return;
    }
    const std::string name = p.unit.ns.empty() ? cur(p).text : p.unit.ns + "::" + cur(p).text;
    const std::string short_name = cur(p).text;
    observe_declaration(name, DeclKind::Class, cur(p).line);
    advance(p);
    int base = -1;
    if (accept(p, T_Colon)) {
        accept(p, T_Public);
        std::string base_name = cur(p).text;
        expect(p, T_Identifier);
        while (accept(p, T_ColonColon)) {
            base_name += "::" + cur(p).text;
            expect(p, T_Identifier);
        }
        base = find_global(p, base_name);
        if (!is_class_symbol(base)) {
            report(p, D_ClassExpected, base_name);
            base = -1;
        }
    }
    if (!expect(p, T_LBrace)) return;
    link::ClassBuilder builder(base);
    if (base >= 0) builder.inherit_base_members();
    std::vector<std::string> names;
    std::vector<MemberFunction> functions;
    const auto duplicate = [&](const std::string& n) {
        for (const std::string& m : names)
            if (m == n) return report(p, D_Duplicate, n), true;
        names.push_back(n);
        return false;
    };
    bool is_static = false, is_virtual = false, is_const = false, is_serial = false;
    while (tok(p) != T_RBrace) {
        switch (tok(p)) {
            case T_Eof: report(p, D_UnexpectedEof); return;
            case T_Public:
            case T_Protected:
                advance(p);
                expect(p, T_Colon);
                continue;
            case T_Static:
                if (is_virtual) report(p, D_TypeUnexpected, "static");
                is_static = true;
                advance(p);
                continue;
            case T_Virtual:
                if (is_static) report(p, D_TypeUnexpected, "virtual");
                is_virtual = true;
                advance(p);
                continue;
            case T_Const: is_const = true; advance(p); continue;
            case T_Serial: is_serial = true; advance(p); continue;
            case T_Enum: advance(p); enum_declaration(p, name + "::"); break;
            case T_Decl:
                advance(p);
                do {
                    const std::string member = cur(p).text;
                    if (tok(p) == T_Identifier) observe_declaration(name + "::" + member, DeclKind::DataMember, cur(p).line);
                    if (!expect(p, T_Identifier)) break;
                    value::Value initial = value::make_null();
                    if (accept(p, T_Assign)) {
                        if (!is_static) report(p, D_OnlyStaticInit, member);
                        ConstValue c;
                        constant_expression(p, c);
                        initial = c.is_int ? value::make_int(c.i) : value::make_double(c.d);
                    }
                    if (duplicate(member)) continue;
                    uint32_t attributes = k_member;
                    if (is_static) attributes |= value::k_static;
                    if (is_const) attributes |= value::k_const;
                    if (is_serial) attributes |= k_serial;
                    builder.add_data_member(member, attributes, initial);
                } while (accept(p, T_Comma));
                expect(p, T_Semicolon);
                break;
            case T_Tilde:
            case T_Identifier: {
                std::string member;
                if (accept(p, T_Tilde)) {
                    member.push_back('~');
                    if (cur(p).text != short_name) report(p, D_DtorName, cur(p).text);
                }
                member += cur(p).text;
                observe_declaration(name + "::" + member, DeclKind::MemberFunction, cur(p).line, false);
                advance(p);
                if (tok(p) != T_LParen) {
                    report(p, D_MemberDeclExpected, member);
                    break;
                }
                const bool ctor = member == short_name, dtor = member[0] == '~';
                if ((ctor || dtor) && is_static) report(p, D_CtorStatic, member);
                const Declared d = member_parameters(p);
                if (dtor && d.count > 0) report(p, D_DtorArguments, member);
                if (tok(p) == T_LBrace) {
                    report(p, D_MemberBodyInClass, member);
                    skip_body(p);
                } else {
                    expect(p, T_Semicolon);
                }
                if (duplicate(member)) break;
                value::FuncInfo* info = link::new_function_info("  " + d.qualifiers + "$" + name + "::" + member,
                                                                0, true);
                link::set_parameter(*info, 0, "this", value::make_null());
                link::set_parameter(*info, 1, "$t0", value::make_null());
                for (int i = 0; i < d.count; ++i) link::set_parameter(*info, i + 2, d.names[i], value::make_null());
                value::Value f = link::make_function(0, info, d.varargs);
                f.u.fn.nparam = d.count + 2;
                f.type |= value::k_extern | (is_static ? value::k_static : 0u);
                functions.push_back({member, f});
                break;
            }
            default:
                report(p, D_InvalidMember, token_name(tok(p)));
                advance(p);
                break;
        }
        is_static = is_virtual = is_const = is_serial = false;
    }
    advance(p);
    for (const MemberFunction& f : functions) builder.add_member_function(f.name, f.fn);
    const int existing = link::find_symbol(name);
    if (is_class_symbol(existing)) {
        link::ClassBuilder again = builder;
        value::Value v = again.finish(existing);
        if (same_class(v, *link::class_record(existing))) return;
        if (!p.session.redefinition) {
            report(p, D_ClassRedefined, name);
            return;
        }
        // The old class stays, for the objects made of it, under a name
        // nothing can spell.
        link::rename_symbol(existing, "$" + name + "$" + std::to_string(existing));
    }
    if (link::define_class(name, builder) < 0) report(p, D_SymbolTableFull);
}

// new Name [ "(" args ")" ]: NEW, the constructor as a member call, OPR new.
void new_expression(Parser& p, Expr& e) {
    e = Expr{};
    std::string name = cur(p).text;
    if (!expect(p, T_Identifier)) return;
    while (accept(p, T_ColonColon)) {
        name += "::" + cur(p).text;
        expect(p, T_Identifier);
    }
    const int k = find_global(p, name);
    if (!is_class_symbol(k)) {
        report(p, D_ClassExpected, name);
        if (accept(p, T_LParen)) call_suffix(p, e);
        return;
    }
    gen(p, Op::New, k);
    const std::string ctor(link::short_class_name(k));
    if (own_function(k, ctor)) {
        e.place = Place::MemberName;
        e.name = ctor;
        if (accept(p, T_LParen)) {
            call_suffix(p, e);
        } else {
            gen(p, Op::Psh, 0);
            gen(p, Op::Lit, name_literal(ctor));
            gen(p, Op::Psh, 0);
            gen(p, Op::Cam, 0);
        }
    } else if (accept(p, T_LParen)) {
        if (!accept(p, T_RParen)) {
            report(p, D_WrongArgCount, name);
            comma_value(p);
            expect(p, T_RParen);
        }
    }
    gen(p, Op::Opr, T_New);
    e = Expr{};
    e.cls = k;
}

// delete operand: address, four PSH 0, OPR destruct, CAM 0, OPR delete
void delete_expression(Parser& p, Expr& e) {
    unary_expression(p, e);
    take_reference(p, e);
    for (int i = 0; i < 4; ++i) gen(p, Op::Psh, 0);
    gen(p, Op::Opr, T_Destruct);
    gen(p, Op::Cam, 0);
    gen(p, Op::Opr, T_Delete);
    e = Expr{};
}

}  // namespace kj::compiler
