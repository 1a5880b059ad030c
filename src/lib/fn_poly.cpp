// Polynomials on coefficient vectors: evaluation, products, power-series
// division, construction from roots and roots as companion eigenvalues.
#include <vector>

#include "lib/elementwise.h"
#include "lib/fn_math.h"
#include "lib/library_rows.h"
#include "num/polynomial.h"

namespace kj::lib {

namespace {
using value::Value;

// The elements of args[i] in storage order (any shape is read as a vector).
struct Coefficients {
    const double* data = nullptr;
    int n = 0;
};

Coefficients coefficients(Value* args, int i) {
    check_type(value::T_Matrix, args, i, i);
    const Value& v = args[i];
    const int n = v.u.mat.r * v.u.mat.c;
    return {n > 0 ? v.u.mat.m[0] : nullptr, n};
}

void set_row(Value& result, const std::vector<double>& row) {
    const int n = static_cast<int>(row.size());
    Value out = value::make_int(0);
    value::set_matrix(out, n > 0 ? 1 : 0, n > 0 ? n : 0);
    for (int j = 0; j < n; ++j) out.u.mat.m[0][j] = row[static_cast<std::size_t>(j)];
    value::release(result);
    result = out;
}

// The variable a reference argument names; null for an int 0 (not wanted).
Value* reference_target(Value* args, int i) {
    Value& a = args[i];
    if (!value::is_null(a) && value::type_of(a) == value::T_Int && a.u.ival == 0) return nullptr;
    if (value::type_of(a) != value::T_Array || !value::has_flag(a, value::k_address) || !a.u.arr.v)
        arg_type_error(i, value::T_Address, &a);
    return a.u.arr.v;
}

void fn_polyeval(Value* r, Value* a, int) {
    const Coefficients c = coefficients(a, 0);
    const uint32_t t = value::type_of(a[1]);
    if (value::is_null(a[1]) || (t != value::T_Int && t != value::T_Double && t != value::T_Matrix && t != value::T_Vector))
        arg_type_error(1, value::T_Double, &a[1]);
    // The argument array shifted by one: fn_double reads its first record.
    fn_double(*r, a + 1, [c](double x) { return num::polynomial_eval(c.data, c.n, x); });
}

void fn_polymul(Value* r, Value* a, int) {
    const Coefficients x = coefficients(a, 0);
    const Coefficients y = coefficients(a, 1);
    std::vector<double> c(x.n > 0 && y.n > 0 ? static_cast<std::size_t>(x.n + y.n - 1) : 0);
    num::polynomial_multiply(x.data, x.n, y.data, y.n, c.data());
    set_row(*r, c);
}

void fn_polydiv(Value* r, Value* a, int) {
    const Coefficients x = coefficients(a, 0);
    const Coefficients y = coefficients(a, 1);
    check_type(value::T_Int, a, 2, 2);
    const int n = a[2].u.ival;
    if (n < 0) runtime::raise_run_error(runtime::E_NegativeDim);
    if (y.n == 0 || y.data[0] == 0) arg_error(1);
    std::vector<double> c(static_cast<std::size_t>(n));
    num::power_series_divide(x.data, x.n, y.data, y.n, n, c.data());
    set_row(*r, c);
}

void fn_polymake(Value* r, Value* a, int) {
    check_type(value::T_Matrix, a, 0, 0);
    const Value& v = a[0];
    const bool complex_roots = v.u.mat.r == 2;
    const int n = complex_roots ? v.u.mat.c : v.u.mat.r * v.u.mat.c;
    const double* re = n > 0 ? v.u.mat.m[0] : nullptr;
    const double* im = complex_roots && n > 0 ? v.u.mat.m[1] : nullptr;
    std::vector<double> c(static_cast<std::size_t>(n) + 1);
    num::polynomial_from_roots(re, im, n, c.data());
    set_row(*r, c);
}

void fn_polyroots(Value* r, Value* a, int) {
    const Coefficients c = coefficients(a, 0);
    Value* target = reference_target(a, 1);
    std::vector<double> re, im;
    const int info = num::polynomial_roots(c.data, c.n, re, im);
    if (info != 0) runtime::run_warning("polyroots", runtime::W_Decomposition);
    if (target) {
        const int n = static_cast<int>(re.size());
        Value out = value::make_int(0);
        value::set_matrix(out, n > 0 ? 2 : 0, n);
        for (int j = 0; j < n; ++j) {
            out.u.mat.m[0][j] = re[static_cast<std::size_t>(j)];
            out.u.mat.m[1][j] = im[static_cast<std::size_t>(j)];
        }
        value::release(*target);
        *target = out;
    }
    value::set_int(*r, info != 0 ? 1 : 0);
}

const DescriptorRow k_general[] = {
    {"cc$polyeval", fn_polyeval}, {"cc$polymul", fn_polymul},     {"ccc$polydiv", fn_polydiv},
    {"c$polymake", fn_polymake},  {"cc$polyroots", fn_polyroots},
};

}  // namespace

std::span<const DescriptorRow> poly_rows() { return k_general; }

}  // namespace kj::lib
