// Rearrangements used with the decompositions: reflect (mirror image in the
// anti-diagonal), diagonalize (clear everything off the diagonal), and the
// Toeplitz solver solvetoeplitz.
#include <vector>

#include "lib/library_rows.h"
#include "lib/linalg_results.h"
#include "num/linalg_toeplitz.h"
#include "runtime/run_error.h"

namespace kj::lib {

namespace {
using value::Value;

void fn_reflect(Value* r, Value* a, int) {
    const MatrixArg m = matrix_arg(a, 0);
    double** y = new_matrix(*r, m.c, m.r);
    for (int i = 0; i < m.c && y; ++i)
        for (int j = 0; j < m.r; ++j) y[i][j] = m.m[m.r - 1 - j][m.c - 1 - i];
}

void fn_diagonalize(Value* r, Value* a, int) {
    const MatrixArg m = matrix_arg(a, 0);
    double** y = new_matrix_zero(*r, m.r, m.c);
    for (int i = 0; i < m.r && i < m.c && y; ++i) y[i][i] = m.m[i][i];
}

void fn_solvetoeplitz(Value* r, Value* a, int count) {
    check_most(count, 4);
    const std::vector<double> row = elements_arg(a, 0);
    const int m = int_arg(a, 1);
    if (m < 0 || m > static_cast<int>(row.size())) arg_error(1);
    const MatrixArg b = matrix_arg(a, 2);
    if (b.r != m) arg_size_error(2, a[2], m, b.c);
    num::WorkBlock x = copy_of(b);
    std::vector<double> col(static_cast<std::size_t>(m));
    double logdet = 0;
    for (int j = 0; j < b.c || (j == 0 && count > 3); ++j) {
        for (int i = 0; i < m; ++i) col[i] = j < b.c ? x[i][j] : 0.0;
        if (num::toeplitz_solve(row.data(), m, col.data(), &logdet) != 0) {
            runtime::run_warning("solvetoeplitz", runtime::W_Decomposition);
            value::set_int(*r, 0);
            return;
        }
        for (int i = 0; i < m && j < b.c; ++i) x[i][j] = col[i];
    }
    set_block(*r, x);
    if (count > 3) store_double(a, count, 3, logdet);
}

const DescriptorRow k_general[] = {
    {"c$reflect", fn_reflect}, {"c$diagonalize", fn_diagonalize}, {"ccc$solvetoeplitz", fn_solvetoeplitz, 1},
};

}  // namespace

std::span<const DescriptorRow> linalg_reflect_rows() { return k_general; }

}  // namespace kj::lib
