#include "num/linalg_svd.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "num/blas_library.h"
#include "num/linalg_block.h"
#include "num/linalg_kernels.h"

namespace kj::num {

namespace {

constexpr int k_max_sweeps = 60;
constexpr int k_lapack_columns = 16;

double dot(const double* x, const double* y, int n) {
    double s = 0;
    for (int k = 0; k < n; ++k) s += x[k] * y[k];
    return s;
}

void rotate(double* x, double* y, int n, double c, double s) {
    for (int k = 0; k < n; ++k) {
        const double t = x[k];
        x[k] = c * t - s * y[k];
        y[k] = s * t + c * y[k];
    }
}

// Replaces the columns of ut (rows here) with zero norm by unit vectors
// orthogonal to all others (Gram-Schmidt on the standard basis).
void complete_basis(WorkBlock& ut, int c, int r, const std::vector<bool>& zero) {
    std::vector<double> x(static_cast<std::size_t>(r));
    int next = 0;
    for (int j = 0; j < c; ++j) {
        if (!zero[j]) continue;
        for (; next < r; ++next) {
            std::fill(x.begin(), x.end(), 0.0);
            x[next] = 1;
            for (int pass = 0; pass < 2; ++pass)
                for (int k = 0; k < c; ++k) {
                    if (k == j || (zero[k] && k > j)) continue;
                    const double p = dot(ut[k], x.data(), r);
                    for (int i = 0; i < r; ++i) x[i] -= p * ut[k][i];
                }
            const double norm = std::sqrt(dot(x.data(), x.data(), r));
            if (norm > 0.5) {
                for (int i = 0; i < r; ++i) ut[j][i] = x[i] / norm;
                ++next;
                break;
            }
        }
    }
}

// One-sided Jacobi on the columns of a, held as the rows of ut (c x r) so
// that every rotation runs over contiguous memory.
int jacobi_svd(double** a, int r, int c, double* w, double** u, double** v) {
    WorkBlock ut(c, r), vt(c, c);
    for (int i = 0; i < r; ++i)
        for (int j = 0; j < c; ++j) ut[j][i] = a[i][j];
    vt.identity();
    const double eps = 2.220446049250313e-16;
    // A column that rotations have reduced to rounding noise of the whole
    // matrix has no direction left: rotating against it never settles, since
    // its products with the others stay at the noise level. Such columns are
    // left alone and count as zero.
    double frobenius2 = 0;
    for (int j = 0; j < c; ++j) frobenius2 += dot(ut[j], ut[j], r);
    const double noise2 = frobenius2 * (eps * eps) * r * c;
    bool converged = false;
    for (int sweep = 0; sweep < k_max_sweeps && !converged; ++sweep) {
        converged = true;
        for (int p = 0; p < c - 1; ++p)
            for (int q = p + 1; q < c; ++q) {
                const double alpha = dot(ut[p], ut[p], r);
                const double beta = dot(ut[q], ut[q], r);
                const double gamma = dot(ut[p], ut[q], r);
                if (gamma == 0 || std::fabs(gamma) <= eps * std::sqrt(alpha * beta)) continue;
                if (alpha <= noise2 || beta <= noise2) continue;
                converged = false;
                const double zeta = (beta - alpha) / (2 * gamma);
                const double t = (zeta >= 0 ? 1.0 : -1.0) / (std::fabs(zeta) + std::sqrt(1 + zeta * zeta));
                const double cs = 1 / std::sqrt(1 + t * t), sn = cs * t;
                rotate(ut[p], ut[q], r, cs, sn);
                rotate(vt[p], vt[q], c, cs, sn);
            }
    }
    if (!converged) return 1;
    std::vector<bool> zero(static_cast<std::size_t>(c));
    double largest = 0;
    for (int j = 0; j < c; ++j) {
        w[j] = std::sqrt(dot(ut[j], ut[j], r));
        largest = std::max(largest, w[j]);
    }
    for (int j = 0; j < c; ++j) {
        // Below this a column carries no direction of its own.
        zero[j] = !(w[j] > largest * 1e-300) || w[j] == 0 || w[j] * w[j] <= noise2;
        if (zero[j]) w[j] = 0;
        if (!zero[j])
            for (int i = 0; i < r; ++i) ut[j][i] /= w[j];
    }
    if (u) {
        complete_basis(ut, c, r, zero);
        for (int i = 0; i < r; ++i)
            for (int j = 0; j < c; ++j) u[i][j] = ut[j][i];
    }
    if (v)
        for (int i = 0; i < c; ++i)
            for (int j = 0; j < c; ++j) v[i][j] = vt[j][i];
    return 0;
}

// a in row-major storage is a' (c x r) in column-major storage: a' = U1 S V1'
// gives a = V1 S U1'. The rows of VT1 (c x r, column-major) read row-major
// are V1 (r x c), that is U; U1 (c x c) read row-major is V'.
int lapack_svd(const BlasApi& api, double** a, int r, int c, double* w, double** u, double** v) {
    if (!all_finite(a, r, c)) return 1;
    WorkBlock t(r, c);
    t.copy_from(a);
    const bool vectors = u || v;
    const char jobz = vectors ? 'S' : 'N';
    WorkBlock u1(vectors ? c : 1, vectors ? c : 1), vt1(vectors ? r : 1, vectors ? c : 1);
    int m = c, n = r, ldu = vectors ? c : 1, ldvt = vectors ? c : 1, lwork = -1, info = 0;
    std::vector<int> iwork(8 * static_cast<std::size_t>(c));
    double query = 0;
    api.dgesdd(&jobz, &m, &n, t.data(), &m, w, u1.data(), &ldu, vt1.data(), &ldvt, &query, &lwork, iwork.data(),
               &info, 1);
    if (info != 0) return 2;
    lwork = std::max(1, static_cast<int>(query));
    std::vector<double> work(static_cast<std::size_t>(lwork));
    api.dgesdd(&jobz, &m, &n, t.data(), &m, w, u1.data(), &ldu, vt1.data(), &ldvt, work.data(), &lwork, iwork.data(),
               &info, 1);
    if (info != 0) return info < 0 ? 2 : 1;
    if (u) vt1.copy_to(u);
    if (v)
        for (int i = 0; i < c; ++i)
            for (int j = 0; j < c; ++j) v[i][j] = u1[j][i];
    return 0;
}

void sort_decreasing(int r, int c, double* w, double** u, double** v) {
    std::vector<int> order(static_cast<std::size_t>(c));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int x, int y) { return w[x] > w[y]; });
    std::vector<double> tmp(static_cast<std::size_t>(c));
    auto permute = [&](double* x) {
        for (int k = 0; k < c; ++k) tmp[k] = x[order[k]];
        std::copy(tmp.begin(), tmp.end(), x);
    };
    permute(w);
    if (u)
        for (int i = 0; i < r; ++i) permute(u[i]);
    if (v)
        for (int i = 0; i < c; ++i) permute(v[i]);
}

}  // namespace

double row_sum_norm(double** a, int r, int c) {
    double norm = 0;
    for (int i = 0; i < r; ++i) {
        double s = 0;
        for (int j = 0; j < c; ++j) s += std::fabs(a[i][j]);
        norm = std::max(norm, s);
    }
    return norm > 0 ? norm : 1.0;
}

int decsvd_default(double** a, int r, int c, double* w, double** u, double** v, int sort) {
    if (r < c || c < 0 || !w || (c > 0 && !a)) return 2;
    if (c == 0) return 0;
    int code;
    const BlasApi* api = c > k_lapack_columns ? blas() : nullptr;
    if (api && api->dgesdd)
        code = lapack_svd(*api, a, r, c, w, u, v);
    else
        code = jacobi_svd(a, r, c, w, u, v);
    if (code == 0 && sort) sort_decreasing(r, c, w, u, v);
    return code;
}

int decsvd(double** a, int r, int c, double* w, double** u, double** v, int sort) {
    return kernels().decsvd(a, r, c, w, u, v, sort);
}

}  // namespace kj::num
