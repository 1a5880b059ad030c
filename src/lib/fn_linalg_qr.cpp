// QR decompositions and least squares: decqr, decqrmul, decmgs, olsc, olsr,
// ols2c, ols2r.
#include <algorithm>
#include <cmath>
#include <vector>

#include "lib/library_rows.h"
#include "lib/linalg_results.h"
#include "num/linalg_eps.h"
#include "num/linalg_ols.h"
#include "num/linalg_qr.h"
#include "num/linalg_qr_update.h"
#include "runtime/run_error.h"

namespace kj::lib {

namespace {
using value::Value;

num::WorkBlock transposed(const MatrixArg& m) {
    num::WorkBlock t(m.c, m.r);
    for (int i = 0; i < m.r; ++i)
        for (int j = 0; j < m.c; ++j) t[j][i] = m.m[i][j];
    return t;
}

void fn_decqr(Value* r, Value* a, int count) {
    const MatrixArg m = matrix_arg(a, 0);
    const bool pivoting = !is_int_zero(a[3]);
    const int k = std::min(m.r, m.c);
    num::WorkBlock xt = transposed(m);
    std::vector<double> rdiag(static_cast<std::size_t>(m.c));
    std::vector<int> piv(static_cast<std::size_t>(m.c));
    for (int j = 0; j < m.c; ++j) piv[j] = j;
    if (m.c > 0 && num::decqr(xt.rows(), m.c, m.r, rdiag.data(), pivoting ? piv.data() : nullptr) != 0) {
        runtime::run_warning("decqr", runtime::W_Decomposition);
        value::set_int(*r, 0);
        return;
    }
    num::WorkBlock ht(k, m.r), rr(k, m.c);
    for (int j = 0; j < k; ++j)
        for (int i = j; i < m.r; ++i) ht[j][i] = xt[j][i];
    for (int i = 0; i < k; ++i)
        for (int j = i; j < m.c; ++j) rr[i][j] = j < k ? num::qr_r(xt.rows(), rdiag.data(), i, j) : xt[j][i];
    bool reduced = false;
    for (int j = 0; j < k; ++j)
        if (!(std::fabs(rdiag[j]) > num::invert_eps() * std::fabs(rdiag[0]))) reduced = true;
    store_block(a, count, 1, ht);
    store_block(a, count, 2, rr);
    if (pivoting) {
        std::vector<double> p(piv.begin(), piv.end());
        store_row(a, count, 3, p.data(), m.c);
    }
    value::set_int(*r, reduced ? 2 : 1);
}

void fn_decqrmul(Value* r, Value* a, int count) {
    check_most(count, 3);
    const MatrixArg h = matrix_arg(a, 0);
    const int k = h.r, n = h.c;  // n = rows of the factored matrix
    if (count == 1) {
        num::WorkBlock q(n, n);
        std::vector<double> col(static_cast<std::size_t>(n));
        for (int j = 0; j < n; ++j) {
            std::fill(col.begin(), col.end(), 0.0);
            col[j] = 1;
            num::qr_apply_q(h.m, k, n, col.data());
            for (int i = 0; i < n; ++i) q[i][j] = col[i];
        }
        set_block(*r, q);
        return;
    }
    const MatrixArg b = matrix_arg(a, 1);
    if (b.r != n) arg_size_error(1, a[1], n, b.c);
    const bool q = count > 2 && int_arg(a, 2) != 0;
    num::WorkBlock y = transposed(b);
    for (int j = 0; j < b.c; ++j) (q ? num::qr_apply_q : num::qr_apply_qt)(h.m, k, n, y[j]);
    num::WorkBlock out(b.r, b.c);
    for (int i = 0; i < b.r; ++i)
        for (int j = 0; j < b.c; ++j) out[i][j] = y[j][i];
    set_block(*r, out);
}

void fn_decmgs(Value* r, Value* a, int count) {
    const MatrixArg m = matrix_arg(a, 0);
    num::WorkBlock qt = transposed(m), rr(m.c, m.c);
    if (m.empty() || num::mgs_decompose(qt.rows(), m.c, m.r, rr.rows()) != 0) {
        runtime::run_warning("decmgs", runtime::W_Decomposition);
        value::set_int(*r, 0);
        return;
    }
    num::WorkBlock q(m.r, m.c);
    for (int i = 0; i < m.r; ++i)
        for (int j = 0; j < m.c; ++j) q[i][j] = qt[j][i];
    store_block(a, count, 1, q);
    store_block(a, count, 2, rr);
    value::set_int(*r, 1);
}

// The variable behind a reference argument, holding a matrix.
Value& reference_matrix(Value* a, int i) {
    Value& ref = a[i];
    if (value::type_of(ref) != value::T_Array || !value::has_flag(ref, value::k_address) || !ref.u.arr.v)
        arg_type_error(i, value::T_Address, &ref);
    Value& target = *ref.u.arr.v;
    if (value::type_of(target) != value::T_Matrix) arg_type_error(i, value::T_Matrix, &target);
    return target;
}

void fn_decqrupdate(Value* r, Value* a, int count) {
    check_most(count, 4);
    Value& qv = reference_matrix(a, 0);
    Value& rv = reference_matrix(a, 1);
    const int rows = qv.u.mat.r, cols = rv.u.mat.c;
    if (qv.u.mat.c != rows) arg_size_error(0, qv, rows, rows);
    if (rv.u.mat.r != rows) arg_size_error(1, rv, rows, cols);
    num::WorkBlock q(rows, rows), rr(rows, cols);
    if (rows > 0) q.copy_from(qv.u.mat.m);
    if (rows > 0 && cols > 0) rr.copy_from(rv.u.mat.m);
    if (count == 3) {
        const int col = int_arg(a, 2);
        if (col < 0 || col >= cols) arg_error(2);
        num::qr_delete_column(q.rows(), rr.rows(), rows, cols, col);
        num::WorkBlock shrunk(rows, cols - 1);
        for (int i = 0; i < rows; ++i)
            for (int j = 0; j + 1 < cols; ++j) shrunk[i][j] = rr[i][j];
        rr = shrunk;
    } else {
        if (count < 4) arg_error(count);
        check_matrix_size(a, 2, 2, rows, 1);
        check_matrix_size(a, 3, 3, cols, 1);
        const std::vector<double> u = elements_arg(a, 2), v = elements_arg(a, 3);
        num::qr_rank_one_update(q.rows(), rr.rows(), rows, cols, u.data(), v.data());
    }
    store_block(a, count, 0, q);
    store_block(a, count, 1, rr);
    value::set_int(*r, 1);
}

// Least squares. by_rows: observations in columns (olsr); otherwise in rows.
void least_squares(Value* r, Value* a, int count, bool by_rows, bool normal) {
    check_most(count, 5);
    const MatrixArg y = matrix_arg(a, 0), x = matrix_arg(a, 1);
    const int t = by_rows ? y.c : y.r;
    if ((by_rows ? x.c : x.r) != t) arg_error(1);
    num::WorkBlock xt = by_rows ? copy_of(x) : transposed(x);
    num::WorkBlock yt = by_rows ? copy_of(y) : transposed(y);
    const int k = xt.r(), n = yt.r();
    const bool want_inv = count > 3 && !is_int_zero(a[3]), want_xtx = count > 4 && !is_int_zero(a[4]);
    num::WorkBlock b(n, k), inv(want_inv ? k : 0, want_inv ? k : 0), xtx(want_xtx ? k : 0, want_xtx ? k : 0);
    const int code = k == 0 ? 0
                     : (normal ? num::ols_normal : num::ols_qr)(xt.rows(), k, t, yt.rows(), n, b.rows(),
                                                               want_inv ? inv.rows() : nullptr,
                                                               want_xtx ? xtx.rows() : nullptr);
    if (code == 0) {
        for (int i = 2; i < count; ++i) store_int(a, count, i, 0);
        value::set_int(*r, 0);
        return;
    }
    if (by_rows) {
        store_block(a, count, 2, b);
    } else {
        num::WorkBlock bt(k, n);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < k; ++j) bt[j][i] = b[i][j];
        store_block(a, count, 2, bt);
    }
    if (want_inv) store_block(a, count, 3, inv);
    if (want_xtx) store_block(a, count, 4, xtx);
    value::set_int(*r, code);
}

void fn_olsc(Value* r, Value* a, int count) { least_squares(r, a, count, false, false); }
void fn_olsr(Value* r, Value* a, int count) { least_squares(r, a, count, true, false); }
void fn_ols2c(Value* r, Value* a, int count) { least_squares(r, a, count, false, true); }
void fn_ols2r(Value* r, Value* a, int count) { least_squares(r, a, count, true, true); }

const DescriptorRow k_general[] = {
    {"cccc$decqr", fn_decqr},      {"c$decqrmul", fn_decqrmul, 1}, {"ccc$decmgs", fn_decmgs},
    {"ccc$olsc", fn_olsc, 1},      {"ccc$olsr", fn_olsr, 1},       {"ccc$ols2c", fn_ols2c, 1},
    {"ccc$ols2r", fn_ols2r, 1},    {"ccc$decqrupdate", fn_decqrupdate, 1},
};

}  // namespace

std::span<const DescriptorRow> linalg_qr_rows() { return k_general; }

}  // namespace kj::lib
