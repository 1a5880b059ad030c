// Rank decisions and norms: rank, nullspace, norm and gauss::rank.
#include <algorithm>
#include <cmath>
#include <vector>

#include "lib/library_rows.h"
#include "lib/linalg_results.h"
#include "num/linalg_eps.h"
#include "num/linalg_rank.h"
#include "num/linalg_svd.h"
#include "runtime/run_error.h"

namespace kj::lib {

namespace {
using value::Value;

void fn_rank(Value* r, Value* a, int count) {
    check_most(count, 2);
    const bool tol_given = count > 1;
    const double tol = tol_given ? double_arg(a, 1) : 10 * num::invert_eps();
    if (!value::is_null(a[0]) && value::type_of(a[0]) == value::T_Int) {
        value::set_int(*r, a[0].u.ival != 0 ? 1 : 0);
        return;
    }
    if (!value::is_null(a[0]) && value::type_of(a[0]) == value::T_Double) {
        const double x = std::fabs(a[0].u.dval);
        value::set_int(*r, tol_given ? (x >= tol ? 1 : 0) : (x != 0 ? 1 : 0));
        return;
    }
    const MatrixArg m = matrix_arg(a, 0);
    const int rank = num::matrix_rank(m.m, m.r, m.c, tol, tol_given);
    if (rank < 0) {
        runtime::run_warning("rank", runtime::W_Decomposition);
        value::set_int(*r, 0);
        return;
    }
    value::set_int(*r, rank);
}

void fn_nullspace(Value* r, Value* a, int) {
    const MatrixArg m = matrix_arg(a, 0);
    if (m.r == 0 && m.c == 0) {
        set_empty(*r);
        return;
    }
    if (m.empty()) {
        // No columns (or rows): every vector of the other size.
        const int n = std::max(m.r, m.c);
        double** y = new_matrix_zero(*r, n, n);
        for (int i = 0; i < n; ++i) y[i][i] = 1;
        return;
    }
    num::WorkBlock basis;
    const int k = num::null_space(m.m, m.r, m.c, basis);
    if (k < 0) {
        runtime::run_warning("nullspace", runtime::W_Decomposition);
        value::set_int(*r, 0);
        return;
    }
    set_block(*r, basis);
}

double frobenius(const MatrixArg& m) {
    double s = 0;
    for (int i = 0; i < m.r; ++i)
        for (int j = 0; j < m.c; ++j) s += m.m[i][j] * m.m[i][j];
    return std::sqrt(s);
}

void fn_norm(Value* r, Value* a, int count) {
    check_most(count, 2);
    const int type = count > 1 ? int_arg(a, 1) : 2;
    const MatrixArg m = matrix_arg(a, 0);
    if (type != 0 && type != 1 && type != 2 && type != 'F' && type != 'f') arg_error(1);
    if (m.empty()) {
        value::set_double(*r, 0);
        return;
    }
    double result = 0;
    if (type == 'F' || type == 'f') {
        result = frobenius(m);
    } else if (m.r == 1 || m.c == 1) {
        const double* x = m.m[0];
        const long long n = m.count();
        double s = 0;
        for (long long k = 0; k < n; ++k) {
            const double v = std::fabs(x[k]);
            if (type == 0) s = std::max(s, v);
            else s += type == 1 ? v : v * v;
        }
        result = type == 2 ? std::sqrt(s) : s;
    } else if (type == 0) {
        for (int i = 0; i < m.r; ++i) {
            double s = 0;
            for (int j = 0; j < m.c; ++j) s += std::fabs(m.m[i][j]);
            result = std::max(result, s);
        }
    } else if (type == 1) {
        std::vector<double> s(static_cast<std::size_t>(m.c));
        for (int i = 0; i < m.r; ++i)
            for (int j = 0; j < m.c; ++j) s[j] += std::fabs(m.m[i][j]);
        result = *std::max_element(s.begin(), s.end());
    } else {
        const bool t = m.r < m.c;
        num::WorkBlock x(t ? m.c : m.r, t ? m.r : m.c);
        for (int i = 0; i < m.r; ++i)
            for (int j = 0; j < m.c; ++j) (t ? x[j][i] : x[i][j]) = m.m[i][j];
        std::vector<double> w(static_cast<std::size_t>(x.c()));
        if (num::decsvd(x.rows(), x.r(), x.c(), w.data(), nullptr, nullptr) != 0) {
            runtime::run_warning("norm", runtime::W_Decomposition);
            result = NAN;
        } else {
            result = w[0];
        }
    }
    value::set_double(*r, result);
}

const DescriptorRow k_general[] = {
    {"c$rank", fn_rank, 1}, {"c$nullspace", fn_nullspace}, {"c$norm", fn_norm, 1},
};
const DescriptorRow k_gauss[] = {
    {"c$gauss::rank", fn_rank},
};

}  // namespace

std::span<const DescriptorRow> linalg_rank_rows() { return k_general; }
std::span<const DescriptorRow> linalg_rank_gauss_rows() { return k_gauss; }

}  // namespace kj::lib
