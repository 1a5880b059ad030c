// Schur decompositions: decschur and decschurgen (serial: they run LAPACK
// with a selection callback held in process-wide state).
#include <algorithm>
#include <string_view>
#include <vector>

#include "link/function_table.h"
#include "lib/library_rows.h"
#include "lib/linalg_results.h"
#include "num/linalg_schur.h"
#include "runtime/run_error.h"

namespace kj::lib {

namespace {
using value::Value;

num::SchurSelect selection(Value* a, int count, int i) {
    if (i >= count) return num::SchurSelect::None;
    if (!is_string(a[i])) arg_type_error(i, value::T_String, &a[i]);
    const std::string_view s = string_of(a[i]);
    if (s.empty()) return num::SchurSelect::None;
    if (s == "lhp") return num::SchurSelect::LeftHalfPlane;
    if (s == "rhp") return num::SchurSelect::RightHalfPlane;
    if (s == "iuc") return num::SchurSelect::InsideUnitCircle;
    if (s == "ouc") return num::SchurSelect::OutsideUnitCircle;
    arg_error(i);
}

// 1 x n when every eigenvalue is real, else 2 x n (real; imaginary).
void store_eigenvalues(Value* a, int count, int i, const std::vector<double>& re, const std::vector<double>& im) {
    const int n = static_cast<int>(re.size());
    const bool complex = std::any_of(im.begin(), im.end(), [](double v) { return v != 0; });
    num::WorkBlock ev(n > 0 ? (complex ? 2 : 1) : 0, n);
    for (int k = 0; k < n; ++k) {
        ev[0][k] = re[k];
        if (complex) ev[1][k] = im[k];
    }
    store_block(a, count, i, ev);
}

void fn_decschur(Value* r, Value* a, int count) {
    check_most(count, 5);
    check_square_matrix(a, 0, 0);
    const MatrixArg m = matrix_arg(a, 0);
    const num::SchurSelect select = selection(a, count, 4);
    const int n = m.r;
    num::WorkBlock s = copy_of(m), v(n, n);
    std::vector<double> re(static_cast<std::size_t>(n)), im(static_cast<std::size_t>(n));
    if (num::schur(s.rows(), n, re.data(), im.data(), v.rows(), select) != 0) {
        runtime::run_warning("decschur", runtime::W_Decomposition);
        value::set_int(*r, 1);
        return;
    }
    store_eigenvalues(a, count, 1, re, im);
    store_block(a, count, 2, s);
    store_block(a, count, 3, v);
    value::set_int(*r, 0);
}

void fn_decschurgen(Value* r, Value* a, int count) {
    check_most(count, 8);
    check_square_matrix(a, 0, 0);
    const MatrixArg ma = matrix_arg(a, 0);
    const int n = ma.r;
    check_matrix_size(a, 1, 1, n, n);
    const num::SchurSelect select = selection(a, count, 7);
    num::WorkBlock s = copy_of(ma), t = copy_of(matrix_arg(a, 1)), q(n, n), z(n, n), ev(n > 0 ? 3 : 0, n);
    std::vector<double> ar(static_cast<std::size_t>(n)), ai(static_cast<std::size_t>(n)), beta(static_cast<std::size_t>(n));
    if (num::schur_generalized(s.rows(), t.rows(), n, ar.data(), ai.data(), beta.data(), q.rows(), z.rows(), select) !=
        0) {
        runtime::run_warning("decschurgen", runtime::W_Decomposition);
        value::set_int(*r, 1);
        return;
    }
    for (int k = 0; k < n; ++k) {
        ev[0][k] = ar[k];
        ev[1][k] = ai[k];
        ev[2][k] = beta[k];
    }
    store_block(a, count, 2, ev);
    store_block(a, count, 3, s);
    store_block(a, count, 4, t);
    store_block(a, count, 5, q);
    store_block(a, count, 6, z);
    value::set_int(*r, 0);
}

const NamedRow k_general[] = {
    {"decschur", fn_decschur, 3, k_varargs | k_serial},
    {"decschurgen", fn_decschurgen, 5, k_varargs | k_serial},
};

}  // namespace

std::span<const NamedRow> linalg_schur_rows() { return k_general; }

}  // namespace kj::lib
