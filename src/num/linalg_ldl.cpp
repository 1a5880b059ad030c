#include "num/linalg_ldl.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <vector>

#include "num/blas_library.h"
#include "num/linalg_block.h"
#include "num/linalg_dot.h"
#include "num/linalg_eps.h"
#include "num/linalg_kernels.h"
#include "num/linalg_lu.h"

namespace kj::num {

namespace {

// Records D(i) as its reciprocal; a small pivot marks failure.
int set_pivot(double d, double* dinv, int i) {
    if (!(d > invert_eps())) {
        dinv[i] = DBL_MAX;
        return Ldl_SmallPivot;
    }
    dinv[i] = 1.0 / d;
    return Ldl_Ok;
}

}  // namespace

// Row by row: w[k] = L(i,k) D(k) is kept for the current row, so every sum is
// an inner product of two contiguous rows.
int ldl_decompose(double** a, double* dinv, int n) {
    if (n > 0 && (!a || !dinv)) return Ldl_NullArgument;
    int code = Ldl_Ok;
    std::vector<double> w(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        double* li = a[i];
        for (int j = 0; j < i; ++j) {
            const double s = li[j] - dot4(w.data(), a[j], j);
            w[j] = s;
            li[j] = s * dinv[j];
        }
        const double d = li[i] - dot4(w.data(), li, i);
        if (set_pivot(d, dinv, i) != Ldl_Ok) code = Ldl_SmallPivot;
        li[i] = 1.0;
    }
    return code;
}

void ldl_solve(double** l, const double* dinv, double* b, int n) {
    for (int i = 1; i < n; ++i) b[i] -= dot4(l[i], b, i);
    for (int i = 0; i < n; ++i) b[i] *= dinv[i];
    for (int i = n - 1; i >= 0; --i)
        for (int k = i + 1; k < n; ++k)
            if (l[k][i] != 0) b[i] -= l[k][i] * b[k];
}

// x = M' diag(dinv) M with M = inverse of the unit lower L.
void ldl_solve_inverse(double** l, const double* dinv, double** x, int n) {
    WorkBlock m(n, n);
    m.identity();
    for (int i = 1; i < n; ++i) {
        double* mi = m[i];
        for (int k = 0; k < i; ++k) {
            const double c = l[i][k];
            if (c == 0) continue;
            const double* mk = m[k];
            for (int j = 0; j <= k; ++j) mi[j] -= c * mk[j];
        }
    }
    for (int i = 0; i < n; ++i) std::memset(x[i], 0, static_cast<std::size_t>(n) * sizeof(double));
    for (int k = 0; k < n; ++k) {
        const double* mk = m[k];
        for (int i = 0; i <= k; ++i) {
            const double c = mk[i] * dinv[k];
            if (c == 0) continue;
            double* xi = x[i];
            for (int j = 0; j <= i; ++j) xi[j] += c * mk[j];
        }
    }
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < i; ++j) x[j][i] = x[i][j];
}

namespace {

// Positive pivots make L D L' the Choleski factorisation with D(i) = l(i,i)^2,
// so large orders use dpotrf and dpotri (lower triangle of the rows = upper
// triangle of the column-major reading).
int invertsym_lapack(const BlasApi& api, double** a, int n, double* logdet) {
    WorkBlock t(n, n);
    t.copy_from(a);
    int info = 0;
    api.dpotrf("U", &n, t.data(), &n, &info, 1);
    if (info != 0) return Ldl_SmallPivot;
    const double eps = invert_eps();
    double sum = 0;
    for (int k = 0; k < n; ++k) {
        const double d = t[k][k] * t[k][k];
        if (!(d > eps)) return Ldl_SmallPivot;
        sum += std::log(d);
    }
    api.dpotri("U", &n, t.data(), &n, &info, 1);
    if (info != 0) return Ldl_SmallPivot;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < i; ++j) t[j][i] = t[i][j];
    t.copy_to(a);
    if (logdet) *logdet = sum;
    return Ldl_Ok;
}

}  // namespace

int invertsym_default(double** a, int n, double* logdet) {
    if (logdet) *logdet = 0;
    if (n < 0 || (n > 0 && !a)) return Ldl_NullArgument;
    if (n == 0) return Ldl_Ok;
    const BlasApi* api = n > k_small_order ? blas() : nullptr;
    if (api && api->dpotrf && api->dpotri) return invertsym_lapack(*api, a, n, logdet);
    WorkBlock l(n, n);
    l.copy_from(a);
    std::vector<double> dinv(static_cast<std::size_t>(n));
    const int code = ldl_decompose(l.rows(), dinv.data(), n);
    if (code != Ldl_Ok) return code;
    if (logdet) {
        double sum = 0;
        for (double d : dinv) sum -= std::log(d);
        *logdet = sum;
    }
    ldl_solve_inverse(l.rows(), dinv.data(), a, n);
    return Ldl_Ok;
}

int invertsym(double** a, int n, double* logdet) { return kernels().invertsym(a, n, logdet); }

int ldl_band_decompose(double** b, double* dinv, int n, int p) {
    if (n > 0 && (!b || !dinv || p < 0)) return Ldl_NullArgument;
    auto at = [&](int i, int k) -> double& { return b[p - (i - k)][i]; };  // element (i, k), i - k <= p
    int code = Ldl_Ok;
    std::vector<double> w(static_cast<std::size_t>(p) + 1);
    for (int i = 0; i < n; ++i) {
        const int first = std::max(0, i - p);
        for (int j = first; j < i; ++j) {
            double s = at(i, j);
            for (int k = std::max(first, j - p); k < j; ++k) s -= w[k - first] * at(j, k);
            w[j - first] = s;
            at(i, j) = s * dinv[j];
        }
        double d = at(i, i);
        for (int k = first; k < i; ++k) d -= w[k - first] * at(i, k);
        if (set_pivot(d, dinv, i) != Ldl_Ok) code = Ldl_SmallPivot;
        at(i, i) = 1.0;
    }
    return code;
}

void ldl_band_solve(double** l, const double* dinv, double* x, int n, int p) {
    auto at = [&](int i, int k) { return l[p - (i - k)][i]; };
    for (int i = 0; i < n; ++i)
        for (int k = std::max(0, i - p); k < i; ++k) x[i] -= at(i, k) * x[k];
    for (int i = 0; i < n; ++i) x[i] *= dinv[i];
    for (int i = n - 1; i >= 0; --i)
        for (int k = i + 1; k <= std::min(n - 1, i + p); ++k) x[i] -= at(k, i) * x[k];
}

}  // namespace kj::num
