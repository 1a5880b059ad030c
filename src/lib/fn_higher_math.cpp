// Special functions, element by element: the gamma family, error and related
// integrals, Bessel functions, factorials and binomial coefficients.
#include <cmath>
#include <cstring>

#include "lib/elementwise.h"
#include "lib/fn_math.h"
#include "lib/library_rows.h"
#include "num/higher_functions.h"
#include "vm/conversions.h"

namespace kj::lib {

namespace {
using value::Value;

void fn_gammafact(Value* r, Value* a, int) { fn_double(*r, a, num::gamma_function); }
void fn_loggamma(Value* r, Value* a, int) { fn_double(*r, a, num::log_gamma); }
void fn_factorial(Value* r, Value* a, int) { fn_double(*r, a, num::factorial); }
void fn_dawson(Value* r, Value* a, int) { fn_double(*r, a, num::dawson); }
void fn_expint(Value* r, Value* a, int) { fn_double(*r, a, num::expint_e1); }
void fn_binomial(Value* r, Value* a, int) { fn_double2(*r, a, num::binomial); }
// x first, then the shape r.
void fn_gammafunc(Value* r, Value* a, int) {
    fn_double2(*r, a, [](double x, double shape) { return num::incomplete_gamma(shape, x); });
}
void fn_betafunc(Value* r, Value* a, int) { fn_double3(*r, a, num::incomplete_beta); }
void fn_polygamma(Value* r, Value* a, int) {
    fn_double_int(*r, a, [](double x, int n) { return num::polygamma(n, x); });
}
void fn_hyper_2f1(Value* r, Value* a, int) { fn_double4(*r, a, num::hypergeometric_2f1); }

// The Bessel type: a one-character string or its character code.
int bessel_type(Value& v) {
    int type = 0;
    const uint32_t t = value::type_of(v);
    if (value::is_null(v)) arg_error(1);
    if (t == value::T_String) {
        if (v.u.str.len != 1) arg_error(1);
        type = static_cast<unsigned char>(v.u.str.s[0]);
    } else if (t == value::T_Int || t == value::T_Double) {
        type = vm::to_int(v);
    } else {
        arg_error(1);
    }
    if (!std::strchr("JYIKik", type) || type == 0) arg_error(1);
    return type;
}

void fn_bessel(Value* r, Value* a, int) {
    const int type = bessel_type(a[1]);
    check_type(value::T_Int, a, 2, 2);
    const int nu = a[2].u.ival;
    if (nu < 0) arg_error(2);
    fn_double(*r, a, [type, nu](double x) { return num::bessel(type, nu, x); });
}

const DescriptorRow k_general[] = {
    {"c$gammafact", fn_gammafact}, {"c$loggamma", fn_loggamma},   {"c$factorial", fn_factorial},
    {"c$dawson", fn_dawson},       {"c$expint", fn_expint},
    {"cc$binomial", fn_binomial},  {"cc$gammafunc", fn_gammafunc}, {"ccc$betafunc", fn_betafunc},
    {"cc$polygamma", fn_polygamma}, {"cccc$hyper_2F1", fn_hyper_2f1}, {"ccc$bessel", fn_bessel},
};

const DescriptorRow k_gauss[] = {{"c$gauss::gamma", fn_gammafact}};

}  // namespace

std::span<const DescriptorRow> higher_math_rows() { return k_general; }
std::span<const DescriptorRow> higher_math_gauss_rows() { return k_gauss; }

}  // namespace kj::lib
