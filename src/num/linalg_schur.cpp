#include "num/linalg_schur.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "num/blas_library.h"
#include "num/linalg_block.h"

namespace kj::num {

namespace {

// LAPACK reads column-major storage: copies in and out transposed.
std::vector<double> column_major(double** a, int n) {
    std::vector<double> t(static_cast<std::size_t>(n) * n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) t[static_cast<std::size_t>(j) * n + i] = a[i][j];
    return t;
}
void row_major(const std::vector<double>& t, double** a, int n) {
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) a[i][j] = t[static_cast<std::size_t>(j) * n + i];
}

int lhp(const double* re, const double*) { return *re < 0; }
int rhp(const double* re, const double*) { return *re > 0; }
int iuc(const double* re, const double* im) { return std::hypot(*re, *im) < 1; }
int ouc(const double* re, const double* im) { return std::hypot(*re, *im) > 1; }

lapack::Select2 select2(SchurSelect s) {
    switch (s) {
        case SchurSelect::LeftHalfPlane: return lhp;
        case SchurSelect::RightHalfPlane: return rhp;
        case SchurSelect::InsideUnitCircle: return iuc;
        case SchurSelect::OutsideUnitCircle: return ouc;
        default: return nullptr;
    }
}

// The generalized eigenvalue (ar + i ai) / b; b = 0 is infinite.
SchurSelect g_select = SchurSelect::None;
int select3(const double* ar, const double* ai, const double* b) {
    if (*b == 0) return g_select == SchurSelect::OutsideUnitCircle;
    const double re = *ar / *b, im = *ai / *b;
    const lapack::Select2 f = select2(g_select);
    return f ? f(&re, &im) : 0;
}

}  // namespace

int schur(double** a, int n, double* re, double* im, double** v, SchurSelect select) {
    if (n <= 0) return 0;
    const BlasApi* api = required_blas();
    if (!api || !api->dgees) return 2;
    if (!all_finite(a, n, n)) return 1;
    std::vector<double> t = column_major(a, n), vs(static_cast<std::size_t>(n) * n);
    std::vector<int> bwork(static_cast<std::size_t>(n));
    const lapack::Select2 f = select2(select);
    const char* sort = f ? "S" : "N";
    int sdim = 0, lwork = -1, info = 0;
    double query = 0;
    api->dgees("V", sort, f, &n, t.data(), &n, &sdim, re, im, vs.data(), &n, &query, &lwork, bwork.data(), &info,
               1, 1);
    if (info != 0) return 1;
    lwork = std::max(1, static_cast<int>(query));
    std::vector<double> work(static_cast<std::size_t>(lwork));
    api->dgees("V", sort, f, &n, t.data(), &n, &sdim, re, im, vs.data(), &n, work.data(), &lwork, bwork.data(),
               &info, 1, 1);
    if (info != 0 && info != n + 2) return 1;  // n + 2: reordering rounded a selection
    row_major(t, a, n);
    if (v) row_major(vs, v, n);
    return 0;
}

int schur_generalized(double** a, double** b, int n, double* alphar, double* alphai, double* beta, double** q,
                      double** z, SchurSelect select) {
    if (n <= 0) return 0;
    const BlasApi* api = required_blas();
    if (!api || !api->dgges) return 2;
    if (!all_finite(a, n, n) || !all_finite(b, n, n)) return 1;
    std::vector<double> ta = column_major(a, n), tb = column_major(b, n);
    std::vector<double> vsl(static_cast<std::size_t>(n) * n), vsr(static_cast<std::size_t>(n) * n);
    std::vector<int> bwork(static_cast<std::size_t>(n));
    g_select = select;
    const bool sorting = select != SchurSelect::None;
    const char* sort = sorting ? "S" : "N";
    int sdim = 0, lwork = -1, info = 0;
    double query = 0;
    api->dgges("V", "V", sort, sorting ? select3 : nullptr, &n, ta.data(), &n, tb.data(), &n, &sdim, alphar,
               alphai, beta, vsl.data(), &n, vsr.data(), &n, &query, &lwork, bwork.data(), &info, 1, 1, 1);
    if (info != 0) return 1;
    lwork = std::max(1, static_cast<int>(query));
    std::vector<double> work(static_cast<std::size_t>(lwork));
    api->dgges("V", "V", sort, sorting ? select3 : nullptr, &n, ta.data(), &n, tb.data(), &n, &sdim, alphar,
               alphai, beta, vsl.data(), &n, vsr.data(), &n, work.data(), &lwork, bwork.data(), &info, 1, 1, 1);
    if (info != 0 && info != n + 3) return 1;  // n + 3: reordering rounded a selection
    row_major(ta, a, n);
    row_major(tb, b, n);
    if (q) row_major(vsl, q, n);
    if (z) row_major(vsr, z, n);
    return 0;
}

}  // namespace kj::num
