#include "link/merge.h"

#include <cstring>

#include "link/class_records.h"
#include "link/link_errors.h"
#include "link/symbols.h"

namespace kj::link {

using value::NamedValue;
using value::Value;

namespace {

// The same constant from a shared header (an int or double of equal value in
// both units) is one symbol, not a duplicate.
bool same_constant(const Value& a, const Value& b) {
    if (!value::has_flag(a, value::k_const) || !value::has_flag(b, value::k_const)) return false;
    const uint32_t ta = value::type_of(a), tb = value::type_of(b);
    if (ta != tb) return false;
    if (ta == value::T_Int) return a.u.ival == b.u.ival;
    if (ta == value::T_Double) return a.u.dval == b.u.dval;
    return false;
}

enum class Kind { Variable, Function, Library, Class };

// Variables are one kind whatever value they hold: a declaration `extern x`
// and the definition `x = "text"` must meet without a type conflict.
Kind kind_of(const Value& v) {
    switch (value::type_of(v)) {
        case value::T_Func: return Kind::Function;
        case value::T_Native: return Kind::Library;
        case value::T_Class: return Kind::Class;
        default: return Kind::Variable;
    }
}

bool declared_only(const Value& v) { return value::has_flag(v, value::k_extern); }
bool varargs(const Value& v) { return value::has_flag(v, value::k_varargs); }
int arguments(const Value& v) { return v.u.fn.nparam; }

// Rule 3: two declarations agree unless their counts differ and neither
// takes a variable list; a definition agrees with a declaration when the
// counts are equal or, taking a variable list, it requires no more.
bool functions_agree(const Value& a, const Value& b) {
    const bool a_decl = declared_only(a), b_decl = declared_only(b);
    if (a_decl && b_decl) return varargs(a) || varargs(b) || arguments(a) == arguments(b);
    const Value& def = a_decl ? b : a;
    const Value& decl = a_decl ? a : b;
    if (varargs(def)) return arguments(def) <= arguments(decl);
    return arguments(def) == arguments(decl);
}

// Member functions: a variable-argument member may not require more than its
// counterpart; otherwise the counts are equal.
bool members_agree(const Value& a, const Value& b) {
    if (varargs(a) && arguments(a) > arguments(b)) return false;
    if (varargs(b) && arguments(b) > arguments(a)) return false;
    return varargs(a) || varargs(b) || arguments(a) == arguments(b);
}

bool same_name(const char* a, const char* b) { return std::strcmp(a ? a : "", b ? b : "") == 0; }

bool same_data_member(const NamedValue& a, const NamedValue& b) {
    if (!same_name(a.name, b.name)) return false;
    const uint32_t ignored = value::k_owns;
    if ((a.val.type & ~ignored) != (b.val.type & ~ignored)) return false;
    if (!value::has_flag(a.val, value::k_const | value::k_static) || value::is_null(a.val)) return true;
    if (value::type_of(a.val) == value::T_Int) return a.val.u.ival == b.val.u.ival;
    if (value::type_of(a.val) == value::T_Double) return a.val.u.dval == b.val.u.dval;
    return true;
}

void discard(Value& v) {
    if (value::type_of(v) == value::T_Class)
        release_class_values(v);
    else
        value::release(v);
    v = value::make_none();
}

int add(const char* name, Value& incoming) {
    const int k = add_symbol(name ? name : "", incoming);
    if (k < 0) {
        discard(incoming);
        report_link_error(L_SymbolTableFull);
        return -1;
    }
    if (value::type_of(incoming) == value::T_Class) symbol_at(k).val.u.obj.cls = k;
    return k;
}

int reject(int code, const char* name, Value& incoming, int existing) {
    report_link_error(code, name);
    discard(incoming);
    return existing;
}

}  // namespace

bool same_class(const Value& a, const Value& b) {
    const int n = class_data_count(a), f = class_function_count(a);
    if (n != class_data_count(b) || f != class_function_count(b) || a.u.obj.base != b.u.obj.base) return false;
    for (int i = 0; i < n; ++i)
        if (!same_data_member(class_data(a)[i], class_data(b)[i])) return false;
    for (int i = 0; i < f; ++i) {
        const NamedValue& x = class_functions(a)[i];
        const NamedValue& y = class_functions(b)[i];
        if (!same_name(x.name, y.name) || !members_agree(x.val, y.val)) return false;
    }
    return true;
}

int merge_symbol(const char* name, Value& incoming) {
    if (!name || !*name || *name == '@') return add(name, incoming);
    const int k = find_symbol(name);
    if (k < 0) return add(name, incoming);
    Value& existing = symbol_at(k).val;

    const Kind a = kind_of(existing), b = kind_of(incoming);
    const bool old_decl = declared_only(existing), new_decl = declared_only(incoming);
    if (a != b) {
        // 1. A function declaration meeting a library function is accepted:
        // the library function stands for both.
        const bool declaration_meets_library = (a == Kind::Library && b == Kind::Function && new_decl) ||
                                               (b == Kind::Library && a == Kind::Function && old_decl);
        if (!declaration_meets_library) return reject(L_IncompatibleTypes, name, incoming, k);
    } else if (a == Kind::Library) {
        // Two bindings of the same library function.
        if (existing.u.nat.fn != incoming.u.nat.fn) return reject(L_DuplicateIdentifier, name, incoming, k);
        discard(incoming);
        return k;
    } else if (!old_decl && !new_decl && a != Kind::Class) {
        if (same_constant(existing, incoming)) {
            discard(incoming);
            return k;
        }
        return reject(L_DuplicateIdentifier, name, incoming, k);  // 2.
    } else if (a == Kind::Function && !functions_agree(existing, incoming)) {
        return reject(L_RedefinedFunction, name, incoming, k);  // 3.
    } else if (a == Kind::Class && !old_decl && !new_decl && !same_class(existing, incoming)) {
        return reject(L_RedefinedClass, name, incoming, k);  // 4.
    }

    // 5. A definition replaces a declaration in place; anything else keeps
    // the existing symbol.
    if (!new_decl && old_decl) {
        discard(existing);
        existing = incoming;
        if (b == Kind::Class) existing.u.obj.cls = k;
    } else {
        discard(incoming);
    }
    return k;
}

}  // namespace kj::link
