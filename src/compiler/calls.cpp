// Function calls: argument lists with spreading, defaults filled in from the
// declaration, the argument-count check, inline functions compiled to FNI
// when optimising, and the array-base adjustments of index-based library
// functions.
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#include "runtime/settings.h"
#include "compiler/parser.h"
#include "link/inline_functions.h"
#include "link/literals.h"
#include "link/symbols.h"
#include "value/value.h"

namespace kj::compiler {

namespace {

struct ArgList {
    int count = 0;
    bool spread = false;
    std::vector<std::pair<int, int>> code;  // each argument's instructions
};

// args -> [ ["..."] assignment { "," ["..."] assignment } ] ")"
ArgList arguments() {
    ArgList a;
    if (tok() != T_RParen) {
        do {
            const int from = gen(Op::Psh, 0);
            const bool spread = accept(T_Ellipsis);
            expression_value();
            if (spread) {
                gen(Op::Opr, T_Ellipsis);
                a.spread = true;
            }
            a.code.emplace_back(from, code_here());
            ++a.count;
        } while (accept(T_Comma));
    }
    expect(T_RParen);
    return a;
}

bool in_list(const std::string& name, std::initializer_list<const char*> list) {
    for (const char* n : list)
        if (name == n) return true;
    return false;
}

// Loads a parameter default as a constant.
void emit_constant(const value::Value& v) {
    switch (value::type_of(v)) {
        case value::T_Int: gen(Op::Lti, v.u.ival); return;
        case value::T_Double: emit_number(v.u.dval, false); return;
        default: {
            value::Value copy{};
            value::duplicate(copy, v);
            const int k = link::add_literal(copy);
            if (k < 0) report(D_ConstantBufferFull);
            gen(Op::Lit, k);
            return;
        }
    }
}

// Declared parameters, defaults and varargs of a function symbol's value.
struct Signature {
    bool known = false;
    int declared = 0;
    bool varargs = false;
    const value::FuncInfo* info = nullptr;
};

Signature signature_of(int sym) {
    const value::Value& v = link::symbol_at(sym).val;
    Signature s;
    const uint32_t t = value::type_of(v);
    if (t == value::T_Func) {
        s.info = v.u.fn.info;
        s.declared = v.u.fn.nparam;
    } else if (t == value::T_Native) {
        s.info = v.u.nat.info;
        s.declared = v.u.nat.nparam;
    } else {
        return s;
    }
    s.known = true;
    s.varargs = value::has_flag(v, value::k_varargs);
    return s;
}

// Fills missing trailing arguments from the defaults and checks the count.
void complete_arguments(const Signature& s, ArgList& a, const std::string& name, int hidden) {
    if (!s.known || a.spread) return;
    const int declared = s.declared - hidden;
    if (s.info && s.info->params) {
        while (a.count < declared && !value::is_null(s.info->params[a.count + hidden].val)) {
            gen(Op::Psh, 0);
            emit_constant(s.info->params[a.count + hidden].val);
            ++a.count;
        }
    }
    if (a.count == declared || (s.varargs && a.count > declared)) return;
    report(D_WrongArgCount, name);
}

// A library inline function with one argument, applied in place.
bool inline_call(const Expr& callee) {
    if (!runtime::settings().optimize || callee.place != Place::Global) return false;
    const int code = link::inline_function_code(callee.name.c_str());
    if (code == 0) return false;
    const value::Value& v = link::symbol_at(callee.index).val;
    if (value::type_of(v) == value::T_Func && !value::has_flag(v, value::k_extern)) return false;
    if (tok() == T_RParen) {
        report(D_WrongArgCount, callee.name);
    } else {
        expression_value();
        while (accept(T_Comma)) {
            report(D_WrongArgCount, callee.name);
            expression_value();
        }
    }
    expect(T_RParen);
    gen(Op::Fni, code);
    return true;
}

// Array base in force: index-based library functions see 0-based indices.
void adjust_before_call(const std::string& name, ArgList& a) {
    const int base = unit().array_base;
    if (base == 0) return;
    if (in_list(name, {"sortbyc", "sortbyr"})) {
        gen(Op::Psh, base);
        gen(Op::Opr, T_Minus);
    } else if (in_list(name, {"limits", "submat", "strfind", "strifind", "strfindr", "strifindr", "dropc", "dropr",
                              "insertc", "insertr"})) {
        if (a.count == 2 && in_list(name, {"strfind", "strifind", "strfindr", "strifindr"})) {
            // The base goes after the optional start, so the start is
            // supplied: the first position, or for a backward search the end.
            const bool backward = name.back() == 'r';
            gen(Op::Psh, backward ? std::numeric_limits<int32_t>::max() : base);
            ++a.count;
        }
        gen(Op::Psh, base);
        ++a.count;
    }
}

void adjust_after_call(const std::string& name) {
    const int base = unit().array_base;
    if (base == 0) return;
    if (in_list(name, {"vecindex", "vecrindex", "maxcindex", "mincindex", "sortcindex", "find"})) {
        gen(Op::Psh, base);
        gen(Op::Opr, T_Plus);
    }
}

}  // namespace

void call_suffix(Expr& e) {
    if (e.place == Place::MemberName) {
        // object, selector, int 0, arguments: CAM
        const int k = link::find_string_literal(e.name);
        gen(Op::Psh, 0);
        gen(Op::Lit, k >= 1 ? k : link::add_string_literal(e.name));
        gen(Op::Psh, 0);
        ArgList a = arguments();
        note_call_arguments(gen(Op::Cam, a.count), std::move(a.code));
        e = Expr{};
        return;
    }
    if (e.place == Place::Class) {
        report(D_NotFunction, e.name);
        arguments();
        e = Expr{};
        return;
    }
    if (e.function && inline_call(e)) {
        e = Expr{};
        return;
    }
    const bool named = e.place == Place::Global && e.function;
    const std::string name = e.name;
    const Signature s = named ? signature_of(e.index) : Signature{};
    const Direct direct = e.direct;
    const int direct_class = e.direct_class;
    load(e);
    // Hidden arguments of a member function called directly: this (or the
    // class record for a static one) and the int 0.
    const int hidden = direct == Direct::None ? 0 : 2;
    if (direct == Direct::This) {
        gen(Op::Psh, 0);
        gen(Op::Lap, 0);
    } else if (direct == Direct::Class) {
        gen(Op::Psh, 0);
        gen(Op::Lod, direct_class);
    }
    if (hidden) gen(Op::Psh, 0);
    ArgList a = arguments();
    if (named) {
        complete_arguments(s, a, name, hidden);
        adjust_before_call(name, a);
    }
    note_call_arguments(gen(Op::Cal, a.count + hidden), std::move(a.code));
    if (named) adjust_after_call(name);
    e = Expr{};
}

}  // namespace kj::compiler
