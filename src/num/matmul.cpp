#include "num/matmul.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "num/blas_library.h"
#include "num/linalg_kernels.h"
#include "num/tall_product.h"

namespace kj::num {

namespace {
// Below this many multiply-adds the BLAS call costs more than the loop.
constexpr long k_blas_threshold = 4096;
constexpr int k_block = 64;

bool contiguous(double** m, int r, int c) {
    if (r <= 0 || !m) return false;
    const double* base = m[0];
    for (int i = 1; i < r; ++i)
        if (m[i] != base + static_cast<std::ptrdiff_t>(i) * c) return false;
    return true;
}

void zero_rows(double** y, int r, int c) {
    for (int i = 0; i < r; ++i) std::memset(y[i], 0, static_cast<std::size_t>(c) * sizeof(double));
}

// Element (i, k) of op(a).
inline double at(double** a, int t, int i, int k) { return t ? a[k][i] : a[i][k]; }

void matmul_checked(double** y, double** a, int ra, int ca, double** b, int rb, int cb, int ta, int tb,
                    bool known_contiguous);
}  // namespace

void set_matmul_kernel(MatmulKernel kernel) { set_kernel("KjKnlMatmul", reinterpret_cast<void*>(kernel)); }
MatmulKernel matmul_kernel() { return kernels().matmul; }

void matmul(double** y, double** a, int ra, int ca, double** b, int rb, int cb, int ta, int tb) {
    kernels().matmul(y, a, ra, ca, b, rb, cb, ta, tb);
}

void matmul_contiguous(double** y, double** a, int ra, int ca, double** b, int rb, int cb, int ta, int tb) {
    const MatmulKernel k = kernels().matmul;
    if (k == matmul_default) matmul_checked(y, a, ra, ca, b, rb, cb, ta, tb, true);
    else k(y, a, ra, ca, b, rb, cb, ta, tb);
}

// Blocked over the inner and column dimensions so that a panel of op(b) stays
// in cache while the rows of y are accumulated left to right (i-k-j order,
// unit stride in y and b when b is not transposed).
void matmul_rows(double** y, double** a, int ra, int ca, double** b, int rb, int cb, int ta, int tb) {
    const int m = ta ? ca : ra;
    const int n = tb ? rb : cb;
    const int inner = ta ? ra : ca;
    if (m <= 0 || n <= 0) return;
    zero_rows(y, m, n);
    for (int k0 = 0; k0 < inner; k0 += k_block) {
        const int k1 = std::min(inner, k0 + k_block);
        for (int j0 = 0; j0 < n; j0 += 4 * k_block) {
            const int j1 = std::min(n, j0 + 4 * k_block);
            for (int i = 0; i < m; ++i) {
                double* yi = y[i];
                for (int k = k0; k < k1; ++k) {
                    const double aik = at(a, ta, i, k);
                    if (!tb) {
                        const double* bk = b[k];
                        for (int j = j0; j < j1; ++j) yi[j] += aik * bk[j];
                    } else {
                        for (int j = j0; j < j1; ++j) yi[j] += aik * b[j][k];
                    }
                }
            }
        }
    }
}

void matmul_default(double** y, double** a, int ra, int ca, double** b, int rb, int cb, int ta, int tb) {
    matmul_checked(y, a, ra, ca, b, rb, cb, ta, tb, false);
}

namespace {
void matmul_checked(double** y, double** a, int ra, int ca, double** b, int rb, int cb, int ta, int tb,
                    bool known_contiguous) {
    const int m = ta ? ca : ra;
    const int n = tb ? rb : cb;
    const int inner = ta ? ra : ca;
    if (m <= 0 || n <= 0) return;
    if (inner <= 0) {
        zero_rows(y, m, n);
        return;
    }
    const long work = static_cast<long>(m) * n * inner;
    const BlasApi* api = nullptr;
    const bool rows_in_one_block =
        known_contiguous || (contiguous(a, ra, ca) && ((b == a && rb == ra && cb == ca) || contiguous(b, rb, cb)) && contiguous(y, m, n));
    // a'b of tall, narrow blocks (x'x, x'y): one pass over the rows.
    if (ta && !tb && rows_in_one_block && tall_transposed_product(y[0], a[0], ca, b[0], cb, ra)) return;
    if (work < k_blas_threshold || !rows_in_one_block || !(api = blas())) {
        matmul_rows(y, a, ra, ca, b, rb, cb, ta, tb);
        return;
    }
    using namespace lapack;
    if (m == 1 && n == 1) {
        // Row times column: one inner product.
        y[0][0] = api->ddot(inner, a[0], ta ? ca : 1, b[0], tb ? 1 : cb);
        return;
    }
    if (a == b && ta != tb && ra == rb && ca == cb) {
        // a'a or aa': one triangle by dsyrk, mirrored into the other.
        api->dsyrk(k_row_major, k_upper, ta ? k_trans : k_no_trans, m, inner, 1.0, a[0], ca, 0.0, y[0], n);
        for (int i = 1; i < m; ++i)
            for (int j = 0; j < i; ++j) y[i][j] = y[j][i];
        return;
    }
    api->dgemm(k_row_major, ta ? k_trans : k_no_trans, tb ? k_trans : k_no_trans, m, n, inner, 1.0, a[0], ca, b[0],
               cb, 0.0, y[0], n);
}
}  // namespace

}  // namespace kj::num
