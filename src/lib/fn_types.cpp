// Type and value tests. The type tests look at the argument record as
// passed; the value tests read numbers (ints, doubles and matrices).
#include "lib/fn_types.h"

#include "num/fuzziness.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "lib/args.h"
#include "lib/fn_sort.h"
#include "lib/io/file_value.h"
#include "lib/library_rows.h"
#include "link/symbols.h"

namespace kj::lib {

using value::Value;

// One tolerance serves isfeq, isdotfeq, truncf and fuzziness().
double fuzzy_tolerance() { return num::fuzziness(); }
void set_fuzzy_tolerance(double eps) { num::set_fuzziness(eps); }

bool fuzzy_equal(double a, double b) {
    if (a == b) return true;
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    return std::fabs(a - b) <= num::fuzziness() * std::max({1.0, std::fabs(a), std::fabs(b)});
}

namespace {

bool is_numeric(const Value& v) { return is_scalar(v) || is_type(v, value::T_Matrix); }
double scalar_of(const Value& v) { return value::type_of(v) == value::T_Int ? v.u.ival : v.u.dval; }
bool is_one_by_one(const Value& v) { return is_type(v, value::T_Matrix) && v.u.mat.r == 1 && v.u.mat.c == 1; }

bool same_handle(const Value& a, const Value& b) {
    switch (value::type_of(a)) {
        case value::T_Class: return a.u.obj.members == b.u.obj.members && a.u.obj.cls == b.u.obj.cls;
        case value::T_Func: return a.u.fn.entry == b.u.fn.entry && a.u.fn.context == b.u.fn.context;
        case value::T_Native: return a.u.nat.fn == b.u.nat.fn;
        case value::T_Lambda: return a.u.lam.entry == b.u.lam.entry && a.u.lam.framebase == b.u.lam.framebase;
        default: return false;
    }
}

bool matrices_equal(const Value& a, const Value& b) {
    const long n = count_of(a);
    if (n == 0 && count_of(b) == 0) return true;
    if (a.u.mat.r != b.u.mat.r || a.u.mat.c != b.u.mat.c) return false;
    const double* x = a.u.mat.m[0];
    const double* y = b.u.mat.m[0];
    for (long k = 0; k < n; ++k)
        if (!nan_equal(x[k], y[k])) return false;
    return true;
}

// The class symbols from the object's class up its base chain; stops at the
// first class for which f returns true. False when the symbol table does not
// know the class.
template <class F>
bool walk_classes(const Value& object, F f) {
    const link::SymbolTable& table = link::symbols();
    int k = object.u.obj.cls;
    for (int steps = 0; k >= 0 && k < table.count && steps < table.count; ++steps) {
        const value::NamedValue& s = table.entries[k];
        if (value::type_of(s.val) != value::T_Class) return false;
        if (f(s)) return true;
        k = s.val.u.obj.base;
    }
    return false;
}

int member_kind(const value::NamedValue* members, int n, std::string_view name) {
    for (int i = 0; i < n; ++i) {
        if (!members[i].name || name != members[i].name) continue;
        const uint32_t t = value::type_of(members[i].val);
        return t == value::T_Func || t == value::T_Native || t == value::T_Lambda ? 2 : 1;
    }
    return 0;
}

bool name_matches(const char* full, std::string_view name) {
    if (!full) return false;
    const std::string_view f(full);
    if (f == name) return true;
    const std::size_t colons = f.rfind("::");
    return colons != std::string_view::npos && f.substr(colons + 2) == name;
}

// 0/1 per element of a numeric argument: an int for a scalar, a matrix otherwise.
template <class Test>
void element_test(Value& result, Value* args, Test test) {
    Value& a = args[0];
    if (is_scalar(a)) return value::set_int(result, test(scalar_of(a)));
    const Value& m = matrix_value_arg(args, 0);
    if (count_of(m) == 0) return set_empty(result);
    value::set_matrix(result, m.u.mat.r, m.u.mat.c);
    const double* x = m.u.mat.m[0];
    double* out = result.u.mat.m[0];
    for (long k = 0, n = count_of(m); k < n; ++k) out[k] = test(x[k]);
}

// A numeric operand of the fuzzy comparisons: a scalar (1 x 1 matrices too)
// or the elements of a matrix.
struct Operand {
    const double* x = nullptr;
    double scalar = 0;
    int r = 1, c = 1;
    bool is_scalar = true;
    double at(int i, int j) const {
        return is_scalar ? scalar : x[static_cast<long>(r == 1 ? 0 : i) * c + (c == 1 ? 0 : j)];
    }
};

Operand operand(Value* args, int i) {
    Value& v = args[i];
    if (!is_numeric(v)) arg_type_error(i, value::T_Matrix, &v);
    Operand o;
    if (is_scalar(v)) {
        o.scalar = scalar_of(v);
    } else if (is_one_by_one(v)) {
        o.scalar = v.u.mat.m[0][0];
    } else {
        o.is_scalar = false;
        o.r = v.u.mat.r;
        o.c = v.u.mat.c;
        o.x = elements_of(v);
    }
    return o;
}

}  // namespace

bool values_equal(const Value& a, const Value& b) {
    if (value::is_null(a) || value::is_null(b)) return value::is_null(a) && value::is_null(b);
    if (is_numeric(a) && is_numeric(b)) {
        const bool sa = is_scalar(a) || is_one_by_one(a), sb = is_scalar(b) || is_one_by_one(b);
        if (sa && sb)
            return nan_equal(is_scalar(a) ? scalar_of(a) : a.u.mat.m[0][0], is_scalar(b) ? scalar_of(b) : b.u.mat.m[0][0]);
        if (sa || sb) return false;
        return matrices_equal(a, b);
    }
    const uint32_t t = value::type_of(a);
    if (t != value::type_of(b)) return false;
    switch (t) {
        case value::T_String: return string_of(a) == string_of(b);
        case value::T_Array:
            if (a.u.arr.n != b.u.arr.n) return false;
            for (int i = 0; i < a.u.arr.n; ++i)
                if (!values_equal(a.u.arr.v[i], b.u.arr.v[i])) return false;
            return true;
        case value::T_Class: case value::T_Func: case value::T_Native: case value::T_Lambda:
            return same_handle(a, b);
        default: return false;
    }
}

int class_member_kind(const Value& object, std::string_view name) {
    if (!is_type(object, value::T_Class)) return 0;
    int kind = 0;
    const bool known = walk_classes(object, [&](const value::NamedValue& s) {
        // A class record holds its data members, then its own member functions.
        kind = member_kind(s.val.u.obj.members, s.val.u.obj.n + s.val.u.obj.pad, name);
        return kind != 0;
    });
    if (!known && kind == 0) kind = member_kind(object.u.obj.members, object.u.obj.n, name);
    return kind;
}

bool class_matches(const Value& object, std::string_view name, bool derived) {
    if (!is_type(object, value::T_Class)) return false;
    if (name.empty()) return true;
    bool first = true;
    return walk_classes(object, [&](const value::NamedValue& s) {
        if (!first && !derived) return false;
        first = false;
        return name_matches(s.name, name);
    });
}

void fn_isaddress(Value* result, Value* args, int) {
    value::set_int(*result, is_type(args[0], value::T_Array) && value::has_flag(args[0], value::k_address));
}

void fn_isarray(Value* result, Value* args, int) {
    value::set_int(*result, is_type(args[0], value::T_Array) && !value::has_flag(args[0], value::k_address));
}

void fn_isclass(Value* result, Value* args, int count) {
    if (count > 3) arg_error(3);
    std::string_view name;
    if (count > 1) {
        if (!is_string(args[1])) arg_type_error(1, value::T_String, &args[1]);
        name = string_of(args[1]);
    }
    const bool derived = count > 2 ? int_arg(args, 2) != 0 : true;
    value::set_int(*result, class_matches(args[0], name, derived));
}

void fn_isdouble(Value* result, Value* args, int) { value::set_int(*result, is_type(args[0], value::T_Double)); }
void fn_isint(Value* result, Value* args, int) { value::set_int(*result, is_type(args[0], value::T_Int)); }
void fn_ismatrix(Value* result, Value* args, int) { value::set_int(*result, is_type(args[0], value::T_Matrix)); }
void fn_isstring(Value* result, Value* args, int) { value::set_int(*result, is_string(args[0])); }
// Only a file that is still open counts: a closed one keeps its type.
void fn_isfile(Value* result, Value* args, int) { value::set_int(*result, io::file_of(args[0]) != nullptr); }
void fn_isstatic(Value* result, Value* args, int) {
    value::set_int(*result, value::has_flag(args[0], value::k_static));
}

void fn_isfunction(Value* result, Value* args, int) {
    value::set_int(*result, is_type(args[0], value::T_Func) || is_type(args[0], value::T_Native) ||
                                is_type(args[0], value::T_Lambda));
}

void fn_iseq(Value* result, Value* args, int) { value::set_int(*result, values_equal(args[0], args[1])); }

void fn_ismissing(Value* result, Value* args, int) {
    const Value& a = args[0];
    bool any = false;
    if (is_type(a, value::T_Double)) {
        any = std::isnan(a.u.dval);
    } else if (is_type(a, value::T_Matrix)) {
        const double* x = elements_of(a);
        for (long k = 0, n = count_of(a); k < n && !any; ++k) any = std::isnan(x[k]);
    }
    value::set_int(*result, any);
}

void fn_isdotnan(Value* result, Value* args, int) {
    element_test(*result, args, [](double x) { return std::isnan(x); });
}

void fn_isdotinf(Value* result, Value* args, int) {
    element_test(*result, args, [](double x) { return std::isinf(x); });
}

void fn_isdotfeq(Value* result, Value* args, int) {
    const Operand a = operand(args, 0), b = operand(args, 1);
    if (a.is_scalar && b.is_scalar) {
        if (is_scalar(args[0]) && is_scalar(args[1])) return value::set_int(*result, fuzzy_equal(a.scalar, b.scalar));
        value::set_matrix(*result, 1, 1);
        result->u.mat.m[0][0] = fuzzy_equal(a.scalar, b.scalar);
        return;
    }
    // Broadcasting: an empty operand gives <>; each dimension equal or 1.
    if (a.r * a.c == 0 || b.r * b.c == 0) return set_empty(*result);
    const bool rows_ok = a.is_scalar || b.is_scalar || a.r == b.r || a.r == 1 || b.r == 1;
    const bool cols_ok = a.is_scalar || b.is_scalar || a.c == b.c || a.c == 1 || b.c == 1;
    if (!rows_ok || !cols_ok) arg_error(1);
    const int r = a.is_scalar ? b.r : b.is_scalar ? a.r : std::max(a.r, b.r);
    const int c = a.is_scalar ? b.c : b.is_scalar ? a.c : std::max(a.c, b.c);
    value::set_matrix(*result, r, c);
    for (int i = 0; i < r; ++i)
        for (int j = 0; j < c; ++j) result->u.mat.m[i][j] = fuzzy_equal(a.at(i, j), b.at(i, j));
}

// fuzziness(deps): deps > 0 sets the tolerance; the result is the tolerance in force.
void fn_fuzziness(Value* result, Value* args, int) {
    double eps = 0;
    if (!try_convert_to_double(args[0], &eps)) arg_type_error(0, value::T_Double, &args[0]);
    value::set_double(*result, num::set_fuzziness(eps));
}

void fn_isfeq(Value* result, Value* args, int) {
    const Operand a = operand(args, 0), b = operand(args, 1);
    bool equal = true;
    if (a.is_scalar && b.is_scalar) {
        equal = fuzzy_equal(a.scalar, b.scalar);
    } else if (a.is_scalar || b.is_scalar) {
        const Operand& m = a.is_scalar ? b : a;
        const double s = a.is_scalar ? a.scalar : b.scalar;
        const long n = static_cast<long>(m.r) * m.c;
        equal = n > 0;
        for (long k = 0; k < n && equal; ++k) equal = fuzzy_equal(m.x[k], s);
    } else if (a.r * a.c == 0 || b.r * b.c == 0) {
        equal = a.r * a.c == 0 && b.r * b.c == 0;
    } else if (a.r != b.r || a.c != b.c) {
        equal = false;
    } else {
        for (long k = 0, n = static_cast<long>(a.r) * a.c; k < n && equal; ++k) equal = fuzzy_equal(a.x[k], b.x[k]);
    }
    value::set_int(*result, equal);
}

namespace {
const DescriptorRow k_type_rows[] = {
    {"c$isaddress", fn_isaddress},   {"c$isarray", fn_isarray},       {"c$isclass", fn_isclass, 1},
    {"cc$isdotfeq", fn_isdotfeq},    {"c$isdotinf", fn_isdotinf},     {"c$isdotmissing", fn_isdotnan},
    {"c$isdotnan", fn_isdotnan},     {"c$isdouble", fn_isdouble},     {"cc$iseq", fn_iseq},
    {"c$fuzziness", fn_fuzziness},   {"cc$isfeq", fn_isfeq},          {"c$isfile", fn_isfile},         {"c$isfunction", fn_isfunction},
    {"c$isint", fn_isint},           {"c$ismatrix", fn_ismatrix},     {"c$ismissing", fn_ismissing},
    {"c$isnan", fn_ismissing},       {"c$isstatic", fn_isstatic},     {"c$isstring", fn_isstring},
};
}  // namespace

std::span<const DescriptorRow> type_rows() { return k_type_rows; }

}  // namespace kj::lib
