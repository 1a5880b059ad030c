// Eigenvalues and singular values: eigensym, eigensymgen, eigen, decsvd.
#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "lib/library_rows.h"
#include "lib/linalg_results.h"
#include "num/linalg_eigen.h"
#include "num/linalg_eigensym.h"
#include "num/linalg_svd.h"
#include "runtime/run_error.h"

namespace kj::lib {

namespace {
using value::Value;

bool wanted(Value* a, int count, int i) { return i < count && !is_int_zero(a[i]); }

// Eigenvectors come back as rows; the results hold them in columns.
num::WorkBlock columns_of(num::WorkBlock& rows) {
    num::WorkBlock t(rows.c(), rows.r());
    for (int i = 0; i < rows.r(); ++i)
        for (int j = 0; j < rows.c(); ++j) t[j][i] = rows[i][j];
    return t;
}

void fn_eigensym(Value* r, Value* a, int count) {
    check_most(count, 3);
    const MatrixArg m = square_arg(a, 0);
    const int n = m.r;
    const bool vectors = wanted(a, count, 2);
    num::WorkBlock x = copy_of(m);
    std::vector<double> lambda(static_cast<std::size_t>(n));
    const int code = n > 0 ? num::eigensym(x.rows(), n, lambda.data(), vectors ? 1 : 0) : 0;
    if (code != 0) {
        runtime::run_warning("eigensym", runtime::W_Decomposition);
    } else {
        store_row(a, count, 1, lambda.data(), n);
        if (vectors) {
            num::WorkBlock v = columns_of(x);
            store_block(a, count, 2, v);
        }
    }
    value::set_int(*r, code);
}

void fn_eigensymgen(Value* r, Value* a, int count) {
    const MatrixArg m = square_arg(a, 0);
    const int n = m.r;
    check_matrix_size(a, 1, 1, n, n);
    num::WorkBlock x = copy_of(m), b = copy_of(matrix_arg(a, 1));
    std::vector<double> lambda(static_cast<std::size_t>(n));
    const int code = n > 0 ? num::eigensym_generalized(x.rows(), b.rows(), n, lambda.data()) : 0;
    if (code != 0) {
        runtime::run_warning("eigensymgen", runtime::W_Decomposition);
    } else {
        store_row(a, count, 2, lambda.data(), n);
        num::WorkBlock v = columns_of(x);
        store_block(a, count, 3, v);
    }
    value::set_int(*r, code);
}

void fn_eigen(Value* r, Value* a, int count) {
    check_most(count, 3);
    const MatrixArg m = square_arg(a, 0);
    const int n = m.r;
    const bool vectors = wanted(a, count, 2);
    std::vector<double> re(static_cast<std::size_t>(n)), im(static_cast<std::size_t>(n));
    num::WorkBlock vr(vectors ? n : 0, vectors ? n : 0);
    const int code = n > 0 ? num::eigen(m.m, n, re.data(), im.data(), vectors ? vr.rows() : nullptr) : 0;
    if (code != 0) {
        runtime::run_warning("eigen", runtime::W_Decomposition);
        value::set_int(*r, 1);
        return;
    }
    // Decreasing modulus; a stable sort keeps conjugate pairs together.
    std::vector<int> order(static_cast<std::size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int x, int y) { return std::hypot(re[x], im[x]) > std::hypot(re[y], im[y]); });
    const bool complex = std::any_of(im.begin(), im.end(), [](double v) { return v != 0; });
    num::WorkBlock ev(complex ? 2 : 1, n);
    for (int k = 0; k < n; ++k) {
        ev[0][k] = re[order[k]];
        if (complex) ev[1][k] = im[order[k]];
    }
    if (n > 0) store_block(a, count, 1, ev);
    if (vectors) {
        // Vector j: column j, or for a complex pair (j, j+1) column j plus i
        // times column j+1, and its conjugate for j+1.
        num::WorkBlock out(complex ? 2 * n : n, n);
        for (int k = 0; k < n; ++k) {
            const int j = order[k];
            const bool second = im[j] < 0 && j > 0 && im[j - 1] == -im[j];
            const int base = second ? j - 1 : j;
            for (int i = 0; i < n; ++i) {
                out[i][k] = vr[i][base];
                if (complex && im[j] != 0) out[n + i][k] = (second ? -vr[i][base + 1] : vr[i][base + 1]) + 0.0;
            }
        }
        store_block(a, count, 2, out);
    }
    value::set_int(*r, 0);
}

void fn_decsvd(Value* r, Value* a, int count) {
    check_most(count, 4);
    const MatrixArg m = matrix_arg(a, 0);
    const bool t = m.r < m.c;
    const int rr = t ? m.c : m.r, k = t ? m.r : m.c;
    num::WorkBlock x(rr, k);
    for (int i = 0; i < m.r; ++i)
        for (int j = 0; j < m.c; ++j) (t ? x[j][i] : x[i][j]) = m.m[i][j];
    const bool vectors = count > 1;
    num::WorkBlock u(vectors ? rr : 0, vectors ? k : 0), v(vectors ? k : 0, vectors ? k : 0);
    std::vector<double> w(static_cast<std::size_t>(k));
    const int code = k > 0 ? num::decsvd(x.rows(), rr, k, w.data(), vectors ? u.rows() : nullptr,
                                         vectors ? v.rows() : nullptr)
                           : 0;
    if (!vectors) {
        if (code != 0) {
            runtime::run_warning("decsvd", runtime::W_Decomposition);
            value::set_int(*r, 0);
            return;
        }
        set_row(*r, w.data(), k);
        return;
    }
    if (code != 0) {
        runtime::run_warning("decsvd", runtime::W_Decomposition);
        value::set_int(*r, 1);
        return;
    }
    // For r < c the transpose was decomposed: U and V swap roles.
    store_block(a, count, t ? 3 : 1, u);
    store_row(a, count, 2, w.data(), k);
    store_block(a, count, t ? 1 : 3, v);
    value::set_int(*r, 0);
}

const DescriptorRow k_general[] = {
    {"cc$eigensym", fn_eigensym, 1}, {"cccc$eigensymgen", fn_eigensymgen}, {"cc$eigen", fn_eigen, 1},
    {"c$decsvd", fn_decsvd, 1},
};

}  // namespace

std::span<const DescriptorRow> linalg_eigen_rows() { return k_general; }

}  // namespace kj::lib
