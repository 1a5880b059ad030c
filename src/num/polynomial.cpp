#include "num/polynomial.h"

#include <algorithm>
#include <complex>

#include "num/blas_library.h"

namespace kj::num {

double polynomial_eval(const double* a, int count, double x) {
    double y = 0;
    for (int k = 0; k < count; ++k) y = y * x + a[k];
    return y;
}

void polynomial_multiply(const double* a, int na, const double* b, int nb, double* c) {
    if (na <= 0 || nb <= 0) return;
    std::fill(c, c + na + nb - 1, 0.0);
    for (int i = 0; i < na; ++i)
        for (int j = 0; j < nb; ++j) c[i + j] += a[i] * b[j];
}

void power_series_divide(const double* a, int na, const double* b, int nb, int n, double* c) {
    for (int k = 0; k < n; ++k) {
        double s = k < na ? a[k] : 0.0;
        for (int j = 1; j <= std::min(k, nb - 1); ++j) s -= b[j] * c[k - j];
        c[k] = s / b[0];
    }
}

void polynomial_from_roots(const double* re, const double* im, int n, double* c) {
    std::vector<std::complex<double>> p(static_cast<std::size_t>(n) + 1, 0.0);
    p[0] = 1.0;
    for (int k = 0; k < n; ++k) {
        const std::complex<double> r(re[k], im ? im[k] : 0.0);
        // p(x)·(x − r), highest power first.
        for (int j = k + 1; j >= 1; --j) p[j] -= r * p[j - 1];
    }
    for (int j = 0; j <= n; ++j) c[j] = p[j].real();
}

int polynomial_roots(const double* a, int count, std::vector<double>& re, std::vector<double>& im) {
    int first = 0;
    while (first < count && a[first] == 0) ++first;
    const int n = count - first - 1;
    re.assign(n > 0 ? n : 0, 0.0);
    im.assign(n > 0 ? n : 0, 0.0);
    if (n <= 0) return 0;
    // Companion matrix, column-major: first row −a[k]/a[0], ones below the diagonal.
    std::vector<double> m(static_cast<std::size_t>(n) * n, 0.0);
    const double lead = a[first];
    for (int j = 0; j < n; ++j) m[static_cast<std::size_t>(j) * n] = -a[first + 1 + j] / lead;
    for (int i = 1; i < n; ++i) m[static_cast<std::size_t>(i - 1) * n + i] = 1.0;

    const BlasApi* api = required_blas();
    if (!api || !api->dgeev) return -1;
    const char no = 'N';
    int info = 0, lwork = -1, one = 1;
    double query = 0, dummy = 0;
    api->dgeev(&no, &no, &n, m.data(), &n, re.data(), im.data(), &dummy, &one, &dummy, &one, &query, &lwork, &info, 1, 1);
    lwork = std::max(static_cast<int>(query), 3 * n);
    std::vector<double> work(static_cast<std::size_t>(lwork));
    api->dgeev(&no, &no, &n, m.data(), &n, re.data(), im.data(), &dummy, &one, &dummy, &one, work.data(), &lwork, &info,
           1, 1);
    return info;
}

}  // namespace kj::num
