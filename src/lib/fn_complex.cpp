// Complex helpers on 2 x n matrices (row 0 real parts, row 1 imaginary
// parts); a 1 x n row or a scalar is real. Results are 2 x n (cabs: 1 x n).
#include <cmath>
#include <complex>

#include "lib/fn_math.h"
#include "lib/library_rows.h"
#include "num/complex_functions.h"

namespace kj::lib {

namespace {
using num::Complex;
using value::Value;

// A complex operand read from a checked argument.
struct ComplexArg {
    const double* re = nullptr;
    const double* im = nullptr;  // null: real
    int n = 0;
    Complex at(int j) const {
        const int k = n == 1 ? 0 : j;
        return {re[k], im ? im[k] : 0.0};
    }
};

// args[i] as a complex row: a matrix of at most two rows (an int or double
// is a 1 x 1 matrix); more rows: error in the argument.
ComplexArg complex_arg(Value* args, int i) {
    check_type(value::T_Matrix, args, i, i);
    const Value& v = args[i];
    if (v.u.mat.r > 2) arg_error(i);
    ComplexArg z;
    if (v.u.mat.r == 0 || v.u.mat.c == 0) return z;
    z.n = v.u.mat.c;
    z.re = v.u.mat.m[0];
    z.im = v.u.mat.r == 2 ? v.u.mat.m[1] : nullptr;
    return z;
}

void set_complex_result(Value& result, int n, auto element) {
    if (n == 0) {
        value::set_matrix(result, 0, 0);
        return;
    }
    Value out = value::make_int(0);
    value::set_matrix(out, 2, n);
    for (int j = 0; j < n; ++j) {
        const Complex w = element(j);
        out.u.mat.m[0][j] = w.real();
        out.u.mat.m[1][j] = w.imag();
    }
    value::release(result);
    result = out;
}

template <Complex (*F)(Complex)>
void complex_unary(Value* r, Value* a, int) {
    const ComplexArg z = complex_arg(a, 0);
    set_complex_result(*r, z.n, [&](int j) { return F(z.at(j)); });
}

// Two operands: one column serves every column of the other; otherwise the
// column counts agree.
template <Complex (*F)(Complex, Complex)>
void complex_binary(Value* r, Value* a, int) {
    const ComplexArg x = complex_arg(a, 0);
    const ComplexArg y = complex_arg(a, 1);
    int n = x.n;
    if (x.n == 0 || y.n == 0)
        n = 0;
    else if (x.n == 1)
        n = y.n;
    else if (y.n != 1 && y.n != x.n)
        arg_size_error(1, a[1], a[1].u.mat.r, x.n);
    set_complex_result(*r, n, [&](int j) { return F(x.at(j), y.at(j)); });
}

Complex c_exp(Complex z) { return std::exp(z); }
Complex c_log(Complex z) { return std::log(z); }
Complex c_sqrt(Complex z) { return std::sqrt(z); }
Complex c_sin(Complex z) { return std::sin(z); }
Complex c_cos(Complex z) { return std::cos(z); }
Complex c_tan(Complex z) { return std::tan(z); }
Complex c_cot(Complex z) { return std::cos(z) / std::sin(z); }
Complex c_mul(Complex x, Complex y) { return x * y; }
Complex c_div(Complex x, Complex y) { return x / y; }

void fn_cabs(Value* r, Value* a, int) {
    const ComplexArg z = complex_arg(a, 0);
    if (z.n == 0) {
        value::set_matrix(*r, 0, 0);
        return;
    }
    Value out = value::make_int(0);
    value::set_matrix(out, 1, z.n);
    for (int j = 0; j < z.n; ++j) out.u.mat.m[0][j] = std::hypot(z.re[j], z.im ? z.im[j] : 0.0);
    value::release(*r);
    *r = out;
}

void fn_cpolygamma(Value* r, Value* a, int) {
    check_type(value::T_Int, a, 1, 1);
    const int n = a[1].u.ival;
    if (n < 0) arg_error(1);
    const ComplexArg z = complex_arg(a, 0);
    set_complex_result(*r, z.n, [&](int j) { return num::complex_polygamma(n, z.at(j)); });
}

const DescriptorRow k_general[] = {
    {"c$cabs", fn_cabs},
    {"c$cexp", complex_unary<c_exp>},
    {"c$clog", complex_unary<c_log>},
    {"c$csqrt", complex_unary<c_sqrt>},
    {"c$csin", complex_unary<c_sin>},
    {"c$ccos", complex_unary<c_cos>},
    {"c$ctan", complex_unary<c_tan>},
    {"c$ccot", complex_unary<c_cot>},
    {"c$cerf", complex_unary<num::complex_erf>},
    {"c$cgammafact", complex_unary<num::complex_gamma>},
    {"c$cloggamma", complex_unary<num::complex_log_gamma>},
    {"cc$cpolygamma", fn_cpolygamma},
    {"cc$cmul", complex_binary<c_mul>},
    {"cc$cdiv", complex_binary<c_div>},
    {"cc$cpow", complex_binary<num::complex_pow>},
};

}  // namespace

std::span<const DescriptorRow> complex_rows() { return k_general; }

}  // namespace kj::lib
