#include "num/linalg_qr_update.h"

#include <cmath>
#include <vector>

namespace kj::num {

namespace {

struct Givens {
    double c = 1, s = 0;
};

// The rotation taking (a, b) to (hypot(a, b), 0).
Givens rotation(double a, double b) {
    const double h = std::hypot(a, b);
    if (h == 0) return {};
    return {a / h, b / h};
}

// Rows i and i+1 of r from column `from` on.
void rotate_rows(double** r, int i, int from, int cols, Givens g) {
    for (int j = from; j < cols; ++j) {
        const double x = r[i][j], y = r[i + 1][j];
        r[i][j] = g.c * x + g.s * y;
        r[i + 1][j] = -g.s * x + g.c * y;
    }
}

// Columns i and i+1 of q, so that Q R is unchanged.
void rotate_columns(double** q, int rows, int i, Givens g) {
    for (int k = 0; k < rows; ++k) {
        const double x = q[k][i], y = q[k][i + 1];
        q[k][i] = g.c * x + g.s * y;
        q[k][i + 1] = -g.s * x + g.c * y;
    }
}

// Upper Hessenberg from column `from` back to triangular.
void retriangulate(double** q, double** r, int rows, int cols, int from) {
    for (int j = from; j < cols && j + 1 < rows; ++j) {
        const Givens g = rotation(r[j][j], r[j + 1][j]);
        rotate_rows(r, j, j, cols, g);
        r[j + 1][j] = 0;
        rotate_columns(q, rows, j, g);
    }
}

}  // namespace

void qr_delete_column(double** q, double** r, int rows, int cols, int col) {
    for (int i = 0; i < rows; ++i)
        for (int j = col; j + 1 < cols; ++j) r[i][j] = r[i][j + 1];
    retriangulate(q, r, rows, cols - 1, col);
}

void qr_rank_one_update(double** q, double** r, int rows, int cols, const double* u, const double* v) {
    // w = Q'u, reduced to a multiple of e1 from the bottom up; each rotation
    // adds one sub-diagonal element to R.
    std::vector<double> w(static_cast<std::size_t>(rows));
    for (int i = 0; i < rows; ++i) {
        double s = 0;
        for (int k = 0; k < rows; ++k) s += q[k][i] * u[k];
        w[i] = s;
    }
    for (int k = rows - 2; k >= 0; --k) {
        const Givens g = rotation(w[k], w[k + 1]);
        w[k] = g.c * w[k] + g.s * w[k + 1];
        w[k + 1] = 0;
        rotate_rows(r, k, 0, cols, g);
        rotate_columns(q, rows, k, g);
    }
    if (rows > 0)
        for (int j = 0; j < cols; ++j) r[0][j] += w[0] * v[j];
    retriangulate(q, r, rows, cols, 0);
}

}  // namespace kj::num
