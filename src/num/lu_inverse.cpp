#include "num/lu_inverse.h"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

namespace kj::num {

// 1. Factor P a = L U in a private copy (Doolittle, row operations, the first
//    row of largest absolute value in the column is the pivot).
// 2. Solve L U x = P e for all unit vectors at once: the right-hand sides are
//    the rows of the permuted identity, so every step is a row operation over
//    contiguous memory.
// 3. Copy the result back into a.
int lu_invert(double** a, int n, double eps) {
    if (n <= 0) return Lu_Ok;
    const std::size_t nn = static_cast<std::size_t>(n) * static_cast<std::size_t>(n);
    std::unique_ptr<double[]> lu(new (std::nothrow) double[nn]);
    std::unique_ptr<double[]> x(new (std::nothrow) double[nn]);
    std::unique_ptr<int[]> perm(new (std::nothrow) int[n]);
    if (!lu || !x || !perm) return Lu_OutOfMemory;
    auto LU = [&](int i) { return lu.get() + static_cast<std::size_t>(i) * n; };
    auto X = [&](int i) { return x.get() + static_cast<std::size_t>(i) * n; };
    for (int i = 0; i < n; ++i) {
        std::memcpy(LU(i), a[i], static_cast<std::size_t>(n) * sizeof(double));
        perm[i] = i;
    }

    for (int k = 0; k < n; ++k) {
        int p = k;
        double best = std::fabs(LU(k)[k]);
        for (int i = k + 1; i < n; ++i) {
            const double v = std::fabs(LU(i)[k]);
            if (v > best) {
                best = v;
                p = i;
            }
        }
        if (!(best > eps)) return Lu_Singular;  // NaN pivots fail too
        if (p != k) {
            for (int j = 0; j < n; ++j) std::swap(LU(k)[j], LU(p)[j]);
            std::swap(perm[k], perm[p]);
        }
        const double* rk = LU(k);
        const double inv_pivot = 1.0 / rk[k];
        for (int i = k + 1; i < n; ++i) {
            double* ri = LU(i);
            const double l = ri[k] * inv_pivot;
            ri[k] = l;
            for (int j = k + 1; j < n; ++j) ri[j] -= l * rk[j];
        }
    }

    // Row i of P is the unit vector at perm[i].
    std::memset(x.get(), 0, nn * sizeof(double));
    for (int i = 0; i < n; ++i) X(i)[perm[i]] = 1.0;
    for (int i = 1; i < n; ++i) {  // forward: unit lower L
        double* xi = X(i);
        const double* li = LU(i);
        for (int k = 0; k < i; ++k) {
            const double l = li[k];
            if (l == 0.0) continue;
            const double* xk = X(k);
            for (int j = 0; j < n; ++j) xi[j] -= l * xk[j];
        }
    }
    for (int i = n - 1; i >= 0; --i) {  // backward: U
        double* xi = X(i);
        const double* ui = LU(i);
        for (int k = i + 1; k < n; ++k) {
            const double u = ui[k];
            if (u == 0.0) continue;
            const double* xk = X(k);
            for (int j = 0; j < n; ++j) xi[j] -= u * xk[j];
        }
        const double inv = 1.0 / ui[i];
        for (int j = 0; j < n; ++j) xi[j] *= inv;
    }
    for (int i = 0; i < n; ++i) std::memcpy(a[i], X(i), static_cast<std::size_t>(n) * sizeof(double));
    return Lu_Ok;
}

}  // namespace kj::num
