#include "num/linalg_ols.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "num/linalg_block.h"
#include "num/linalg_eps.h"
#include "num/linalg_ldl.h"
#include "num/linalg_qr.h"
#include "num/matmul.h"

namespace kj::num {

int ols_qr(double** xt, int k, int t, double** yt, int n, double** b, double** xtx_inv, double** xtx) {
    if (k <= 0 || t < 0 || n < 0 || !all_finite(xt, k, t)) return 0;
    if (xtx) matmul(xtx, xt, k, t, xt, k, t, 0, 1);
    WorkBlock q(k, t);
    q.copy_from(xt);
    std::vector<double> rdiag(static_cast<std::size_t>(k));
    std::vector<int> piv(static_cast<std::size_t>(k));
    if (decqr(q.rows(), k, t, rdiag.data(), piv.data()) != 0) return 0;
    const int rank = qr_rank(rdiag.data(), k < t ? k : t, 0);
    ols_from_qr(q.rows(), rdiag.data(), piv.data(), k, t, rank, yt, n, b, xtx_inv);
    return rank == k ? k : -rank;
}

void ols_from_qr(double** qr, const double* rdiag, const int* pivots, int k, int t, int rank, double** yt, int n,
                 double** b, double** xtx_inv) {
    const int kk = k < t ? k : t;
    if (rank > kk) rank = kk;
    if (rank < 0) rank = 0;
    auto R = [&](int i, int j) { return qr_r(qr, rdiag, i, j); };
    auto column = [&](int j) { return pivots ? pivots[j] : j; };
    // Coefficients: R11 z = (Q'y)[0..rank-1], then back to the original order.
    std::vector<double> y(static_cast<std::size_t>(t)), z(static_cast<std::size_t>(rank));
    for (int s = 0; s < n; ++s) {
        std::memcpy(y.data(), yt[s], static_cast<std::size_t>(t) * sizeof(double));
        qr_apply_qt(qr, kk, t, y.data());
        for (int i = rank - 1; i >= 0; --i) {
            double v = y[i];
            for (int j = i + 1; j < rank; ++j) v -= R(i, j) * z[j];
            z[i] = v / R(i, i);
        }
        for (int j = 0; j < k; ++j) b[s][j] = 0;
        for (int j = 0; j < rank; ++j) b[s][column(j)] = z[j];
    }
    if (!xtx_inv) return;
    // (R11' R11)^-1 = inv(R11) inv(R11)'.
    WorkBlock ri(rank, rank);
    for (int j = 0; j < rank; ++j) {
        ri[j][j] = 1 / R(j, j);
        for (int i = j - 1; i >= 0; --i) {
            double v = 0;
            for (int m = i + 1; m <= j; ++m) v += R(i, m) * ri[m][j];
            ri[i][j] = -v / R(i, i);
        }
    }
    for (int i = 0; i < k; ++i) std::memset(xtx_inv[i], 0, static_cast<std::size_t>(k) * sizeof(double));
    for (int i = 0; i < rank; ++i)
        for (int j = 0; j < rank; ++j) {
            double v = 0;
            for (int m = (i > j ? i : j); m < rank; ++m) v += ri[i][m] * ri[j][m];
            xtx_inv[column(i)][column(j)] = v;
        }
}

int ols_normal(double** xt, int k, int t, double** yt, int n, double** b, double** xtx_inv, double** xtx) {
    if (k <= 0 || t < 0 || n < 0) return 0;
    WorkBlock m(k, k), xty(k, n > 0 ? n : 1);
    matmul(m.rows(), xt, k, t, xt, k, t, 0, 1);
    if (xtx) m.copy_to(xtx);
    if (invertsym(m.rows(), k) != 0) return 0;
    if (n > 0) {
        // B' = (X'X)^-1 X'y for every series: b = Y X (X'X)^-1 (symmetric).
        matmul(xty.rows(), xt, k, t, yt, n, t, 0, 1);
        matmul(b, xty.rows(), k, n, m.rows(), k, k, 1, 0);
    }
    if (xtx_inv) m.copy_to(xtx_inv);
    return k;
}

}  // namespace kj::num
