#include "num/linalg_rank.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "num/linalg_eigensym.h"
#include "num/linalg_eps.h"
#include "num/linalg_svd.h"

namespace kj::num {

namespace {

// a, or its transpose when r < c, as a tall block.
WorkBlock tall_copy(double** a, int r, int c) {
    const bool t = r < c;
    WorkBlock x(t ? c : r, t ? r : c);
    for (int i = 0; i < r; ++i)
        for (int j = 0; j < c; ++j) (t ? x[j][i] : x[i][j]) = a[i][j];
    return x;
}

double frobenius(double** a, int r, int c) {
    double s = 0;
    for (int i = 0; i < r; ++i)
        for (int j = 0; j < c; ++j) s += a[i][j] * a[i][j];
    return std::sqrt(s);
}

}  // namespace

int matrix_rank(double** a, int r, int c, double tol, bool absolute) {
    if (r <= 0 || c <= 0) return 0;
    WorkBlock x = tall_copy(a, r, c);
    std::vector<double> w(static_cast<std::size_t>(x.c()));
    if (decsvd(x.rows(), x.r(), x.c(), w.data(), nullptr, nullptr, 1) != 0) return -2;
    const double threshold = absolute ? tol : tol * frobenius(a, r, c);
    return static_cast<int>(std::count_if(w.begin(), w.end(), [&](double s) { return s > threshold; }));
}

int null_space(double** a, int r, int c, WorkBlock& out) {
    const bool t = r < c;
    const int n = t ? c : r;
    // The square block of order max(r, c): a (or a') padded with zero columns.
    WorkBlock s(n, n);
    for (int i = 0; i < r; ++i)
        for (int j = 0; j < c; ++j) (t ? s[j][i] : s[i][j]) = a[i][j];
    WorkBlock u(n, n);
    std::vector<double> w(static_cast<std::size_t>(n));
    if (decsvd(s.rows(), n, n, w.data(), u.rows(), nullptr, 1) != 0) return -2;
    const double threshold = 10 * invert_eps() * frobenius(a, r, c);
    const int rank = static_cast<int>(std::count_if(w.begin(), w.end(), [&](double x) { return x > threshold; }));
    out.resize(n, n - rank);
    for (int i = 0; i < n; ++i)
        for (int j = rank; j < n; ++j) out[i][j - rank] = u[i][j];
    return n - rank;
}

int generalized_inverse(double** a, int r, int c, double** result, double* w_out) {
    if (r <= 0 || c <= 0) return 1;
    const bool t = r < c;
    WorkBlock x = tall_copy(a, r, c);
    const int m = x.r(), k = x.c();
    const double norm = row_sum_norm(x.rows(), m, k);
    WorkBlock u(m, k), v(k, k);
    std::vector<double> w(static_cast<std::size_t>(k));
    if (decsvd(x.rows(), m, k, w.data(), u.rows(), v.rows(), 1) != 0) return 0;
    if (w_out) std::copy(w.begin(), w.end(), w_out);
    const double threshold = invert_eps() * 10 * norm;
    for (double& s : w) s = s > threshold ? 1 / s : 0.0;
    // x = U S V': x+ = V S+ U' (k x m); a+ = x+ when r >= c, else (x+)'.
    for (int i = 0; i < k; ++i)
        for (int j = 0; j < m; ++j) {
            double s = 0;
            for (int l = 0; l < k; ++l) s += v[i][l] * w[l] * u[j][l];
            (t ? result[j][i] : result[i][j]) = s;
        }
    return 1;
}

int generalized_inverse_sym(double** a, int n, double** result) {
    if (n <= 0) return 1;
    WorkBlock v(n, n);
    v.copy_from(a);
    const double norm = row_sum_norm(a, n, n);
    std::vector<double> lambda(static_cast<std::size_t>(n));
    if (eigensym(v.rows(), n, lambda.data(), 1) != 0) return 0;
    const double threshold = invert_eps() * 10 * norm;
    for (double& l : lambda) l = l > threshold ? 1 / l : 0.0;
    // Eigenvectors are the rows of v: a+ = sum_k v_k' v_k / lambda_k.
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            double s = 0;
            for (int k = 0; k < n; ++k) s += v[k][i] * lambda[k] * v[k][j];
            result[i][j] = s;
        }
    return 1;
}

}  // namespace kj::num
