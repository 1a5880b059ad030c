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
ArgList arguments(Parser& p) {
    ArgList a;
    if (tok(p) != T_RParen) {
        do {
            const int from = gen(p, Op::Psh, 0);
            const bool spread = accept(p, T_Ellipsis);
            expression_value(p);
            if (spread) {
                gen(p, Op::Opr, T_Ellipsis);
                a.spread = true;
            }
            a.code.emplace_back(from, code_here());
            ++a.count;
        } while (accept(p, T_Comma));
    }
    expect(p, T_RParen);
    return a;
}

bool in_list(const std::string& name, std::initializer_list<const char*> list) {
    for (const char* n : list)
        if (name == n) return true;
    return false;
}

// Loads a parameter default as a constant.
void emit_constant(Parser& p, const value::Value& v) {
    switch (value::type_of(v)) {
        case value::T_Int: gen(p, Op::Lti, v.u.ival); return;
        case value::T_Double: emit_number(p, v.u.dval, false); return;
        default: {
            value::Value copy{};
            value::duplicate(copy, v);
            const int k = link::add_literal(copy);
            if (k < 0) report(p, D_ConstantBufferFull);
            gen(p, Op::Lit, k);
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
void complete_arguments(Parser& p, const Signature& s, ArgList& a, const std::string& name, int hidden) {
    if (!s.known || a.spread) return;
    const int declared = s.declared - hidden;
    if (s.info && s.info->params) {
        while (a.count < declared && !value::is_null(s.info->params[a.count + hidden].val)) {
            gen(p, Op::Psh, 0);
            emit_constant(p, s.info->params[a.count + hidden].val);
            ++a.count;
        }
    }
    if (a.count == declared || (s.varargs && a.count > declared)) return;
    report(p, D_WrongArgCount, name);
}

// A library inline function with one argument, applied in place.
bool inline_call(Parser& p, const Expr& callee) {
    if (!runtime::settings().optimize || callee.place != Place::Global) return false;
    const int code = link::inline_function_code(callee.name.c_str());
    if (code == 0) return false;
    const value::Value& v = link::symbol_at(callee.index).val;
    if (value::type_of(v) == value::T_Func && !value::has_flag(v, value::k_extern)) return false;
    if (tok(p) == T_RParen) {
        report(p, D_WrongArgCount, callee.name);
    } else {
        expression_value(p);
        while (accept(p, T_Comma)) {
            report(p, D_WrongArgCount, callee.name);
            expression_value(p);
        }
    }
    expect(p, T_RParen);
    gen(p, Op::Fni, code);
    return true;
}

// Array base in force: index-based library functions see 0-based indices.
void adjust_before_call(Parser& p, const std::string& name, ArgList& a) {
    const int base = p.unit.array_base;
    if (base == 0) return;
    if (in_list(name, {"sortbyc", "sortbyr"})) {
        gen(p, Op::Psh, base);
        gen(p, Op::Opr, T_Minus);
    } else if (in_list(name, {"limits", "submat", "strfind", "strifind", "strfindr", "strifindr", "dropc", "dropr",
                              "insertc", "insertr"})) {
        if (a.count == 2 && in_list(name, {"strfind", "strifind", "strfindr", "strifindr"})) {
            // The base goes after the optional start, so the start is
            // supplied: the first position, or for a backward search the end.
            const bool backward = name.back() == 'r';
            gen(p, Op::Psh, backward ? std::numeric_limits<int32_t>::max() : base);
            ++a.count;
        }
        gen(p, Op::Psh, base);
        ++a.count;
    }
}

void adjust_after_call(Parser& p, const std::string& name) {
    const int base = p.unit.array_base;
    if (base == 0) return;
    if (in_list(name, {"vecindex", "vecrindex", "maxcindex", "mincindex", "sortcindex", "find"})) {
        gen(p, Op::Psh, base);
        gen(p, Op::Opr, T_Plus);
    }
}

}  // namespace

void call_suffix(Parser& p, Expr& e) {
    if (e.place == Place::MemberName) {
        // object, selector, int 0, arguments: CAM
        const int k = link::find_string_literal(e.name);
        gen(p, Op::Psh, 0);
        gen(p, Op::Lit, k >= 1 ? k : link::add_string_literal(e.name));
        gen(p, Op::Psh, 0);
        ArgList a = arguments(p);
        note_call_arguments(p, gen(p, Op::Cam, a.count), std::move(a.code));
        e = Expr{};
        return;
    }
    if (e.place == Place::Class) {
        report(p, D_NotFunction, e.name);
        arguments(p);
        e = Expr{};
        return;
    }
    if (e.function && inline_call(p, e)) {
        e = Expr{};
        return;
    }
    const bool named = e.place == Place::Global && e.function;
    const std::string name = e.name;
    const Signature s = named ? signature_of(e.index) : Signature{};
    const Direct direct = e.direct;
    const int direct_class = e.direct_class;
    load(p, e);
    // Hidden arguments of a member function called directly: this (or the
    // class record for a static one) and the int 0.
    const int hidden = direct == Direct::None ? 0 : 2;
    if (direct == Direct::This) {
        gen(p, Op::Psh, 0);
        gen(p, Op::Lap, 0);
    } else if (direct == Direct::Class) {
        gen(p, Op::Psh, 0);
        gen(p, Op::Lod, direct_class);
    }
    if (hidden) gen(p, Op::Psh, 0);
    ArgList a = arguments(p);
    if (named) {
        complete_arguments(p, s, a, name, hidden);
        adjust_before_call(p, name, a);
    }
    note_call_arguments(p, gen(p, Op::Cal, a.count + hidden), std::move(a.code));
    if (named) adjust_after_call(p, name);
    e = Expr{};
}

}  // namespace kj::compiler
