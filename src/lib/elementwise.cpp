#include "lib/elementwise.h"

#include <array>
#include <cstddef>

#include "lib/arg_checks.h"
#include "lib/conversions.h"
#include "value/matrix_cache.h"
#include "runtime/run_error.h"

namespace kj::lib {

using value::Value;

ElementShape element_shape(Value* args, int n) {
    ElementShape s;
    bool sized = false;
    for (int k = 0; k < n; ++k) {
        Value& a = args[k];
        if (!value::is_null(a) && value::type_of(a) == value::T_Vector) value::materialize(a);
        const uint32_t t = value::type_of(a);
        if (!value::is_null(a) && (t == value::T_Int || t == value::T_Double)) continue;
        if (value::is_null(a) || t != value::T_Matrix) arg_type_error(k, value::T_Double, &a);
        s.matrix = true;
        if (a.u.mat.r == 1 && a.u.mat.c == 1) continue;
        if (!sized) {
            s.r = a.u.mat.r;
            s.c = a.u.mat.c;
            sized = true;
        } else if (a.u.mat.r != s.r || a.u.mat.c != s.c) {
            arg_size_error(k, a, s.r, s.c);
        }
    }
    return s;
}

namespace {
struct Operand {
    const double* data;  // the elements, or the single value when `spread`
    double scalar;
    bool spread;         // one value for every element
};

// Checks the arguments, then writes f over the common shape into result.
template <std::size_t N, class Eval>
void apply(Value& result, Value* args, Eval eval) {
    std::array<Operand, N> ops{};
    int shape = -1;       // index of the argument that sets the shape
    bool any_matrix = false;
    for (std::size_t k = 0; k < N; ++k) {
        Value& a = args[k];
        if (!value::is_null(a) && value::type_of(a) == value::T_Vector) value::materialize(a);
        const int i = static_cast<int>(k);
        if (value::is_null(a)) arg_type_error(i, value::T_Double, &a);
        switch (value::type_of(a)) {
            case value::T_Int: ops[k] = {nullptr, static_cast<double>(a.u.ival), true}; break;
            case value::T_Double: ops[k] = {nullptr, a.u.dval, true}; break;
            case value::T_Matrix: {
                any_matrix = true;
                const bool one = a.u.mat.r == 1 && a.u.mat.c == 1;
                ops[k] = {one ? nullptr : (a.u.mat.m ? a.u.mat.m[0] : nullptr), one ? a.u.mat.m[0][0] : 0, one};
                if (!one && shape < 0) shape = i;
                break;
            }
            default: arg_type_error(i, value::T_Double, &a);
        }
    }
    if (!any_matrix) {
        std::array<double, N> x;
        for (std::size_t k = 0; k < N; ++k) x[k] = ops[k].scalar;
        value::set_double(result, eval(x));
        return;
    }
    const int r = shape < 0 ? 1 : args[shape].u.mat.r;
    const int c = shape < 0 ? 1 : args[shape].u.mat.c;
    for (std::size_t k = 0; k < N; ++k)
        if (!ops[k].spread && !matrix_size_matches(args[k].u.mat.r, args[k].u.mat.c, r, c))
            arg_size_error(static_cast<int>(k), args[k], r, c);

    Value out{};
    out.type = value::T_Matrix | value::k_owns;
    out.u.mat.r = r;
    out.u.mat.c = c;
    const long n = static_cast<long>(r) * c;
    if (r > 0) {
        out.u.mat.m = value::mat_alloc_cached(r, c);
        if (!out.u.mat.m) runtime::raise_run_error(runtime::E_OutOfMemory);
    }
    double* dst = n > 0 ? out.u.mat.m[0] : nullptr;
    std::array<double, N> x;
    for (long e = 0; e < n; ++e) {
        for (std::size_t k = 0; k < N; ++k) x[k] = ops[k].spread ? ops[k].scalar : ops[k].data[e];
        dst[e] = eval(x);
    }
    value::release(result);
    result = out;
}
}  // namespace

void fn_double(Value& result, Value* args, double (*f)(double)) {
    apply<1>(result, args, [f](const std::array<double, 1>& x) { return f(x[0]); });
}

void fn_double2(Value& result, Value* args, double (*f)(double, double)) {
    apply<2>(result, args, [f](const std::array<double, 2>& x) { return f(x[0], x[1]); });
}

void fn_double3(Value& result, Value* args, double (*f)(double, double, double)) {
    apply<3>(result, args, [f](const std::array<double, 3>& x) { return f(x[0], x[1], x[2]); });
}

void fn_double4(Value& result, Value* args, double (*f)(double, double, double, double)) {
    apply<4>(result, args, [f](const std::array<double, 4>& x) { return f(x[0], x[1], x[2], x[3]); });
}

void fn_double_int(Value& result, Value* args, double (*f)(double, int)) {
    apply<2>(result, args, [f](const std::array<double, 2>& x) { return f(x[0], vm::truncate_to_int(x[1])); });
}

}  // namespace kj::lib
