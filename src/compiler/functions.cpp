// Function declarations and definitions: parameter lists with const
// qualifiers, defaults and variable arguments, agreement of a definition with
// an earlier declaration, and the frame of a body (ELF, INT, RET).
#include <vector>

#include "compiler/frame_depth.h"
#include "compiler/gauss/gauss.h"
#include "runtime/settings.h"
#include "compiler/parser.h"
#include "compiler/scanner.h"
#include "link/literals.h"
#include "link/symbols.h"
#include "value/value.h"

namespace kj::compiler {

namespace {

struct Param {
    std::string name;
    bool is_const = false;
    value::Value def = value::make_null();
};

// Owns the default values it read; a function's record gets copies, so that
// nothing leaks when the definition fails half-way or only redeclares.
struct ParamList {
    std::vector<Param> params;
    bool varargs = false;
    std::string rest;  // local named after "..."

    ParamList() = default;
    ParamList(ParamList&&) = default;
    ParamList& operator=(ParamList&&) = delete;
    ParamList(const ParamList&) = delete;
    ~ParamList() {
        for (Param& param : params) value::release(param.def);
    }
};

// params -> "(" [ param { "," param } ] [ "," ] [ "..." [identifier] ] ")"
// param  -> [const] [decl] identifier [ "=" constant ]
ParamList parameter_list(Parser& p, bool defaults_allowed) {
    ParamList list;
    expect(p, T_LParen);
    bool need_default = false;
    while (tok(p) != T_RParen && tok(p) != T_Eof) {
        if (accept(p, T_Ellipsis)) {
            list.varargs = true;
            if (tok(p) == T_Identifier) {
                list.rest = cur(p).text;
                advance(p);
            }
            break;
        }
        Param param;
        param.is_const = accept(p, T_Const);
        accept(p, T_Decl);
        if (tok(p) != T_Identifier) {
            expect(p, T_Identifier);
            break;
        }
        param.name = cur(p).text;
        advance(p);
        for (const Param& q : list.params)
            if (q.name == param.name) report(p, D_FormalRedefined, param.name);
        if (accept(p, T_Assign)) {
            if (!defaults_allowed) report(p, D_DefaultsHere, param.name);
            param.def = constant_value(p);
            need_default = true;
        } else if (need_default) {
            report(p, D_DefaultNotAllowed, param.name);
        }
        list.params.push_back(param);
        if (!accept(p, T_Comma)) break;
    }
    expect(p, T_RParen);
    return list;
}

std::string descriptor_of(const ParamList& list, int hidden, const std::string& name, const std::string& binding) {
    std::string d(static_cast<std::size_t>(hidden), 'c');
    for (const Param& param : list.params) d += param.is_const ? 'c' : ' ';
    d += '$';
    d += name;
    if (!binding.empty()) d += "@" + binding;
    return d;
}

value::FuncInfo* info_of(const ParamList& list, int hidden, const std::string& descriptor) {
    value::FuncInfo* info = link::new_function_info(descriptor, source_file_literal(), true);
    if (hidden > 0) link::set_parameter(*info, 0, "this", value::make_null());
    if (hidden > 1) link::set_parameter(*info, 1, "$t0", value::make_null());
    for (std::size_t i = 0; i < list.params.size(); ++i) {
        value::Value def = value::make_null();
        if (!value::is_null(list.params[i].def)) value::duplicate(def, list.params[i].def);
        link::set_parameter(*info, static_cast<int>(i) + hidden, list.params[i].name, def);
    }
    return info;
}

// A definition after a declaration must agree with it: count and varargs
// (code 23), const qualifiers (code 24); defaults are given once (code 59).
void check_against_declaration(Parser& p, const value::Value& old, const ParamList& list, const std::string& descriptor,
                               int hidden, const std::string& name) {
    const int count = static_cast<int>(list.params.size()) + hidden;
    if (old.u.fn.nparam != count || value::has_flag(old, value::k_varargs) != list.varargs) {
        report(p, D_ArgCountRedefined, name);
        return;
    }
    const value::FuncInfo* info = old.u.fn.info;
    if (!info || !info->descriptor) return;
    const std::string before(info->descriptor);
    if (before.substr(0, before.find('$')) != descriptor.substr(0, descriptor.find('$')))
        report(p, D_ArgQualifierRedefined, name);
    if (info->params) {
        for (std::size_t i = 0; i < list.params.size(); ++i)
            if (!value::is_null(info->params[i + hidden].val) && !value::is_null(list.params[i].def))
                report(p, D_DefaultTwice, list.params[i].name);
    }
}

// The declared defaults survive a definition that gives none.
void keep_declared_defaults(const value::Value& old, ParamList& list, int hidden) {
    const value::FuncInfo* info = old.u.fn.info;
    if (!info || !info->params || old.u.fn.nparam != static_cast<int>(list.params.size()) + hidden) return;
    for (std::size_t i = 0; i < list.params.size(); ++i) {
        const value::Value& d = info->params[i + hidden].val;
        if (value::is_null(list.params[i].def) && !value::is_null(d)) value::duplicate(list.params[i].def, d);
    }
}

void rest_argument(Parser& p, const std::string& rest, const std::string& name) {
    const int slot = declare_local(p, rest, 0);
    const std::string source = name == "main" ? "arglist" : "va_arglist";
    int k = link::find_symbol(source);
    if (k < 0) k = declare_library_function(p, source);
    if (k < 0) {
        report(p, D_Undeclared, source);
        return;
    }
    gen(p, Op::Psh, 0);
    gen(p, Op::Lod, k);
    gen(p, Op::Cal, 0);
    gen(p, Op::Sbp, slot);
    gen(p, Op::Pop, 0);
}

}  // namespace

void function_body(Parser& p) {
    FunctionState& f = p.unit.fn;
    enter_block(p);
    block_body(p);
    leave_block(p);
    if (f.is_ctor) {
        gen(p, Op::Psh, 0);
        gen(p, Op::Lap, 0);
        emit_plain(p, Op::Ret, 1);
    } else {
        emit_plain(p, Op::Ret, 0);
    }
    if (f.int_at >= 0) instr(f.int_at).operand = f.max_slots;
    if (f.int_at >= 0) move_last_uses(p, f.int_at);
    reserve_frame_depth(p, f.int_at, f.int_at + 1);
    check_labels(p);
    p.unit.loops.clear();
}

bool function_definition(Parser& p, const std::string& name, uint32_t qualifiers, const std::string& binding) {
    const MemberContext member = member_context(p, name, qualifiers);
    const int hidden = member.cls >= 0 ? 2 : 0;
    ParamList list = parameter_list(p, true);
    const std::string descriptor = descriptor_of(list, hidden, name, binding);
    const int count = static_cast<int>(list.params.size()) + hidden;
    int k = link::find_symbol(name);
    // A member function's declaration is the one in its class.
    if (k < 0 && member.cls >= 0) k = member_function_symbol(p, member.cls, member.member);
    // The symbol a definition takes. A gauss:: function written in Kj is
    // GAUSS support code: when a procedure of a GAUSS unit has taken its
    // name, it is compiled under a hidden name that nothing calls.
    const bool gauss_support = dialect() == Dialect::Kj && name.rfind("gauss::", 0) == 0;
    std::string symbol_name = name;
    if (k >= 0 && gauss_support && is_gauss_procedure(p, k)) {
        if (tok(p) != T_LBrace) {
            expect(p, T_Semicolon);
            return false;
        }
        symbol_name = "$" + name;
        k = -1;
    }
    // Defined again at the prompt: a function starts afresh, a member
    // function from its class's declaration.
    bool afresh = false;
    if (k >= 0 && p.session.redefinition && tok(p) == T_LBrace && value::type_of(link::symbol_at(k).val) == value::T_Func &&
        !value::has_flag(link::symbol_at(k).val, value::k_extern)) {
        if (member.cls >= 0) redeclare_member_function(k, member.cls, member.member);
        else afresh = true;
    }
    if (k >= 0 && !afresh) {
        value::Value& old = link::symbol_at(k).val;
        const uint32_t t = value::type_of(old);
        if ((t != value::T_Func && t != value::T_Native) || !value::has_flag(old, value::k_extern)) {
            if (tok(p) == T_LBrace || t != value::T_Func) report(p, D_Duplicate, name);
            k = -1;
        } else if (t == value::T_Func && p.session.header_declared.count(k) &&
                   (old.u.fn.nparam != count || value::has_flag(old, value::k_varargs) != list.varargs)) {
            // A declaration that only came from a header gives way silently.
            value::release(old);
            old = link::make_function(0, info_of(list, hidden, descriptor), list.varargs);
            old.u.fn.nparam = count;
            old.type |= value::k_extern | KJ_FLAG_GLOBAL | qualifiers;
            p.session.header_declared.erase(k);
        } else if (t == value::T_Func) {
            check_against_declaration(p, old, list, descriptor, hidden, name);
            keep_declared_defaults(old, list, hidden);
        }
    }
    if (tok(p) != T_LBrace) {
        // A declaration: the function stays external until a definition follows.
        expect(p, T_Semicolon);
        if (k >= 0 || link::find_symbol(name) >= 0) return false;
        value::Value v = link::make_function(0, info_of(list, hidden, descriptor), list.varargs);
        v.u.fn.nparam = count;
        v.type |= value::k_extern | KJ_FLAG_GLOBAL | qualifiers;
        const int added = link::add_symbol(name, v);
        if (added < 0) report(p, D_SymbolTableFull);
        if (added >= 0 && reading_include()) p.session.header_declared.insert(added);
        member_declared(member, name);
        return false;
    }
    advance(p);
    p.unit.file_literal = source_file_literal();
    const int entry = emit_plain(p, Op::Elf, p.unit.file_literal);
    mark_label(p);
    value::Value v = link::make_function(entry, info_of(list, hidden, descriptor), list.varargs);
    v.u.fn.nparam = count;
    v.type |= KJ_FLAG_GLOBAL | (qualifiers & ~value::k_extern);
    k = define_function_symbol(p, k, symbol_name, v);
    member_defined(p, member, name, k);
    if (gauss_support && k >= 0 && symbol_name == name) add_gauss_support_function(p, k);

    FunctionState& f = p.unit.fn;
    f = FunctionState{};
    f.active = true;
    f.symbol = k;
    f.name = name;
    f.cls = member.cls;
    f.is_static = member.is_static;
    f.is_ctor = member.is_ctor;
    f.is_dtor = member.is_dtor;
    f.varargs = list.varargs;
    f.args = count;
    if (hidden) {
        f.locals.push_back({"this", 0, true, value::k_const, 0, 0});
        f.locals.push_back({"$t0", 1, true, value::k_const, 0, 0});
    }
    for (std::size_t i = 0; i < list.params.size(); ++i)
        f.locals.push_back({list.params[i].name, static_cast<int>(i) + hidden, true,
                            list.params[i].is_const ? value::k_const : 0u, 0, 0});
    f.int_at = emit_plain(p, Op::Int, 0);
    if (!list.rest.empty()) rest_argument(p, list.rest, name);
    function_body(p);
    p.unit.fn = FunctionState{};
    return true;
}

int define_function_symbol(Parser& p, int k, const std::string& name, value::Value v) {
    if (k >= 0) {
        value::release(link::symbol_at(k).val);
        link::symbol_at(k).val = v;
        return k;
    }
    k = link::add_symbol(name, v);
    if (k < 0) report(p, D_SymbolTableFull);
    return k;
}

}  // namespace kj::compiler
