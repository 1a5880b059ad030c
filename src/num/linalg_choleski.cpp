#include "num/linalg_choleski.h"

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

void zero_upper(double** a, int n) {
    for (int i = 0; i + 1 < n; ++i) std::memset(a[i] + i + 1, 0, static_cast<std::size_t>(n - i - 1) * sizeof(double));
}

// Row by row; the reciprocal of each diagonal is kept on the diagonal during
// the loop and turned back at the end.
int choleski_rows(double** a, int n) {
    const double eps = invert_eps();
    for (int i = 0; i < n; ++i) {
        double* li = a[i];
        for (int j = 0; j < i; ++j) li[j] = (li[j] - dot4(li, a[j], j)) * a[j][j];
        const double x = li[i] - dot4(li, li, i);
        if (!(x > eps)) return 1;
        li[i] = 1.0 / std::sqrt(x);
    }
    for (int i = 0; i < n; ++i) a[i][i] = 1.0 / a[i][i];
    zero_upper(a, n);
    return 0;
}

// The lower triangle of the row-major block is the upper triangle of its
// column-major reading, so dpotrf("U") leaves L in the rows as they are.
int choleski_lapack(const BlasApi& api, double** a, int n) {
    Contiguous c(a, n, n);
    int info = 0;
    api.dpotrf("U", &n, c.data(), &n, &info, 1);
    if (info != 0) return 1;
    const double eps = invert_eps();
    for (int k = 0; k < n; ++k) {
        const double d = c.data()[static_cast<std::size_t>(k) * (n + 1)];
        if (!(d * d > eps)) return 1;
    }
    c.write_back();
    zero_upper(a, n);
    return 0;
}

}  // namespace

int choleski_default(double** a, int n) {
    if (n < 0 || (n > 0 && !a)) return 1;
    const BlasApi* api = n > k_small_order ? blas() : nullptr;
    if (api && api->dpotrf) return choleski_lapack(*api, a, n);
    return choleski_rows(a, n);
}

bool choleski(double** a, int n) { return kernels().choleski(a, n) == 0; }

}  // namespace kj::num
