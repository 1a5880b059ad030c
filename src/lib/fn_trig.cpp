// Trigonometric, inverse trigonometric and hyperbolic functions, element by
// element, and their GAUSS-dialect aliases (which share the native functions).
// sin, cos and tan are inline functions: their natives give the FNI results.
#include <cmath>

#include "lib/elementwise.h"
#include "lib/fn_math.h"
#include "lib/library_rows.h"

namespace kj::lib {

using value::Value;

void fn_sin(Value* r, Value* a, int) { apply_as_inline("sin", *r, a); }
void fn_cos(Value* r, Value* a, int) { apply_as_inline("cos", *r, a); }
void fn_tan(Value* r, Value* a, int) { apply_as_inline("tan", *r, a); }

namespace {
void fn_acos(Value* r, Value* a, int) { fn_double(*r, a, [](double x) { return std::acos(x); }); }
void fn_asin(Value* r, Value* a, int) { fn_double(*r, a, [](double x) { return std::asin(x); }); }
void fn_atan(Value* r, Value* a, int) { fn_double(*r, a, [](double x) { return std::atan(x); }); }
// y first, as in C: the angle of the point (x, y).
void fn_atan2(Value* r, Value* a, int) {
    fn_double2(*r, a, [](double y, double x) { return std::atan2(y, x); });
}
void fn_cosh(Value* r, Value* a, int) { fn_double(*r, a, [](double x) { return std::cosh(x); }); }
void fn_sinh(Value* r, Value* a, int) { fn_double(*r, a, [](double x) { return std::sinh(x); }); }
void fn_tanh(Value* r, Value* a, int) { fn_double(*r, a, [](double x) { return std::tanh(x); }); }

const DescriptorRow k_general[] = {
    {"c$acos", fn_acos}, {"c$asin", fn_asin}, {"c$atan", fn_atan}, {"cc$atan2", fn_atan2},
    {"c$cosh", fn_cosh}, {"c$sinh", fn_sinh}, {"c$tanh", fn_tanh},
    {"c$sin", fn_sin},   {"c$cos", fn_cos},   {"c$tan", fn_tan},
};
const DescriptorRow k_gauss[] = {
    {"c$gauss::arccos", fn_acos}, {"c$gauss::arcsin", fn_asin},   {"c$gauss::arctan", fn_atan},
    {"c$gauss::atan", fn_atan},   {"cc$gauss::arctan2", fn_atan2}, {"cc$gauss::atan2", fn_atan2},
    {"c$gauss::cosh", fn_cosh},   {"c$gauss::sinh", fn_sinh},     {"c$gauss::tanh", fn_tanh},
    {"c$gauss::sin", fn_sin},     {"c$gauss::cos", fn_cos},       {"c$gauss::tan", fn_tan},
};

}  // namespace

std::span<const DescriptorRow> trig_rows() { return k_general; }
std::span<const DescriptorRow> trig_gauss_rows() { return k_gauss; }

}  // namespace kj::lib
