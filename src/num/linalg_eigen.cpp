#include "num/linalg_eigen.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "num/blas_library.h"
#include "num/linalg_block.h"
#include "num/linalg_kernels.h"

namespace kj::num {

int eigen_default(double** a, int n, double* re, double* im, double** vectors) {
    if (n < 0 || !re || !im || (n > 0 && !a)) return 2;
    if (n == 0) return 0;
    const BlasApi* api = required_blas();
    if (!api || !api->dgeev) return 2;
    if (!all_finite(a, n, n)) return 1;
    const std::size_t nn = static_cast<std::size_t>(n) * n;
    std::vector<double> t(nn), vr(vectors ? nn : 1);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) t[static_cast<std::size_t>(j) * n + i] = a[i][j];
    const char jobvr = vectors ? 'V' : 'N';
    int ldvr = vectors ? n : 1, one = 1, lwork = -1, info = 0;
    double query = 0, dummy = 0;
    api->dgeev("N", &jobvr, &n, t.data(), &n, re, im, &dummy, &one, vr.data(), &ldvr, &query, &lwork, &info, 1, 1);
    if (info != 0) return 2;
    lwork = std::max(1, static_cast<int>(query));
    std::vector<double> work(static_cast<std::size_t>(lwork));
    api->dgeev("N", &jobvr, &n, t.data(), &n, re, im, &dummy, &one, vr.data(), &ldvr, work.data(), &lwork, &info,
               1, 1);
    if (info != 0) return info < 0 ? 2 : 1;
    if (vectors)
        for (int i = 0; i < n; ++i)
            for (int k = 0; k < n; ++k) vectors[i][k] = vr[static_cast<std::size_t>(k) * n + i];
    return 0;
}

int eigen(double** a, int n, double* re, double* im, double** vectors) {
    return kernels().eigen(a, n, re, im, vectors);
}

int eigen_rows(double** a, int n, double* re, double* im) {
    if (n < 0 || (n > 0 && !a)) return 2;
    WorkBlock v(n, n);
    const int code = eigen_default(a, n, re, im, v.rows());
    if (code != 0) return code;
    for (int i = 0; i < n; ++i)
        for (int k = 0; k < n; ++k) a[k][i] = v[i][k];
    return 0;
}

void eigenvector_divide(double** v, int n, const double* im) {
    for (int k = 0; k < n; ++k) {
        const bool pair = im[k] != 0 && k + 1 < n;
        double* x = v[k];
        double* y = pair ? v[k + 1] : nullptr;
        int best = -1;
        double largest = 0;
        for (int i = 0; i < n; ++i) {
            const double m = pair ? std::hypot(x[i], y[i]) : std::fabs(x[i]);
            if (m > largest) largest = m, best = i;
        }
        if (best >= 0 && !pair) {
            const double d = x[best];
            for (int i = 0; i < n; ++i) x[i] /= d;
            x[best] = 1;
        } else if (best >= 0) {
            // (x + iy) / (c + id) = ((x c + y d) + i (y c - x d)) / (c^2 + d^2).
            const double c = x[best], d = y[best], m2 = c * c + d * d;
            for (int i = 0; i < n; ++i) {
                const double xr = x[i], yi = y[i];
                x[i] = (xr * c + yi * d) / m2;
                y[i] = (yi * c - xr * d) / m2;
            }
            x[best] = 1;
            y[best] = 0;
        }
        if (pair) ++k;
    }
}

}  // namespace kj::num
