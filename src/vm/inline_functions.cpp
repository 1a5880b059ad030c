// FNI: the inline element-wise functions and size queries, applied to the
// top record in place.
#include <cmath>
#include <cstdlib>
#include <string>

#include <kj80x.h>

#include "link/inline_functions.h"
#include "num/distributions/normal.h"
#include "runtime/messages.h"
#include "num/vector_math.h"
#include "vm/operators.h"
#include "vm/operators_operand.h"

namespace kj::vm {

using namespace value;

namespace {

using enum link::InlineCode;

double sqr(double x) { return x * x; }

using DoubleFn = double (*)(double);

DoubleFn function_of(int code) {
    switch (code) {
        case F_Ceil: return [](double x) { return std::ceil(x); };
        case F_Cos: return [](double x) { return std::cos(x); };
        case F_Densn: return num::normal_density;
        case F_Exp: return [](double x) { return std::exp(x); };
        case F_Fabs: return [](double x) { return std::fabs(x); };
        case F_Floor: return [](double x) { return std::floor(x); };
        case F_Log: return [](double x) { return std::log(x); };
        case F_Probn: return num::normal_cdf;
        case F_Quann: return num::normal_quantile;
        case F_Round: return [](double x) { return std::round(x); };
        case F_Sin: return [](double x) { return std::sin(x); };
        case F_Sqr: return sqr;
        case F_Sqrt: return [](double x) { return std::sqrt(x); };
        case F_Tailn: return num::normal_tail;
        case F_Tan: return [](double x) { return std::tan(x); };
        case F_Trunc: return [](double x) { return std::trunc(x); };
        case F_Log10: return [](double x) { return std::log10(x); };
        default: return nullptr;
    }
}

// round and trunc keep an int an int; every other function, ceil, floor and
// fabs included, gives a double, as the library functions do.
bool keeps_int(int code) { return code == F_Round || code == F_Trunc; }

void size_query(int code, Value& top) {
    int n = 0;
    switch (code) {
        case F_Rows: n = rows(top); break;
        case F_Columns: n = columns(top); break;
        case F_Sizer: n = size_r(top); break;
        case F_Sizec: n = size_c(top); break;
        case F_Sizerc: case F_Sizeof: n = size_r(top) * size_c(top); break;
        default: break;
    }
    release(top);
    top = make_int(n);
}

// exp, log, sqrt, sin and cos of a matrix through the vector kernels.
bool vectorised(int code, Value& top, const Num& n) {
    num::VectorFunction f;
    switch (code) {
        case F_Exp: f = num::VectorFunction::Exp; break;
        case F_Log: f = num::VectorFunction::Log; break;
        case F_Sqrt: f = num::VectorFunction::Sqrt; break;
        case F_Sin: f = num::VectorFunction::Sin; break;
        case F_Cos: f = num::VectorFunction::Cos; break;
        default: return false;
    }
    if (owns(top)) {
        num::vector_map(f, n.p, n.p, n.count());
        return true;
    }
    MatrixTemp t(n.r, n.c);
    num::vector_map(f, t.data(), n.p, n.count());
    finish_unary(top, t.take());
    return true;
}

}  // namespace

void apply_inline(int code, Value& top) {
    if (type_of(top) == T_Vector) materialize(top);
    if (link::is_size_query(code)) return size_query(code, top);
    const DoubleFn f = function_of(code);
    if (!f) return;  // an unknown code leaves the record as it is
    const Num n = numeric(top);
    switch (n.kind) {
        case Num::Int:
            if (keeps_int(code)) return;
            if (code == F_Ceil || code == F_Floor) {
                top = make_double(n.i);
                return;
            }
            if (code == F_Sqr && std::abs(n.i) < 32768) {
                top.u.ival = n.i * n.i;
                return;
            }
            top = make_double(f(n.i));
            return;
        case Num::Dbl:
            top = make_double(f(n.d));
            return;
        case Num::Mat:
            if (vectorised(code, top, n)) return;
            if (owns(top)) {
                num::map1(n.p, n.p, n.count(), f);
                return;
            } else {
                MatrixTemp t(n.r, n.c);
                num::map1(t.data(), n.p, n.count(), f);
                finish_unary(top, t.take());
            }
            return;
        default:
            if (code == F_Densn || code == F_Probn || code == F_Quann || code == F_Tailn) {
                // The distribution functions report as their library form does.
                const std::string text = std::string(link::inline_function_name(code)) +
                                         "(): type error in argument 1; expected: " + type_table_name(T_Double) +
                                         ", found: " + describe(top);
                runtime::run_message(text.c_str());
                runtime::raise_run_error(runtime::E_ArgError);
            }
            runtime::raise_run_error(runtime::E_BadOperand, std::string(link::inline_function_name(code)) + "(" + describe(top) + ")");
    }
}

}  // namespace kj::vm
