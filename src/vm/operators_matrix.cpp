// Matrix operators: products through the matmul kernel slot, right division
// and negative powers through the LU inverse, Kronecker and horizontal direct
// products, transposes.
#include <cmath>
#include <cstring>

#include "link/operator_codes.h"
#include "num/lu_inverse.h"
#include "num/matmul.h"
#include "num/transpose.h"
#include "value/owned_value.h"
#include "vm/operators_operand.h"

namespace kj::vm {

using namespace value;
using namespace link;

namespace {

double** rows_of(const Value& v) { return v.u.mat.m; }

// a * b into a new block (inner dimensions already checked).
Value product(double** a, int ra, int ca, double** b, int rb, int cb, int ta = 0, int tb = 0) {
    MatrixTemp t(ta ? ca : ra, tb ? rb : cb);
    num::matmul_contiguous(t.rows(), a, ra, ca, b, rb, cb, ta, tb);
    return t.take();
}

// The inverse of a square matrix into a new block; "singular matrix" when
// the LU decomposition finds no usable pivot.
Value inverse(const Value& m) {
    const int n = m.u.mat.r;
    MatrixTemp t(n, n);
    if (n > 0) MatCopy(t.rows(), m.u.mat.m, n, n);
    switch (num::lu_invert(t.rows(), n)) {
        case num::Lu_Ok: break;
        case num::Lu_Singular: runtime::raise_run_error(runtime::E_Singular);
        default: runtime::raise_run_error(runtime::E_OutOfMemory);
    }
    return t.take();
}

void scale_in_place(Value& m, double s) {
    const std::size_t n = static_cast<std::size_t>(m.u.mat.r) * static_cast<std::size_t>(m.u.mat.c);
    double* p = n ? m.u.mat.m[0] : nullptr;
    for (std::size_t k = 0; k < n; ++k) p[k] *= s;
}

}  // namespace

void matrix_product(int code, Value*& sp) {
    const Value& l = sp[-1];
    const Value& r = sp[0];
    if (l.u.mat.c != r.u.mat.r) raise_bad_operand(l, code, r);
    finish_binary(sp, product(rows_of(l), l.u.mat.r, l.u.mat.c, rows_of(r), r.u.mat.r, r.u.mat.c));
}

void matrix_right_division(Value*& sp) {
    const Value& l = sp[-1];
    const Value& r = sp[0];
    const Num a = numeric(l);
    if (r.u.mat.r != r.u.mat.c || (!a.scalar_like() && l.u.mat.c != r.u.mat.r))
        raise_bad_operand(l, T_Slash, r);
    value::OwnedValue inv;
    inv.v = inverse(r);
    if (a.scalar_like()) {
        scale_in_place(inv.v, a.scalar());
        return finish_binary(sp, inv.take());
    }
    finish_binary(sp, product(rows_of(l), l.u.mat.r, l.u.mat.c, rows_of(inv.v), r.u.mat.r, r.u.mat.c));
}

// Square-and-multiply on matrices; a negative exponent inverts first.
void matrix_power(Value*& sp) {
    const Value& l = sp[-1];
    const Value& r = sp[0];
    const Num e = numeric(r);
    const int n = l.u.mat.r;
    if (e.kind == Num::Mat || l.u.mat.c != n) raise_bad_operand(l, T_Caret, r);
    const double ed = e.scalar();
    if (ed != std::trunc(ed) || std::fabs(ed) > 2147483647.0) raise_bad_operand(l, T_Caret, r);
    const long long exponent = static_cast<long long>(ed);

    value::OwnedValue base, result;
    if (exponent < 0) {
        base.v = inverse(l);
    } else {
        duplicate(base.v, l);
        base.v.type = value::T_Matrix | k_owns;
    }
    unsigned long long k = static_cast<unsigned long long>(exponent < 0 ? -exponent : exponent);
    {
        MatrixTemp id(n, n);
        if (n > 0) MatI(id.rows(), n);
        result.v = id.take();
    }
    while (k) {
        if (k & 1ull) {
            Value next = product(rows_of(result.v), n, n, rows_of(base.v), n, n);
            value::release(result.v);
            result.v = next;
        }
        k >>= 1;
        if (k) {
            Value sq = product(rows_of(base.v), n, n, rows_of(base.v), n, n);
            value::release(base.v);
            base.v = sq;
        }
    }
    finish_binary(sp, result.take());
}

void kronecker_product(Value*& sp) {
    const Num a = numeric(sp[-1]), b = numeric(sp[0]);
    MatrixTemp t(static_cast<int64_t>(a.r) * b.r, static_cast<int64_t>(a.c) * b.c);
    double* out = t.data();
    const std::size_t oc = static_cast<std::size_t>(t.c());
    for (int i = 0; i < a.r; ++i)
        for (int j = 0; j < a.c; ++j) {
            const double x = a.p[static_cast<std::size_t>(i) * a.c + j];
            for (int k = 0; k < b.r; ++k) {
                double* row = out + (static_cast<std::size_t>(i) * b.r + k) * oc + static_cast<std::size_t>(j) * b.c;
                const double* brow = b.p + static_cast<std::size_t>(k) * b.c;
                for (int m = 0; m < b.c; ++m) row[m] = x * brow[m];
            }
        }
    finish_binary(sp, t.take());
}

// Row i of the result is the Kronecker product of row i of each operand.
void horizontal_direct_product(Value*& sp) {
    const Num a = numeric(sp[-1]), b = numeric(sp[0]);
    if (a.r != b.r) raise_bad_operand(sp[-1], T_G_StarTilde, sp[0]);
    MatrixTemp t(a.r, static_cast<int64_t>(a.c) * b.c);
    double* out = t.data();
    for (int i = 0; i < a.r; ++i) {
        const double* ai = a.p + static_cast<std::size_t>(i) * a.c;
        const double* bi = b.p + static_cast<std::size_t>(i) * b.c;
        for (int j = 0; j < a.c; ++j)
            for (int k = 0; k < b.c; ++k) *out++ = ai[j] * bi[k];
    }
    finish_binary(sp, t.take());
}

void product_transposed_right(Value*& sp) {
    const Value& l = sp[-1];
    const Value& r = sp[0];
    const Num a = numeric(l);
    const int rb = r.u.mat.r, cb = r.u.mat.c;
    if (a.scalar_like()) {
        // A scalar times the transpose.
        MatrixTemp t(cb, rb);
        const Num b = numeric(r);
        const double s = a.scalar();
        for (int i = 0; i < rb; ++i)
            for (int j = 0; j < cb; ++j) t.rows()[j][i] = s * b.p[static_cast<std::size_t>(i) * cb + j];
        return finish_binary(sp, t.take());
    }
    if (l.u.mat.c != cb) raise_bad_operand(l, T_XYt, r);
    finish_binary(sp, product(rows_of(l), l.u.mat.r, l.u.mat.c, rows_of(r), rb, cb, 0, 1));
}

void transpose(int code, Value& top) {
    const Num a = numeric(top);
    if (a.is_scalar()) return;
    if (!a.is_matrix()) raise_bad_operand(code, top);
    // A row or column that nobody else holds is its own transpose, re-labelled.
    if ((a.r == 1 || a.c == 1) && value::relabel_owned(top, a.c, a.r)) return;
    MatrixTemp t(a.c, a.r);
    if (a.r == 1 || a.c == 1) {
        if (a.count()) std::memcpy(t.data(), a.p, a.count() * sizeof(double));
    } else {
        num::transpose_into(t.data(), a.p, a.r, a.c);
    }
    finish_unary(top, t.take());
}

bool transposed_product(Value& top, const Value& right) {
    const Num a = numeric(top), b = numeric(right);
    if (!a.is_matrix() || !b.is_matrix() || a.scalar_like() || b.scalar_like() || !a.p || !b.p || a.r != b.r)
        return false;
    finish_unary(top, product(top.u.mat.m, a.r, a.c, right.u.mat.m, b.r, b.c, 1, 0));
    return true;
}

void cross_product(Value& top) {
    const Num a = numeric(top);
    if (a.kind == Num::Int) {
        top = make_int(static_cast<int32_t>(static_cast<uint32_t>(a.i) * static_cast<uint32_t>(a.i)));
        return;
    }
    if (a.kind == Num::Dbl) {
        top = make_double(a.d * a.d);
        return;
    }
    if (!a.is_matrix()) raise_bad_operand(T_XtX, top);
    finish_unary(top, product(top.u.mat.m, a.r, a.c, top.u.mat.m, a.r, a.c, 1, 0));
}

}  // namespace kj::vm
