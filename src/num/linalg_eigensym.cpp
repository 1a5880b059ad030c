#include "num/linalg_eigensym.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "num/blas_library.h"
#include "num/linalg_block.h"
#include "num/linalg_choleski.h"
#include "num/linalg_kernels.h"
#include "num/linalg_lu.h"

namespace kj::num {

namespace {

constexpr int k_max_iterations = 50;
constexpr int k_lapack_order = 32;

// Householder reduction of the symmetric v (lower triangle) to tridiagonal
// form: diagonal d, sub-diagonal e (e[0] unused); v becomes the orthogonal
// transformation, one column per basis vector.
void tridiagonalise(WorkBlock& v, int n, double* d, double* e) {
    for (int j = 0; j < n; ++j) d[j] = v[n - 1][j];
    for (int i = n - 1; i > 0; --i) {
        double scale = 0, h = 0;
        for (int k = 0; k < i; ++k) scale += std::fabs(d[k]);
        if (scale == 0) {
            e[i] = d[i - 1];
            for (int j = 0; j < i; ++j) {
                d[j] = v[i - 1][j];
                v[i][j] = 0;
                v[j][i] = 0;
            }
        } else {
            for (int k = 0; k < i; ++k) {
                d[k] /= scale;
                h += d[k] * d[k];
            }
            double f = d[i - 1];
            double g = std::sqrt(h);
            if (f > 0) g = -g;
            e[i] = scale * g;
            h -= f * g;
            d[i - 1] = f - g;
            for (int j = 0; j < i; ++j) e[j] = 0;
            for (int j = 0; j < i; ++j) {
                f = d[j];
                v[j][i] = f;
                g = e[j] + v[j][j] * f;
                for (int k = j + 1; k <= i - 1; ++k) {
                    g += v[k][j] * d[k];
                    e[k] += v[k][j] * f;
                }
                e[j] = g;
            }
            f = 0;
            for (int j = 0; j < i; ++j) {
                e[j] /= h;
                f += e[j] * d[j];
            }
            const double hh = f / (h + h);
            for (int j = 0; j < i; ++j) e[j] -= hh * d[j];
            for (int j = 0; j < i; ++j) {
                f = d[j];
                g = e[j];
                for (int k = j; k <= i - 1; ++k) v[k][j] -= (f * e[k] + g * d[k]);
                d[j] = v[i - 1][j];
                v[i][j] = 0;
            }
        }
        d[i] = h;
    }
    // Accumulate the transformations.
    for (int i = 0; i < n - 1; ++i) {
        v[n - 1][i] = v[i][i];
        v[i][i] = 1;
        const double h = d[i + 1];
        if (h != 0) {
            for (int k = 0; k <= i; ++k) d[k] = v[k][i + 1] / h;
            for (int j = 0; j <= i; ++j) {
                double g = 0;
                for (int k = 0; k <= i; ++k) g += v[k][i + 1] * v[k][j];
                for (int k = 0; k <= i; ++k) v[k][j] -= g * d[k];
            }
        }
        for (int k = 0; k <= i; ++k) v[k][i + 1] = 0;
    }
    for (int j = 0; j < n; ++j) {
        d[j] = v[n - 1][j];
        v[n - 1][j] = 0;
    }
    v[n - 1][n - 1] = 1;
    e[0] = 0;
}

// Implicit QL on the tridiagonal matrix; the rotations are applied to the
// columns of v when it is given.
int tridiagonal_ql(WorkBlock* v, int n, double* d, double* e) {
    for (int i = 1; i < n; ++i) e[i - 1] = e[i];
    e[n - 1] = 0;
    double f = 0, tst1 = 0;
    const double eps = std::ldexp(1.0, -52);
    for (int l = 0; l < n; ++l) {
        tst1 = std::max(tst1, std::fabs(d[l]) + std::fabs(e[l]));
        int m = l;
        while (m < n - 1 && !(std::fabs(e[m]) <= eps * tst1)) ++m;
        if (m > l) {
            int iter = 0;
            do {
                if (++iter > k_max_iterations) return Eigen_NoConvergence;
                double g = d[l];
                double p = (d[l + 1] - g) / (2 * e[l]);
                double r = std::hypot(p, 1.0);
                if (p < 0) r = -r;
                d[l] = e[l] / (p + r);
                d[l + 1] = e[l] * (p + r);
                const double dl1 = d[l + 1];
                double h = g - d[l];
                for (int i = l + 2; i < n; ++i) d[i] -= h;
                f += h;
                p = d[m];
                double c = 1, c2 = 1, c3 = 1, s = 0, s2 = 0;
                const double el1 = e[l + 1];
                for (int i = m - 1; i >= l; --i) {
                    c3 = c2;
                    c2 = c;
                    s2 = s;
                    g = c * e[i];
                    h = c * p;
                    r = std::hypot(p, e[i]);
                    e[i + 1] = s * r;
                    s = e[i] / r;
                    c = p / r;
                    p = c * d[i] - s * g;
                    d[i + 1] = h + s * (c * g + s * d[i]);
                    if (v)
                        for (int k = 0; k < n; ++k) {
                            double* row = (*v)[k];
                            h = row[i + 1];
                            row[i + 1] = s * row[i] + c * h;
                            row[i] = c * row[i] - s * h;
                        }
                }
                p = -s * s2 * c3 * el1 * e[l] / dl1;
                e[l] = s * p;
                d[l] = c * p;
                if (!std::isfinite(d[l])) return Eigen_NoConvergence;
            } while (std::fabs(e[l]) > eps * tst1);
        }
        d[l] += f;
        e[l] = 0;
    }
    return Eigen_Ok;
}

// Eigenvalues decreasing; vectors (columns of v) into the rows of a.
void sort_into(double** a, int n, const double* d, WorkBlock* v, double* eval) {
    std::vector<int> order(static_cast<std::size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int x, int y) { return d[x] > d[y]; });
    for (int k = 0; k < n; ++k) eval[k] = d[order[k]];
    if (v)
        for (int k = 0; k < n; ++k)
            for (int i = 0; i < n; ++i) a[k][i] = (*v)[i][order[k]];
}

// The lower triangle of the rows is the upper triangle of the column-major
// reading; dsyevd returns the eigenvectors as columns of that reading, that
// is as rows, in increasing order.
int eigensym_lapack(const BlasApi& api, double** a, int n, double* eval, int want) {
    WorkBlock t(n, n);
    t.copy_from(a);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j <= i; ++j)
            if (!std::isfinite(t[i][j])) return Eigen_NoConvergence;
    const char jobz = want ? 'V' : 'N';
    std::vector<double> w(static_cast<std::size_t>(n));
    int lwork = -1, liwork = -1, info = 0, iquery = 0;
    double query = 0;
    api.dsyevd(&jobz, "U", &n, t.data(), &n, w.data(), &query, &lwork, &iquery, &liwork, &info, 1, 1);
    if (info != 0) return Eigen_BadArgument;
    lwork = std::max(1, static_cast<int>(query));
    liwork = std::max(1, iquery);
    std::vector<double> work(static_cast<std::size_t>(lwork));
    std::vector<int> iwork(static_cast<std::size_t>(liwork));
    api.dsyevd(&jobz, "U", &n, t.data(), &n, w.data(), work.data(), &lwork, iwork.data(), &liwork, &info, 1, 1);
    if (info != 0) return info < 0 ? Eigen_BadArgument : Eigen_NoConvergence;
    for (int k = 0; k < n; ++k) eval[k] = w[static_cast<std::size_t>(n - 1 - k)];
    if (want)
        for (int k = 0; k < n; ++k)
            std::copy(t[n - 1 - k], t[n - 1 - k] + n, a[k]);
    return Eigen_Ok;
}

}  // namespace

int eigensym_ql(double** a, int n, double* eval, int want) {
    if (n < 0 || !eval || (n > 0 && !a)) return Eigen_BadArgument;
    if (n == 0) return Eigen_Ok;
    WorkBlock v(n, n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j <= i; ++j) v[i][j] = v[j][i] = a[i][j];
    std::vector<double> d(static_cast<std::size_t>(n)), e(static_cast<std::size_t>(n));
    tridiagonalise(v, n, d.data(), e.data());
    const int code = tridiagonal_ql(want ? &v : nullptr, n, d.data(), e.data());
    if (code != Eigen_Ok) return code;
    sort_into(a, n, d.data(), want ? &v : nullptr, eval);
    return Eigen_Ok;
}

int eigensym_default(double** a, int n, double* eval, int want) {
    if (n < 0 || !eval || (n > 0 && !a)) return Eigen_BadArgument;
    if (n > k_lapack_order) {
        const BlasApi* api = blas();
        if (api && api->dsyevd) return eigensym_lapack(*api, a, n, eval, want);
    }
    return eigensym_ql(a, n, eval, want);
}

int eigensym(double** a, int n, double* eval, int want) { return kernels().eigensym(a, n, eval, want); }

// With B = L L': C = inv(L) A inv(L)' has the same eigenvalues, and x =
// inv(L)' y for each eigenvector y of C.
int eigensym_generalized(double** a, double** b, int n, double* eval) {
    if (n < 0 || !eval || (n > 0 && (!a || !b))) return Eigen_BadArgument;
    if (n == 0) return Eigen_Ok;
    if (!choleski(b, n)) return Eigen_BadArgument;
    WorkBlock c(n, n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j <= i; ++j) c[i][j] = c[j][i] = a[i][j];
    // Y = inv(L) A: forward substitution on the columns (rows of c as right-hand sides).
    for (int i = 0; i < n; ++i) {
        for (int k = 0; k < i; ++k) {
            const double l = b[i][k];
            if (l != 0)
                for (int j = 0; j < n; ++j) c[i][j] -= l * c[k][j];
        }
        for (int j = 0; j < n; ++j) c[i][j] /= b[i][i];
    }
    // C = Y inv(L)': the same on the rows of Y.
    for (int r = 0; r < n; ++r) {
        double* y = c[r];
        for (int i = 0; i < n; ++i) {
            double s = y[i];
            for (int k = 0; k < i; ++k) s -= b[i][k] * y[k];
            y[i] = s / b[i][i];
        }
    }
    const int code = eigensym(c.rows(), n, eval, 1);
    if (code != Eigen_Ok) return code;
    // x = inv(L)' y: back substitution with L' for each eigenvector row.
    for (int r = 0; r < n; ++r) {
        double* y = c[r];
        for (int i = n - 1; i >= 0; --i) {
            double s = y[i];
            for (int k = i + 1; k < n; ++k) s -= b[k][i] * y[k];
            y[i] = s / b[i][i];
        }
        std::copy(y, y + n, a[r]);
    }
    return Eigen_Ok;
}

}  // namespace kj::num
