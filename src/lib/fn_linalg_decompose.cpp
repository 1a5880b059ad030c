// Triangular decompositions and solving with their factors: choleski,
// declu/solvelu, decldl/solveldl, decldlband/solveldlband.
#include <cstring>
#include <numeric>
#include <utility>
#include <vector>

#include "lib/library_rows.h"
#include "lib/linalg_results.h"
#include "num/linalg_choleski.h"
#include "num/linalg_eps.h"
#include "num/linalg_ldl.h"
#include "num/linalg_lu.h"
#include "runtime/run_error.h"

namespace kj::lib {

namespace {
using value::Value;

void fn_choleski(Value* r, Value* a, int) {
    const MatrixArg m = square_arg(a, 0);
    double** x = result_copy(*r, m);
    if (m.r > 0 && !num::choleski(x, m.r)) {
        runtime::run_warning("choleski", runtime::W_Decomposition);
        value::set_int(*r, 0);
    }
}

void fn_declu(Value* r, Value* a, int count) {
    const MatrixArg m = square_arg(a, 0);
    const int n = m.r;
    const bool pivoting = !is_int_zero(a[3]);
    num::WorkBlock x = copy_of(m);
    std::vector<int> pivots(static_cast<std::size_t>(n));
    std::iota(pivots.begin(), pivots.end(), 0);
    int code = 1;
    if (pivoting) {
        double logdet = 0;
        int sign = 1;
        const int rc = n > 0 ? num::lup_decompose(x.rows(), n, pivots.data(), &logdet, &sign, nullptr) : 0;
        code = rc != 0 ? 0 : (sign == 2 || sign == -2 ? 2 : 1);
    } else if (num::lu_decompose_unpivoted(x.rows(), n) != 0) {
        code = 0;
    }
    if (code == 0) {
        runtime::run_warning("declu", runtime::W_Decomposition);
        value::set_int(*r, 0);
        return;
    }
    num::WorkBlock l(n, n), u(n, n);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < i; ++j) l[i][j] = x[i][j];
        l[i][i] = 1;
        for (int j = i; j < n; ++j) u[i][j] = x[i][j];
    }
    store_block(a, count, 1, l);
    store_block(a, count, 2, u);
    if (pivoting) {
        num::WorkBlock p(2, n);
        std::vector<int> perm(static_cast<std::size_t>(n));
        std::iota(perm.begin(), perm.end(), 0);
        for (int k = 0; k < n; ++k) std::swap(perm[k], perm[pivots[k]]);
        for (int k = 0; k < n; ++k) {
            p[0][k] = perm[k];
            p[1][k] = pivots[k];
        }
        store_block(a, count, 3, p);
    }
    value::set_int(*r, code);
}

// Solves column by column with solve(b) over the n x k right-hand side.
template <class Solve>
void solve_columns(Value& result, const MatrixArg& b, Solve solve) {
    num::WorkBlock x = copy_of(b);
    std::vector<double> col(static_cast<std::size_t>(b.r));
    for (int j = 0; j < b.c; ++j) {
        for (int i = 0; i < b.r; ++i) col[i] = x[i][j];
        solve(col.data());
        for (int i = 0; i < b.r; ++i) x[i][j] = col[i];
    }
    set_block(result, x);
}

void fn_solvelu(Value* r, Value* a, int) {
    const MatrixArg b = matrix_arg(a, 3);
    const int n = b.r;
    double** l = nullptr;
    double** u = nullptr;
    if (!is_int_zero(a[0])) {
        check_matrix_size(a, 0, 0, n, n);
        l = matrix_arg(a, 0).m;
    }
    if (!is_int_zero(a[1])) {
        check_matrix_size(a, 1, 1, n, n);
        u = matrix_arg(a, 1).m;
    }
    std::vector<int> pivots;
    if (!is_int_zero(a[2])) {
        const MatrixArg p = matrix_arg(a, 2);
        if (p.c != n || (p.r != 1 && p.r != 2)) arg_size_error(2, a[2], 2, n);
        const double* row = p.m[p.r - 1];
        for (int k = 0; k < n; ++k) {
            const int q = static_cast<int>(row[k]);
            if (q < 0 || q >= n) arg_error(2);
            pivots.push_back(q);
        }
    }
    solve_columns(*r, b, [&](double* col) { num::lup_solve(l, u, pivots.empty() ? nullptr : pivots.data(), col, n); });
}

// The reciprocal pivots of decldl / decldlband: n values.
std::vector<double> pivot_values(Value* a, int i, int n) {
    std::vector<double> d = elements_arg(a, i);
    if (static_cast<int>(d.size()) != n) arg_size_error(i, a[i], 1, n);
    return d;
}

void fn_decldl(Value* r, Value* a, int count) {
    const MatrixArg m = square_arg(a, 0);
    const int n = m.r;
    num::WorkBlock x = copy_of(m);
    std::vector<double> dinv(static_cast<std::size_t>(n));
    if (num::ldl_decompose(x.rows(), dinv.data(), n) != num::Ldl_Ok) {
        runtime::run_warning("decldl", runtime::W_Decomposition);
        value::set_int(*r, 0);
        return;
    }
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; j < n; ++j) x[i][j] = 0;
    store_block(a, count, 1, x);
    store_row(a, count, 2, dinv.data(), n);
    value::set_int(*r, 1);
}

void fn_solveldl(Value* r, Value* a, int) {
    const MatrixArg l = square_arg(a, 0);
    const int n = l.r;
    const std::vector<double> d = pivot_values(a, 1, n);
    check_matrix_size(a, 2, 2, n, matrix_arg(a, 2).c);
    solve_columns(*r, matrix_arg(a, 2), [&](double* col) { num::ldl_solve(l.m, d.data(), col, n); });
}

void fn_decldlband(Value* r, Value* a, int count) {
    const MatrixArg m = matrix_arg(a, 0);
    const int n = m.c, p = m.r - 1;
    num::WorkBlock x = copy_of(m);
    std::vector<double> dinv(static_cast<std::size_t>(n));
    if (m.empty() || num::ldl_band_decompose(x.rows(), dinv.data(), n, p) != num::Ldl_Ok) {
        runtime::run_warning("decldlband", runtime::W_Decomposition);
        value::set_int(*r, 0);
        return;
    }
    store_block(a, count, 1, x);
    store_row(a, count, 2, dinv.data(), n);
    value::set_int(*r, 1);
}

void fn_solveldlband(Value* r, Value* a, int) {
    const MatrixArg l = matrix_arg(a, 0);
    const int n = l.c, p = l.r - 1;
    const std::vector<double> d = pivot_values(a, 1, n);
    check_matrix_size(a, 2, 2, n, matrix_arg(a, 2).c);
    solve_columns(*r, matrix_arg(a, 2), [&](double* col) { num::ldl_band_solve(l.m, d.data(), col, n, p); });
}

const DescriptorRow k_general[] = {
    {"c$choleski", fn_choleski},           {"cccc$declu", fn_declu},       {"cccc$solvelu", fn_solvelu},
    {"ccc$decldl", fn_decldl},             {"ccc$solveldl", fn_solveldl},  {"ccc$decldlband", fn_decldlband},
    {"ccc$solveldlband", fn_solveldlband},
};

}  // namespace

std::span<const DescriptorRow> linalg_decompose_rows() { return k_general; }

}  // namespace kj::lib
