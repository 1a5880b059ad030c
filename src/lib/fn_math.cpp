// Element-wise math built-ins: the inline family (shared with the FNI code the
// compiler emits for them), rounding, remainders, powers and bit operations on
// 32-bit ints.
#include "lib/fn_math.h"

#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <vector>

#include "lib/elementwise.h"
#include "lib/library_rows.h"
#include "link/inline_functions.h"
#include "num/fuzziness.h"
#include "num/vector_math.h"
#include "vm/conversions.h"
#include "vm/operators.h"

namespace kj::lib {

using value::Value;

void apply_as_inline(const char* name, Value& result, Value* args) {
    Value& a = args[0];
    const uint32_t t = value::type_of(a);
    if (value::is_null(a) || (t != value::T_Int && t != value::T_Double && t != value::T_Matrix && t != value::T_Vector))
        arg_type_error(0, value::T_Double, &a);
    if (t == value::T_Vector) value::materialize(a);
    Value v = a;  // an alias: the inline function copies a matrix it does not own
    v.type &= ~(value::k_owns | value::k_const);
    vm::apply_inline(link::inline_function_code(name), v);
    value::release(result);
    result = v;
}

void fn_exp(Value* r, Value* a, int) { apply_as_inline("exp", *r, a); }
void fn_log(Value* r, Value* a, int) { apply_as_inline("log", *r, a); }
void fn_log10(Value* r, Value* a, int) { apply_as_inline("log10", *r, a); }
void fn_sqrt(Value* r, Value* a, int) { apply_as_inline("sqrt", *r, a); }
void fn_sqr(Value* r, Value* a, int) { apply_as_inline("sqr", *r, a); }
void fn_ceil(Value* r, Value* a, int) { apply_as_inline("ceil", *r, a); }
void fn_floor(Value* r, Value* a, int) { apply_as_inline("floor", *r, a); }
void fn_round(Value* r, Value* a, int) { apply_as_inline("round", *r, a); }
void fn_trunc(Value* r, Value* a, int) { apply_as_inline("trunc", *r, a); }
void fn_fabs(Value* r, Value* a, int) { apply_as_inline("fabs", *r, a); }

namespace {
// --- element-wise operations on ints --------------------------------------

bool is_one_by_one(const Value& v) { return v.u.mat.r == 1 && v.u.mat.c == 1; }

// Element e of an argument that passed element_shape, truncated to a 32-bit int.
int32_t int_at(const Value& v, std::size_t e) {
    switch (value::type_of(v)) {
        case value::T_Int: return v.u.ival;
        case value::T_Double: return vm::truncate_to_int(v.u.dval);
        default: return vm::truncate_to_int(is_one_by_one(v) ? v.u.mat.m[0][0] : v.u.mat.m[0][e]);
    }
}

// f(x, n) over the elements, x holding the n truncated arguments of one
// element; an int result for scalars, a matrix otherwise.
template <class F>
void map_ints(Value& result, Value* args, int n, F f) {
    const ElementShape s = element_shape(args, n);
    std::vector<int32_t> x(static_cast<std::size_t>(n));
    auto element = [&](std::size_t e) {
        for (int k = 0; k < n; ++k) x[static_cast<std::size_t>(k)] = int_at(args[k], e);
        return f(x.data(), n);
    };
    if (!s.matrix) {
        value::set_int(result, element(0));
        return;
    }
    // The result record owns the matrix at once, so an error part-way leaks nothing.
    value::set_matrix(result, s.r, s.c);
    const std::size_t count = static_cast<std::size_t>(s.r) * static_cast<std::size_t>(s.c);
    for (std::size_t e = 0; e < count; ++e) result.u.mat.m[0][e] = element(e);
}

int32_t checked_divisor(int32_t b) {
    if (b == 0) runtime::raise_run_error(runtime::E_DivideByZero);
    return b;
}

// C int division and remainder; INT_MIN / −1 wraps instead of trapping.
int32_t int_quotient(const int32_t* x, int) {
    const int32_t b = checked_divisor(x[1]);
    return b == -1 ? static_cast<int32_t>(0u - static_cast<uint32_t>(x[0])) : x[0] / b;
}
int32_t int_remainder(const int32_t* x, int) {
    const int32_t b = checked_divisor(x[1]);
    return b == -1 ? 0 : x[0] % b;
}

int32_t bit_and(const int32_t* x, int n) {
    int32_t v = x[0];
    for (int k = 1; k < n; ++k) v &= x[k];
    return v;
}
int32_t bit_or(const int32_t* x, int n) {
    int32_t v = x[0];
    for (int k = 1; k < n; ++k) v |= x[k];
    return v;
}
int32_t bit_xor(const int32_t* x, int n) {
    int32_t v = x[0];
    for (int k = 1; k < n; ++k) v ^= x[k];
    return v;
}
int32_t bit_count(const int32_t* x, int n) {
    int32_t v = 0;
    for (int k = 0; k < n; ++k) v += std::popcount(static_cast<uint32_t>(x[k]));
    return v;
}
int32_t bit_complement(const int32_t* x, int) { return ~x[0]; }

void fn_idiv(Value* r, Value* a, int) { map_ints(*r, a, 2, int_quotient); }
void fn_imod(Value* r, Value* a, int) { map_ints(*r, a, 2, int_remainder); }
void fn_binand(Value* r, Value* a, int n) { map_ints(*r, a, n, bit_and); }
void fn_binor(Value* r, Value* a, int n) { map_ints(*r, a, n, bit_or); }
void fn_binxor(Value* r, Value* a, int n) { map_ints(*r, a, n, bit_xor); }
void fn_binpop(Value* r, Value* a, int n) { map_ints(*r, a, n, bit_count); }
void fn_bincomp(Value* r, Value* a, int) { map_ints(*r, a, 1, bit_complement); }

// The positions of the 1 bits, increasing, as a row vector.
void fn_binvec(Value* r, Value* a, int) {
    check_type(value::T_Int, a, 0, 0);
    const auto bits = static_cast<uint32_t>(a[0].u.ival);
    const int n = std::popcount(bits);
    if (n == 0) {
        value::set_matrix(*r, 0, 0);
        return;
    }
    value::set_matrix(*r, 1, n);
    int k = 0;
    for (int i = 0; i < 32; ++i)
        if (bits & (1u << i)) r->u.mat.m[0][k++] = i;
}

// --- double results ----------------------------------------------------------

void fn_truncf(Value* r, Value* a, int) { fn_double(*r, a, num::fuzzy_trunc); }
void fn_fmod(Value* r, Value* a, int) {
    fn_double2(*r, a, [](double x, double y) { return std::fmod(x, y); });
}
namespace {
// The one exponent of y (an int, a double or a 1 x 1 matrix), if it is one.
bool one_exponent(const Value& y, double& e) {
    if (value::is_null(y)) return false;
    switch (value::type_of(y)) {
        case value::T_Int: e = static_cast<double>(y.u.ival); return true;
        case value::T_Double: e = y.u.dval; return true;
        case value::T_Matrix:
            if (y.u.mat.r != 1 || y.u.mat.c != 1) return false;
            e = y.u.mat.m[0][0];
            return true;
        default: return false;
    }
}

// pow of a matrix by one exponent or by a matrix of its shape, on the vector
// kernels; false leaves every other case to the general element-wise rules.
bool pow_of_block(Value& result, Value* args) {
    const Value &x = args[0], &y = args[1];
    if (value::is_null(x) || value::type_of(x) != value::T_Matrix) return false;
    const int r = x.u.mat.r, c = x.u.mat.c;
    if (static_cast<long>(r) * c < 2) return false;
    double e = 0;
    const bool scalar = one_exponent(y, e);
    if (!scalar && (value::is_null(y) || value::type_of(y) != value::T_Matrix || y.u.mat.r != r || y.u.mat.c != c))
        return false;
    Value out{};
    value::set_matrix(out, r, c);
    const std::size_t n = static_cast<std::size_t>(r) * static_cast<std::size_t>(c);
    if (scalar)
        num::vector_pow_scalar(out.u.mat.m[0], x.u.mat.m[0], e, n);
    else
        num::vector_pow(out.u.mat.m[0], x.u.mat.m[0], y.u.mat.m[0], n);
    value::release(result);
    result = out;
    return true;
}
}  // namespace

void fn_pow(Value* r, Value* a, int) {
    if (pow_of_block(*r, a)) return;
    fn_double2(*r, a, [](double x, double y) { return std::pow(x, y); });
}

const DescriptorRow k_general[] = {
    {"c$exp", fn_exp},       {"c$log", fn_log},         {"c$log10", fn_log10},   {"c$sqrt", fn_sqrt},
    {"c$sqr", fn_sqr},       {"c$ceil", fn_ceil},       {"c$floor", fn_floor},   {"c$round", fn_round},
    {"c$trunc", fn_trunc},   {"c$truncf", fn_truncf},   {"c$fabs", fn_fabs},     {"cc$fmod", fn_fmod},
    {"cc$idiv", fn_idiv},    {"cc$imod", fn_imod},      {"cc$pow", fn_pow},      {"cc$binand", fn_binand, 1},
    {"cc$binor", fn_binor, 1}, {"cc$binxor", fn_binxor, 1}, {"c$binpop", fn_binpop, 1}, {"c$bincomp", fn_bincomp},
    {"c$binvec", fn_binvec},
};
const DescriptorRow k_gauss[] = {
    {"c$gauss::abs", fn_fabs},     {"c$gauss::ceil", fn_ceil}, {"c$gauss::exp", fn_exp},
    {"c$gauss::ln", fn_log},       {"c$gauss::log", fn_log10}, {"c$gauss::round", fn_round},
    {"c$gauss::sqrt", fn_sqrt},    {"c$gauss::trunc", fn_trunc}, {"cc$gauss::fmod", fn_fmod},
};

}  // namespace

std::span<const DescriptorRow> math_rows() { return k_general; }
std::span<const DescriptorRow> math_gauss_rows() { return k_gauss; }

}  // namespace kj::lib
