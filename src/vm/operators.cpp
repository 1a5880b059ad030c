// OPR: dispatch by operator code, the scalar type rules, comparisons, `.?`,
// ranges, casts and the remaining one-line operators.
#include "vm/operators.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "link/operator_arity.h"
#include "link/operator_codes.h"
#include "runtime/alloc.h"
#include "value/matrix_block.h"
#include "vm/conversions.h"
#include "vm/objects.h"
#include "vm/operators_operand.h"
#include "link/scalar_operators.h"

namespace kj::vm {

using namespace value;
using namespace link;

const char* operator_text(int code) {
    switch (code) {
#define KJ_OPERATOR(name, code, text, arity, level, token) case code: return text;
#include "link/operators.def"
        default: return "<token>";
    }
}

void raise_bad_operand(const Value& left, int code, const Value& right) {
    runtime::raise_run_error(runtime::E_BadOperand, describe(left) + " " + operator_text(code) + " " + describe(right));
}

void raise_bad_operand(int code, const Value& operand) {
    runtime::raise_run_error(runtime::E_BadOperand, std::string(operator_text(code)) + " " + describe(operand));
}

MatrixTemp::MatrixTemp(int64_t r, int64_t c) {
    if (r < 0 || c < 0) runtime::raise_run_error(runtime::E_NegativeDim);
    r_ = value::dimension(r);
    c_ = value::dimension(c);
    if (r_ > 0) {
        m_ = mat_alloc_cached(r_, c_);
        if (!m_) runtime::raise_run_error(runtime::E_OutOfMemory, "matrix[" + std::to_string(r) + "][" + std::to_string(c) + "]");
    }
}

Value MatrixTemp::take() {
    Value v{};
    v.type = value::T_Matrix | k_owns;
    v.u.mat.r = r_;
    v.u.mat.c = c_;
    v.u.mat.m = m_;
    m_ = nullptr;
    return v;
}

namespace {

// --- relations and products ------------------------------------------------

// Relations on doubles: two NaN are equal, a NaN against a number differs,
// any NaN makes an ordering false.
bool relation(int code, double a, double b) {
    switch (code) {
        case T_Eq: case T_DotEq: return data_equal(a, b);
        case T_Ne: case T_DotNe: return !data_equal(a, b);
        case T_Lt: case T_DotLt: return a < b;
        case T_Le: case T_DotLe: return a <= b;
        case T_Gt: case T_DotGt: return a > b;
        case T_Ge: case T_DotGe: return a >= b;
        default: return false;
    }
}

// --- comparisons giving int 0 or 1 ----------------------------------------

int compare_strings(const Value& l, const Value& r) {
    const int n = l.u.str.len < r.u.str.len ? l.u.str.len : r.u.str.len;
    const int c = n > 0 ? std::memcmp(l.u.str.s, r.u.str.s, static_cast<std::size_t>(n)) : 0;
    if (c != 0) return c;
    return l.u.str.len - r.u.str.len;
}

bool order_holds(int code, int c) {
    switch (code) {
        case T_Lt: return c < 0;
        case T_Le: return c <= 0;
        case T_Gt: return c > 0;
        case T_Ge: return c >= 0;
        case T_Ne: return c != 0;
        default: return c == 0;
    }
}

// Every element of a (n elements) against the scalar y, or y against every
// element when the scalar is on the left.
bool all_against_scalar(int code, const double* p, std::size_t n, double y, bool scalar_left) {
    if (n == 0) return false;
    for (std::size_t k = 0; k < n; ++k)
        if (!(scalar_left ? relation(code, y, p[k]) : relation(code, p[k], y))) return false;
    return true;
}

// On numbers every relation, `!=` included, must hold for each pair of
// elements (or each element against a scalar); matrices of different shapes
// and empty ones satisfy none. Values without value, and records that are
// neither numbers nor strings, are only equal or different.
bool relation_holds(int code, const Value& l, const Value& r) {
    const bool equality = code == T_Eq || code == T_Ne;
    if (equality && (is_null(l) || is_null(r))) return (is_null(l) && is_null(r)) == (code == T_Eq);
    if (!is_null(l) && !is_null(r) && type_of(l) == value::T_String && type_of(r) == value::T_String)
        return order_holds(code, compare_strings(l, r));
    const Num a = numeric(l), b = numeric(r);
    if (a.kind != Num::Other && b.kind != Num::Other) {
        if (a.scalar_like() && b.scalar_like()) {
            if (a.kind == Num::Int && b.kind == Num::Int) return relation(code, a.i, b.i);
            return relation(code, a.scalar(), b.scalar());
        }
        if (b.scalar_like()) return all_against_scalar(code, a.p, a.count(), b.scalar(), false);
        if (a.scalar_like()) return all_against_scalar(code, b.p, b.count(), a.scalar(), true);
        if (!(a.shape() == b.shape()) || a.count() == 0) return false;
        for (std::size_t k = 0, n = a.count(); k < n; ++k)
            if (!relation(code, a.p[k], b.p[k])) return false;
        return true;
    }
    if (!equality) raise_bad_operand(l, code, r);
    // Other records are equal only when they are the same value.
    const bool same = type_of(l) == type_of(r) && std::memcmp(&l.u, &r.u, sizeof l.u) == 0;
    return same == (code == T_Eq);
}

void comparison(int code, Value*& sp) { finish_binary(sp, make_int(relation_holds(code, sp[-1], sp[0]))); }

bool is_string(const Value& v) { return !is_null(v) && type_of(v) == value::T_String; }

// --- arithmetic -----------------------------------------------------------

void arithmetic(int code, Value*& sp) {
    Value& l = sp[-1];
    Value& r = sp[0];
    if (code == T_Plus && is_string(l) && is_string(r)) return concatenate(T_Tilde, sp);
    const Num a = numeric(l), b = numeric(r);
    if (a.kind == Num::Other || b.kind == Num::Other) raise_bad_operand(l, code, r);

    const bool both_matrices = a.is_matrix() && b.is_matrix();
    switch (code) {
        case T_Star:
            if (both_matrices && !a.scalar_like() && !b.scalar_like()) return matrix_product(code, sp);
            break;
        case T_Slash:
            if (b.is_matrix() && !b.scalar_like()) return matrix_right_division(sp);
            break;
        case T_Caret:
            if (a.is_matrix() && !a.scalar_like() && !(b.is_matrix() && b.scalar_like())) return matrix_power(sp);
            break;
        case T_StarStar:
            if (both_matrices) return kronecker_product(sp);
            break;
        case T_G_StarTilde:
            if (both_matrices) return horizontal_direct_product(sp);
            break;
        case T_XYt:
            if (b.is_matrix()) return product_transposed_right(sp);
            break;
        default: break;
    }
    elementwise(code, sp, a, b);
}

// --- unary operators --------------------------------------------------------

template <class F>
void unary_elementwise(int code, Value& top, F f) {
    const Num n = numeric(top);
    if (!n.is_matrix()) raise_bad_operand(code, top);
    if (owns(top)) {
        num::map1(n.p, n.p, n.count(), f);
        return;
    }
    MatrixTemp t(n.r, n.c);
    num::map1(t.data(), n.p, n.count(), f);
    finish_unary(top, t.take());
}

// Scalars never reach these: apply_operator gives them to the scalar table.
void negate(Value& top) { unary_elementwise(T_UnaryMinus, top, [](double x) { return -x; }); }

void logical_not(Value& top) {
    unary_elementwise(T_Not, top, [](double x) { return x == 0 ? 1.0 : 0.0; });
}

void step(int code, Value& top) {
    const double d = code == T_PlusPlus ? 1 : -1;
    unary_elementwise(code, top, [d](double x) { return x + d; });
}

// --- .? ---------------------------------------------------------------------

// Row and column strides of an operand broadcast against `so`.
struct Strided {
    double scalar = 0;
    const double* p = nullptr;
    std::size_t row = 0, col = 0;
    double at(int i, int j) const { return p ? p[i * row + j * col] : scalar; }
};

Strided strided(const Num& n) {
    Strided s;
    if (n.scalar_like()) {
        s.scalar = n.scalar();
        return s;
    }
    s.p = n.p;
    s.row = n.r == 1 ? 0 : static_cast<std::size_t>(n.c);
    s.col = n.c == 1 ? 0 : 1;
    return s;
}

// Combines a shape with another under the broadcasting rule; false if they clash.
bool widen(num::Shape& so, const Num& n) {
    if (n.scalar_like()) return true;
    if (so.r == 1 && so.c == 1) {
        so = n.shape();
        return true;
    }
    if (n.r == 0 || n.c == 0 || so.r == 0 || so.c == 0) {
        so = {0, 0};
        return true;
    }
    if (n.r != so.r && n.r != 1 && so.r != 1) return false;
    if (n.c != so.c && n.c != 1 && so.c != 1) return false;
    so = {n.r > so.r ? n.r : so.r, n.c > so.c ? n.c : so.c};
    return true;
}

void select(Value*& sp) {
    Value& cond = sp[-2];
    Value& first = sp[-1];
    Value& second = sp[0];
    const Num c = numeric(cond), a = numeric(first), b = numeric(second);
    if (c.kind == Num::Other) raise_bad_operand(cond, T_DotQuestion, first);
    if (!c.is_matrix()) {
        // A scalar condition takes one value whole.
        Value& chosen = c.scalar() != 0 ? first : second;
        Value result{};
        transfer(result, chosen);
        value::release(second);
        value::release(first);
        value::release(cond);
        cond = result;
        sp -= 2;
        return;
    }
    if (a.kind == Num::Other) raise_bad_operand(cond, T_DotQuestion, first);
    if (b.kind == Num::Other) raise_bad_operand(cond, T_DotQuestion, second);
    num::Shape so{1, 1};
    if (!widen(so, c) || !widen(so, a) || !widen(so, b)) raise_bad_operand(first, T_DotQuestion, second);
    MatrixTemp t(so.r, so.c);
    const Strided sc = strided(c), s1 = strided(a), s2 = strided(b);
    double* out = t.data();
    for (int i = 0; i < so.r; ++i)
        for (int j = 0; j < so.c; ++j) *out++ = sc.at(i, j) != 0 ? s1.at(i, j) : s2.at(i, j);
    value::release(second);
    value::release(first);
    value::release(cond);
    cond = t.take();
    sp -= 2;
}

// --- small operators ----------------------------------------------------------

void make_range(Value*& sp) {
    const int32_t first = to_int(sp[-1]);
    const int32_t last = to_int(sp[0]);
    Value range{};
    range.type = T_Range;
    range.u.rng.first = first;
    range.u.rng.last = last;
    finish_binary(sp, range);
}

bool materialises_operands(int code) { return code != T_FullRange; }

// Number of operand records an operator reads (0 for codes it ignores).
int arity(int code) { return link::operator_arity(code); }

// Int and double operands (n of them): the scalar table decides; false when
// it does not apply. Only the records an operator reads are looked at: below
// them the stack may hold nothing.
bool scalar_operator(int code, int n, Value*& sp) {
    const int kr = n >= 1 ? link::scalar::kind(*sp) : 0;
    if (!kr) return false;
    if (link::scalar::unary(code, *sp, kr)) return true;
    const int kl = n == 2 ? link::scalar::kind(sp[-1]) : 0;
    if (kl && link::scalar::binary(code, sp[-1], sp[-1], kl, *sp, kr)) {
        --sp;
        return true;
    }
    return false;
}

}  // namespace

void apply_operator(int code, Value*& sp) {
    if (object_operator(code, sp)) return;  // new, destruct, delete
    const int n = arity(code);
    if (scalar_operator(code, n, sp)) return;
    if (materialises_operands(code)) {
        bool materialised = false;
        for (int k = 0; k < n; ++k) {
            if (type_of(sp[-k]) != T_Vector) continue;
            materialize(sp[-k]);
            materialised = true;
        }
        // A single index gives a double, which takes the scalar rules.
        if (materialised && scalar_operator(code, n, sp)) return;
    }
    switch (code) {
        case T_Plus: case T_Minus: case T_Star: case T_DotStar: case T_Slash: case T_DotSlash:
        case T_Caret: case T_DotCaret: case T_StarStar: case T_G_StarTilde: case T_XYt: case T_Percent:
        case T_DotEq: case T_DotNe: case T_DotLt: case T_DotLe: case T_DotGt: case T_DotGe:
        case T_DotAndAnd: case T_DotOrOr:
            return arithmetic(code, sp);
        case T_Eq: case T_Ne: case T_Lt: case T_Le: case T_Gt: case T_Ge:
            return comparison(code, sp);
        case T_Tilde: case T_Bar: return concatenate(code, sp);
        case T_UnaryMinus: return negate(*sp);
        case T_Not: return logical_not(*sp);
        case T_PlusPlus: case T_MinusMinus: return step(code, *sp);
        case T_Transpose: case T_DotTranspose: return transpose(code, *sp);
        case T_XtX: return cross_product(*sp);
        case T_DotQuestion: return select(sp);
        case T_Colon: return make_range(sp);
        case T_FullRange:
            ++sp;
            *sp = Value{};
            sp->type = T_Range;
            sp->u.rng.first = 0;
            sp->u.rng.last = KJ_RANGE_OPEN;
            return;
        case T_Ellipsis:
            if (!is_null(*sp) && (type_of(*sp) == value::T_Array || type_of(*sp) == value::T_Matrix)) sp->type |= k_varargs;
            return;
        case T_ShiftLeft: case T_ShiftRight:
            value::release(*sp);
            --sp;
            return;
        case T_IntToDouble: return int_to_double(*sp);
        case T_ToMatrix1x1: return scalar_to_matrix(*sp);
        case link::T_Int: return convert_to_int(*sp);
        case link::T_Double: return convert_to_double(*sp);
        case link::T_Matrix: return convert_to_matrix(*sp);
        case link::T_String: return convert_to_string(*sp);
        case link::T_Array: return convert_to_array(*sp);
        case T_RBrace: return wrap_in_array(*sp);
        default: return;
    }
}

}  // namespace kj::vm
