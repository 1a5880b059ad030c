// GAUSS built-ins that are not aliases of Kj functions: rows and cols as
// GAUSS counts them, ismiss, the string comparison behind the $ relations,
// typecv, balance, and reading and writing globals by name (varget, varput);
// plus the aliases that share Kj natives (feq, fmod, floor/int, hsec).
#include <cctype>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "compiler/gauss/gauss.h"
#include "lib/args.h"
#include "lib/fn_calendar.h"
#include "lib/fn_math.h"
#include "lib/fn_types.h"
#include "lib/library_rows.h"
#include "link/symbols.h"
#include "num/balance.h"

namespace kj::lib {

namespace {

using value::Value;

void fn_gauss_cols(Value* r, Value* a, int) {
    const Value& x = a[0];
    if (!value::is_null(x) && value::type_of(x) == value::T_Vector) value::materialize(a[0]);
    value::set_int(*r, is_type(x, value::T_Matrix) ? (x.u.mat.r > 0 ? x.u.mat.c : 0) : 1);
}

void fn_gauss_rows(Value* r, Value* a, int) {
    const Value& x = a[0];
    if (!value::is_null(x) && value::type_of(x) == value::T_Vector) value::materialize(a[0]);
    int n = 1;
    if (is_type(x, value::T_Matrix)) n = x.u.mat.c > 0 ? x.u.mat.r : 0;
    else if (is_type(x, value::T_Array)) n = x.u.arr.n;
    value::set_int(*r, n);
}

void fn_gauss_ismiss(Value* r, Value* a, int) {
    const Value& x = a[0];
    bool any = false;
    if (is_type(x, value::T_Double)) any = std::isnan(x.u.dval);
    else if (is_type(x, value::T_Matrix))
        for (long k = 0; k < count_of(x) && !any; ++k) any = std::isnan(elements_of(x)[k]);
    value::set_int(*r, any ? 1 : 0);
}

void fn_gauss_strcmp(Value* r, Value* a, int) {
    for (int i = 0; i < 2; ++i)
        if (!is_string(a[i])) arg_type_error(i, value::T_String, &a[i]);
    const int c = string_of(a[0]).compare(string_of(a[1]));
    value::set_int(*r, c < 0 ? -1 : c > 0 ? 1 : 0);
}

std::string folded_name(Value* a, int i) {
    if (!is_string(a[i])) arg_type_error(i, value::T_String, &a[i]);
    std::string name(string_of(a[i]));
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

void fn_gauss_typecv(Value* r, Value* a, int) {
    const std::string name = folded_name(a, 0);
    const int k = link::find_symbol("gauss::" + name);
    if (k < 0) {
        value::set_double(*r, std::nan(""));
        return;
    }
    const Value& v = link::symbol_at(k).val;
    double code = 6;
    switch (value::type_of(v)) {
        case value::T_String: code = 13; break;
        case value::T_Array: code = 15; break;
        case value::T_Func:
        case value::T_Native: code = compiler::is_gauss_keyword(name) ? 5 : 8; break;
        default: break;
    }
    value::set_double(*r, code);
}

void fn_gauss_balance(Value* r, Value* a, int) {
    check_square_matrix(a, 0, 0);
    const MatrixArg x = matrix_arg(a, 0);
    const int n = x.r;
    std::vector<double> m(x.data(), x.data() + x.count());
    std::vector<double> d(static_cast<std::size_t>(n));
    if (n > 0) num::balance_matrix(m.data(), d.data(), n);
    Value z{};
    double** zm = new_matrix_zero(z, n, n);
    for (int i = 0; i < n; ++i) zm[i][i] = d[static_cast<std::size_t>(i)];
    store_reference(a[1], z);
    double** b = new_matrix(*r, n, n);
    for (int i = 0; i < n * n; ++i) b[0][i] = m[static_cast<std::size_t>(i)];
}

// The global variable of a GAUSS name: -1 when none (or not a variable).
int gauss_variable(const std::string& name) {
    const int k = link::find_symbol("gauss::" + name);
    if (k < 0) return -1;
    const Value& v = link::symbol_at(k).val;
    const uint32_t t = value::type_of(v);
    if (t == value::T_Func || t == value::T_Native || t == value::T_Class || value::has_flag(v, value::k_const))
        return -1;
    return k;
}

void fn_gauss_varget(Value* r, Value* a, int) {
    const int k = gauss_variable(folded_name(a, 0));
    if (k < 0) arg_error(0);
    set_copy(*r, link::symbol_at(k).val);
}

void fn_gauss_varput(Value* r, Value* a, int) {
    const int k = gauss_variable(folded_name(a, 1));
    if (k < 0) {
        value::set_int(*r, 0);
        return;
    }
    Value& g = link::symbol_at(k).val;
    const uint32_t flags = g.type & KJ_FLAG_GLOBAL;
    value::release(g);
    value::duplicate(g, a[0]);
    g.type = (g.type & ~(value::k_const | value::k_static)) | flags;
    value::set_int(*r, 1);
}

const DescriptorRow k_gauss[] = {
    {"c$gauss::cols", fn_gauss_cols},         {"c$gauss::rows", fn_gauss_rows},
    {"c$gauss::ismiss", fn_gauss_ismiss},     {"cc$gauss::__strcmp__", fn_gauss_strcmp},
    {"c$gauss::__typecv__", fn_gauss_typecv}, {"cc$gauss::__balance__", fn_gauss_balance},
    {"c$gauss::varget", fn_gauss_varget},     {"cc$gauss::varput", fn_gauss_varput},
    {"cc$gauss::feq", fn_isfeq},
    {"c$gauss::floor", fn_floor},             {"c$gauss::int", fn_floor},
    {"$gauss::hsec", fn_timer},
};

}  // namespace

std::span<const DescriptorRow> gauss_builtin_rows() { return k_gauss; }

}  // namespace kj::lib
