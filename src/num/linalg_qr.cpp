#include "num/linalg_qr.h"

#include <cmath>
#include <utility>
#include <vector>

#include "num/linalg_eps.h"
#include "num/linalg_kernels.h"

namespace kj::num {

namespace {

double dot(const double* x, const double* y, int n) {
    double s0 = 0, s1 = 0;
    int k = 0;
    for (; k + 2 <= n; k += 2) {
        s0 += x[k] * y[k];
        s1 += x[k + 1] * y[k + 1];
    }
    if (k < n) s0 += x[k] * y[k];
    return s0 + s1;
}

void reflect(const double* v, double* y, int n) {
    const double p = dot(v, y, n);
    if (p == 0) return;
    for (int i = 0; i < n; ++i) y[i] -= p * v[i];
}

}  // namespace

int decqr_default(double** xt, int c, int r, double* rdiag, int* pivots) {
    return decqr_fixed(xt, c, r, rdiag, pivots, 0);
}

int decqr_fixed(double** xt, int c, int r, double* rdiag, int* pivots, int fixed) {
    if (c < 0 || r < 0 || fixed < 0 || (c > 0 && (!xt || !rdiag))) return 2;
    const int k = c < r ? c : r;
    if (pivots)
        for (int j = 0; j < c; ++j) pivots[j] = j;
    for (int j = 0; j < k; ++j) {
        const int m = r - j;
        if (pivots && j >= fixed) {
            int p = j;
            double best = -1;
            for (int q = j; q < c; ++q) {
                const double s = dot(xt[q] + j, xt[q] + j, m);
                if (s > best) {
                    best = s;
                    p = q;
                }
            }
            if (p != j) {
                for (int i = 0; i < r; ++i) std::swap(xt[j][i], xt[p][i]);
                std::swap(pivots[j], pivots[p]);
            }
        }
        double* x = xt[j] + j;
        const double norm = std::sqrt(dot(x, x, m));
        if (norm == 0 || !std::isfinite(norm)) {
            rdiag[j] = norm == 0 ? 0.0 : norm;
            for (int i = 0; i < m; ++i) x[i] = 0;
            continue;
        }
        const double alpha = x[0] > 0 ? -norm : norm;
        x[0] -= alpha;
        const double scale = 1.0 / std::sqrt(norm * (norm + std::fabs(x[0] + alpha)));  // |v| = sqrt(2)
        for (int i = 0; i < m; ++i) x[i] *= scale;
        rdiag[j] = alpha;
        for (int q = j + 1; q < c; ++q) reflect(x, xt[q] + j, m);
    }
    return 0;
}

int decqr(double** xt, int c, int r, double* rdiag, int* pivots) {
    return kernels().decqr(xt, c, r, rdiag, pivots);
}

int qr_rank(const double* rdiag, int k, double tol) {
    if (k <= 0) return 0;
    const double threshold = (tol > 0 ? tol : invert_eps()) * std::fabs(rdiag[0]);
    int rank = 0;
    while (rank < k && std::fabs(rdiag[rank]) > threshold) ++rank;
    return rank;
}

int mgs_decompose(double** qt, int c, int r, double** rr) {
    if (r < c) return 1;
    const double eps = invert_eps();
    for (int j = 0; j < c; ++j)
        for (int k = 0; k < c; ++k) rr[j][k] = 0;
    std::vector<double> original(static_cast<std::size_t>(c));
    for (int j = 0; j < c; ++j) original[j] = std::sqrt(dot(qt[j], qt[j], r));
    for (int j = 0; j < c; ++j) {
        const double norm = std::sqrt(dot(qt[j], qt[j], r));
        if (!(norm > eps * original[j])) return 1;
        rr[j][j] = norm;
        for (int i = 0; i < r; ++i) qt[j][i] /= norm;
        for (int k = j + 1; k < c; ++k) {
            const double p = dot(qt[j], qt[k], r);
            rr[j][k] = p;
            for (int i = 0; i < r; ++i) qt[k][i] -= p * qt[j][i];
        }
    }
    return 0;
}

void qr_apply_qt(double** xt, int k, int r, double* y) {
    for (int j = 0; j < k; ++j) reflect(xt[j] + j, y + j, r - j);
}

void qr_apply_q(double** xt, int k, int r, double* y) {
    for (int j = k - 1; j >= 0; --j) reflect(xt[j] + j, y + j, r - j);
}

}  // namespace kj::num
