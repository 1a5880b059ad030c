#include "num/linalg_eigen.h"

#include <algorithm>
#include <vector>

#include "num/blas_library.h"
#include "num/linalg_block.h"
#include "num/linalg_kernels.h"

namespace kj::num {

int eigen_default(double** a, int n, double* re, double* im, double** vectors) {
    if (n < 0 || !re || !im || (n > 0 && !a)) return 2;
    if (n == 0) return 0;
    const BlasApi* api = blas();
    if (!api || !api->dgeev) return 2;
    if (!all_finite(a, n, n)) return 1;
    try {
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
    } catch (const std::bad_alloc&) {
        return 2;
    }
}

int eigen(double** a, int n, double* re, double* im, double** vectors) {
    return kernels().eigen(a, n, re, im, vectors);
}

}  // namespace kj::num
