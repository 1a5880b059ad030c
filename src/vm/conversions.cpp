#include "vm/conversions.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/alloc.h"
#include "value/matrix_cache.h"
#include "runtime/run_error.h"

namespace kj::vm {

using namespace value;

namespace {
[[noreturn, gnu::cold]] void cast_error(int code, const Value& v) { runtime::raise_run_error(code, describe(v)); }

// The first element of a matrix under the strictness rule, or null.
const double* first_element(const Value& v, Strictness s) {
    const int r = v.u.mat.r, c = v.u.mat.c;
    if (r < 1 || c < 1 || !v.u.mat.m) return nullptr;
    if (s == Strictness::Strict && (r != 1 || c != 1)) return nullptr;
    return &v.u.mat.m[0][0];
}

bool range_allowed(const Value& v, Strictness s) {
    return s == Strictness::Lenient || v.u.rng.last == KJ_RANGE_OPEN || v.u.rng.first == v.u.rng.last;
}

Value owned_matrix(int r, int c) {
    Value m{};
    set_matrix(m, r, c);
    return m;
}

// The record becomes `out`; its old payload is released.
void replace(Value& v, const Value& out) {
    release(v);
    v = out;
}

std::string format_double(double x) {
    if (FIsNaN(x)) return ".NaN";
    if (std::isinf(x)) return x > 0 ? "+.Inf" : "-.Inf";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", x);
    return buf;
}
}  // namespace

double packed_string(const char* s, int len) {
    unsigned char bytes[8] = {};
    if (s && len > 0) std::memcpy(bytes, s, static_cast<std::size_t>(len < 8 ? len : 8));
    double d;
    std::memcpy(&d, bytes, sizeof d);
    return d;
}

int32_t to_int(const Value& v, Strictness s) {
    if (!is_null(v)) {
        switch (type_of(v)) {
            case T_Int: return v.u.ival;
            case T_Double: return truncate_to_int(v.u.dval);
            case T_Matrix:
                if (const double* x = first_element(v, s)) return truncate_to_int(*x);
                break;
            case T_String: return v.u.str.len > 0 ? static_cast<signed char>(v.u.str.s[0]) : 0;
            case T_Range:
                if (range_allowed(v, s)) return v.u.rng.first;
                break;
            default: break;
        }
    }
    cast_error(runtime::E_CastInt, v);
}

SizeFault size_fault(double x) {
    if (x != x || x - x != 0) return SizeFault::NotANumber;  // NaN or an infinity
    if (x <= -1) return SizeFault::Negative;
    if (x >= 2147483648.0) return SizeFault::TooLarge;
    return SizeFault::None;
}

std::string number_text(double x) {
    if (x != x) return ".NaN";
    if (x - x != 0) return x > 0 ? ".Inf" : "-.Inf";
    char text[32];
    std::snprintf(text, sizeof text, "%g", x);
    return text;
}

int to_dimension(const Value& v) {
    if (!is_null(v) && type_of(v) != T_Int) {
        const double x = to_double(v);
        switch (size_fault(x)) {
            case SizeFault::NotANumber: runtime::raise_run_error(runtime::E_InvalidNumber, "dimension " + number_text(x));
            case SizeFault::TooLarge: runtime::raise_run_error(runtime::E_OutOfMemory, "dimension " + number_text(x));
            default: break;
        }
    }
    const int n = to_int(v);
    if (n < 0) runtime::raise_run_error(runtime::E_NegativeDim);
    return n;
}

double to_double(const Value& v, Strictness s) {
    if (!is_null(v)) {
        switch (type_of(v)) {
            case T_Int: return v.u.ival;
            case T_Double: return v.u.dval;
            case T_Matrix:
                if (const double* x = first_element(v, s)) return *x;
                break;
            case T_String: return packed_string(v.u.str.s, v.u.str.len);
            case T_Range:
                if (range_allowed(v, s)) return v.u.rng.first;
                break;
            default: break;
        }
    }
    cast_error(runtime::E_CastDouble, v);
}

void convert_to_int(Value& v) {
    if (type_of(v) == T_Int && !is_null(v)) return;
    const int32_t i = to_int(v);
    replace(v, make_int(i));
}

void convert_to_double(Value& v) {
    if (type_of(v) == T_Double && !is_null(v)) return;
    const double d = to_double(v);
    replace(v, make_double(d));
}

void convert_to_matrix(Value& v) {
    if (is_null(v)) cast_error(runtime::E_CastMatrix, v);
    switch (type_of(v)) {
        case T_Matrix: return;
        case T_Int:
        case T_Double:
        case T_String: {
            const double x = type_of(v) == T_String
                                 ? (v.u.str.len > 0 ? static_cast<signed char>(v.u.str.s[0]) : 0)
                                 : to_double(v);
            Value m = owned_matrix(1, 1);
            m.u.mat.m[0][0] = x;
            replace(v, m);
            return;
        }
        case T_Range: {
            const int first = v.u.rng.first, last = v.u.rng.last;
            const int n = (last < 0 || last < first) ? 0 : last - first + 1;
            Value m = owned_matrix(n > 0 ? 1 : 0, n > 0 ? n : 0);
            for (int k = 0; k < n; ++k) m.u.mat.m[0][k] = first + k;
            replace(v, m);
            return;
        }
        case T_Array: {
            // An array of scalars becomes a row, as it is sized (1 by count).
            const int n = v.u.arr.n;
            for (int k = 0; k < n; ++k) {
                const Value& e = v.u.arr.v[k];
                const bool scalar = !is_null(e) && (type_of(e) == T_Int || type_of(e) == T_Double ||
                                                    (type_of(e) == T_Matrix && e.u.mat.r == 1 && e.u.mat.c == 1));
                if (!scalar) cast_error(runtime::E_CastMatrix, v);
            }
            Value m = owned_matrix(n > 0 ? 1 : 0, n);
            for (int k = 0; k < n; ++k) m.u.mat.m[0][k] = to_double(v.u.arr.v[k]);
            replace(v, m);
            return;
        }
        default: cast_error(runtime::E_CastMatrix, v);
    }
}

void convert_to_string(Value& v) {
    if (!is_null(v) && type_of(v) == T_String) return;
    std::string text;
    if (!is_null(v) && type_of(v) == T_Int) {
        text = std::to_string(v.u.ival);
    } else if (!is_null(v) && (type_of(v) == T_Double ||
                               (type_of(v) == T_Matrix && v.u.mat.r == 1 && v.u.mat.c == 1))) {
        text = format_double(to_double(v));
    } else {
        cast_error(runtime::E_Typecast, v);
    }
    Value s{};
    set_string(s, text);
    replace(v, s);
}

void wrap_in_array(Value& v) {
    Value a{};
    set_array(a, 1);
    // The element takes the payload; an alias is copied so that the array
    // owns everything it holds. An element is a variable of its own: neither
    // constant nor static because its value came from a literal or a member.
    // Copying an alias can run out of memory: the new array goes then.
    try {
        transfer(a.u.arr.v[0], v);
    } catch (...) {
        release(a);
        throw;
    }
    a.u.arr.v[0].type &= ~(k_const | k_static);
    v = a;
}

void convert_to_array(Value& v) {
    if (is_null(v)) cast_error(runtime::E_Typecast, v);
    const uint32_t t = type_of(v);
    if (t == T_Array) return;
    if (t == T_Matrix && has_flag(v, k_varargs)) {
        const int n = v.u.mat.r * v.u.mat.c;
        Value a{};
        set_array(a, n);
        for (int k = 0; k < n; ++k) a.u.arr.v[k] = make_double(v.u.mat.m[0][k]);
        replace(v, a);
        return;
    }
    v.type &= ~k_varargs;
    wrap_in_array(v);
}

void int_to_double(Value& v) {
    if (is_null(v)) return;
    if (type_of(v) == T_Int) {
        v = make_double(v.u.ival);
    } else if (type_of(v) == T_String) {
        const double d = packed_string(v.u.str.s, v.u.str.len);
        replace(v, make_double(d));
    }
}

void scalar_to_matrix(Value& v) {
    if (is_null(v) || (type_of(v) != T_Int && type_of(v) != T_Double)) return;
    const double x = type_of(v) == T_Int ? v.u.ival : v.u.dval;
    Value m = owned_matrix(1, 1);
    m.u.mat.m[0][0] = x;
    v = m;
}

}  // namespace kj::vm
