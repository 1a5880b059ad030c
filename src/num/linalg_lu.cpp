#include "num/linalg_lu.h"

#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "num/blas_library.h"
#include "num/linalg_block.h"
#include "num/linalg_dot.h"
#include "num/linalg_eps.h"
#include "num/linalg_kernels.h"

namespace kj::num {

namespace {

void swap_rows(double* x, double* y, int n) {
    for (int j = 0; j < n; ++j) std::swap(x[j], y[j]);
}

int crout(double** a, int n, int* pivots) {
    std::vector<double> col(static_cast<std::size_t>(n));
    const double eps = invert_eps();
    for (int k = 0; k < n; ++k) {
        // 1. The column of U on and below the diagonal.
        for (int j = 0; j < k; ++j) col[j] = a[j][k];
        for (int i = k; i < n; ++i) a[i][k] -= dot4(a[i], col.data(), k);
        // 2. Pivot: the first row of largest absolute value.
        int p = k;
        double best = std::fabs(a[k][k]);
        for (int i = k + 1; i < n; ++i)
            if (std::fabs(a[i][k]) > best) {
                best = std::fabs(a[i][k]);
                p = i;
            }
        if (p != k) swap_rows(a[k], a[p], n);
        pivots[k] = p;
        // 3. Singular: an identity tail in the pivots and zeros on the diagonal.
        if (!(std::fabs(a[k][k]) > eps)) {
            for (int j = k; j < n; ++j) {
                pivots[j] = j;
                a[j][j] = 0;
            }
            return k + 1;
        }
        // 4. The column of L below, then the row of U to the right.
        const double inv = 1.0 / a[k][k];
        for (int i = k + 1; i < n; ++i) a[i][k] *= inv;
        double* rk = a[k];
        for (int m = 0; m < k; ++m) {
            const double l = rk[m];
            if (l == 0) continue;
            const double* rm = a[m];
            for (int j = k + 1; j < n; ++j) rk[j] -= l * rm[j];
        }
    }
    return 0;
}

// dgetrf on the transposed copy (column-major storage of a), so that the
// exchanges are exchanges of rows of a, as the own decomposition makes them.
int lapack_lu(const BlasApi& api, double** a, int n, int* pivots) {
    std::vector<double> t(static_cast<std::size_t>(n) * n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) t[static_cast<std::size_t>(j) * n + i] = a[i][j];
    std::vector<int> ipiv(static_cast<std::size_t>(n));
    int info = 0;
    api.dgetrf(&n, &n, t.data(), &n, ipiv.data(), &info);
    if (info < 0) return -1;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) a[i][j] = t[static_cast<std::size_t>(j) * n + i];
    for (int k = 0; k < n; ++k) pivots[k] = ipiv[k] - 1;
    const double eps = invert_eps();
    for (int k = 0; k < n; ++k)
        if (!(std::fabs(a[k][k]) > eps)) {
            for (int j = k; j < n; ++j) {
                pivots[j] = j;
                a[j][j] = 0;
            }
            return k + 1;
        }
    return 0;
}

}  // namespace

void lu_logdet(const double* diag, int stride, int n, int exchanges, double eps_norm, double* logdet, int* sign) {
    double sum = 0, smallest = HUGE_VAL;
    int s = exchanges % 2 ? -1 : 1;
    for (int k = 0; k < n; ++k) {
        const double u = diag[static_cast<std::ptrdiff_t>(k) * stride];
        if (u == 0) {
            if (logdet) *logdet = 1.0;
            if (sign) *sign = 0;
            return;
        }
        if (u < 0) s = -s;
        const double au = std::fabs(u);
        sum += std::log(au);
        if (au < smallest) smallest = au;
    }
    if (n > 0 && smallest <= eps_norm) s *= 2;
    if (logdet) *logdet = sum;
    if (sign) *sign = s;
}

int lup_decompose(double** a, int n, int* pivots, double* logdet, int* sign, double**) {
    if (n < 0 || (n > 0 && (!a || !pivots))) return -1;
    const bool pair = logdet || sign;
    const double eps_norm = pair ? invert_eps_norm(a, n) : 0;
    if (sign) *sign = 0;
    if (logdet) *logdet = 0;
    const BlasApi* api = n > k_small_order ? blas() : nullptr;
    const int code = api && api->dgetrf ? lapack_lu(*api, a, n, pivots) : crout(a, n, pivots);
    if (code != 0 || !pair) return code;
    int exchanges = 0;
    for (int k = 0; k < n; ++k) exchanges += pivots[k] != k;
    std::vector<double> diag(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) diag[k] = a[k][k];
    lu_logdet(diag.data(), 1, n, exchanges, eps_norm, logdet, sign);
    return 0;
}

int lup_logdet(double** a, int n, int* pivots, double* logdet, int* sign) {
    const BlasApi* api = n > k_small_order ? blas() : nullptr;
    if (!api || !api->dgetrf) {
        std::vector<int> own;
        if (!pivots) own.resize(static_cast<std::size_t>(n > 0 ? n : 0));
        return lup_decompose(a, n, pivots ? pivots : own.data(), logdet, sign, nullptr);
    }
    if (sign) *sign = 0;
    if (logdet) *logdet = 0;
    const double eps_norm = invert_eps_norm(a, n);
    Contiguous c(a, n, n);
    std::vector<int> ipiv(static_cast<std::size_t>(n));
    int info = 0;
    api->dgetrf(&n, &n, c.data(), &n, ipiv.data(), &info);
    if (info < 0) return -1;
    const double eps = invert_eps();
    int exchanges = 0;
    for (int k = 0; k < n; ++k) {
        if (pivots) pivots[k] = ipiv[k] - 1;
        exchanges += ipiv[k] != k + 1;
    }
    for (int k = 0; k < n; ++k)
        if (!(std::fabs(c.data()[static_cast<std::size_t>(k) * (n + 1)]) > eps)) {
            c.write_back();
            return k + 1;
        }
    lu_logdet(c.data(), n + 1, n, exchanges, eps_norm, logdet, sign);
    c.write_back();
    return 0;
}

int lu_decompose_unpivoted(double** a, int n) {
    const double eps = invert_eps();
    for (int k = 0; k < n; ++k) {
        if (!(std::fabs(a[k][k]) > eps)) return k + 1;
        const double inv = 1.0 / a[k][k];
        for (int i = k + 1; i < n; ++i) {
            const double l = a[i][k] * inv;
            a[i][k] = l;
            if (l == 0) continue;
            for (int j = k + 1; j < n; ++j) a[i][j] -= l * a[k][j];
        }
    }
    return 0;
}

void lup_solve(double** l, double** u, const int* pivots, double* b, int n) {
    if (pivots)
        for (int i = 0; i < n; ++i)
            if (pivots[i] != i) std::swap(b[i], b[pivots[i]]);
    if (l) {
        for (int i = 0; i < n; ++i) {
            double s = b[i];
            for (int j = 0; j < i; ++j)
                if (l[i][j] != 0) s -= l[i][j] * b[j];
            b[i] = l[i][i] != 0 ? s / l[i][i] : 0.0;
        }
    }
    if (u) {
        for (int i = n - 1; i >= 0; --i) {
            double s = b[i];
            for (int j = i + 1; j < n; ++j)
                if (u[i][j] != 0) s -= u[i][j] * b[j];
            b[i] = u[i][i] != 0 ? s / u[i][i] : 0.0;
        }
    }
}

void lup_solve_combined(double** lu, const int* pivots, double* b, int n) {
    if (pivots)
        for (int i = 0; i < n; ++i)
            if (pivots[i] != i) std::swap(b[i], b[pivots[i]]);
    for (int i = 1; i < n; ++i) b[i] -= dot4(lu[i], b, i);
    for (int i = n - 1; i >= 0; --i) {
        const double s = b[i] - dot4(lu[i] + i + 1, b + i + 1, n - i - 1);
        b[i] = lu[i][i] != 0 ? s / lu[i][i] : 0.0;
    }
}

// Rows of the identity, exchanged as the pivots say, then forward and
// backward substitution as row operations over contiguous rows.
int lup_solve_inverse(double** lu, double** x, const int* pivots, int n) {
    for (int i = 0; i < n; ++i) {
        std::memset(x[i], 0, static_cast<std::size_t>(n) * sizeof(double));
        x[i][i] = 1.0;
    }
    if (pivots)
        for (int k = 0; k < n; ++k)
            if (pivots[k] != k) swap_rows(x[k], x[pivots[k]], n);
    for (int i = 1; i < n; ++i) {
        double* xi = x[i];
        for (int k = 0; k < i; ++k) {
            const double l = lu[i][k];
            if (l == 0) continue;
            const double* xk = x[k];
            for (int j = 0; j < n; ++j) xi[j] -= l * xk[j];
        }
    }
    for (int i = n - 1; i >= 0; --i) {
        double* xi = x[i];
        for (int k = i + 1; k < n; ++k) {
            const double u = lu[i][k];
            if (u == 0) continue;
            const double* xk = x[k];
            for (int j = 0; j < n; ++j) xi[j] -= u * xk[j];
        }
        const double inv = lu[i][i] != 0 ? 1.0 / lu[i][i] : 0.0;
        for (int j = 0; j < n; ++j) xi[j] *= inv;
    }
    return 0;
}

namespace {

// Large orders: a in row-major storage is a' in column-major storage, and
// inv(a') = inv(a)', so dgetrf and dgetri on the rows as they are give the
// inverse in place; the determinant of a' is that of a.
int invert_lapack(const BlasApi& api, double** a, int n, double* logdet, int* sign) {
    WorkBlock t(n, n);
    t.copy_from(a);
    const double eps_norm = invert_eps_norm(a, n);
    std::vector<int> ipiv(static_cast<std::size_t>(n));
    int info = 0;
    api.dgetrf(&n, &n, t.data(), &n, ipiv.data(), &info);
    if (info != 0) return 1;
    const double eps = invert_eps();
    int exchanges = 0;
    for (int k = 0; k < n; ++k) {
        if (!(std::fabs(t[k][k]) > eps)) return 1;
        exchanges += ipiv[k] != k + 1;
    }
    lu_logdet(t.data(), n + 1, n, exchanges, eps_norm, logdet, sign);
    int lwork = -1;
    double query = 0;
    api.dgetri(&n, t.data(), &n, ipiv.data(), &query, &lwork, &info);
    lwork = info == 0 && query >= 1 ? static_cast<int>(query) : n * 64;
    std::vector<double> work(static_cast<std::size_t>(lwork));
    api.dgetri(&n, t.data(), &n, ipiv.data(), work.data(), &lwork, &info);
    if (info != 0) return 1;
    t.copy_to(a);
    return 0;
}

}  // namespace

int invert_default(double** a, int n, double* logdet, int* sign) {
    if (logdet) *logdet = 0;
    if (sign) *sign = 0;
    if (n <= 0) return n < 0 ? 1 : 0;
    const BlasApi* api = n > k_small_order ? blas() : nullptr;
    if (api && api->dgetrf && api->dgetri) return invert_lapack(*api, a, n, logdet, sign);
    WorkBlock lu(n, n);
    lu.copy_from(a);
    std::vector<int> pivots(static_cast<std::size_t>(n));
    if (lup_decompose(lu.rows(), n, pivots.data(), logdet, sign, a) != 0) return 1;
    lup_solve_inverse(lu.rows(), a, pivots.data(), n);
    return 0;
}

int invert(double** a, int n, double* logdet, int* sign) { return kernels().invert(a, n, logdet, sign); }

}  // namespace kj::num
