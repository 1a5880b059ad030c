// Fourier transforms: the direct small cases, the FFT kernel (FFTW's, or
// Kj's own in a build without FFTW or where it cannot be loaded) and the
// O(n²) reference sum.
#include "num/timeseries/fourier.h"

#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "num/linalg_kernels.h"
#include "num/timeseries/fft_mixed_radix.h"
#ifdef KJ_WITH_FFTW
#include "num/timeseries/fourier_fftw.h"
#endif

namespace kj::num {

int fft1d_default(double** result, double** input, int n, int direction, int complex_input) {
#ifdef KJ_WITH_FFTW
    if (fftw_available()) return fft1d_fftw(result, input, n, direction, complex_input);
#endif
    return fft1d_mixed_radix(result, input, n, direction, complex_input);
}

void fft_release_plans() {
#ifdef KJ_WITH_FFTW
    fft_fftw_release();
#endif
    fft_mixed_radix_release();
}

int fft1d(double** result, double** input, int n, int direction, int complex_input) {
    if (n < 1) return 0;
    const double xi0 = complex_input ? input[1][0] : 0;
    if (n == 1) {
        result[0][0] = input[0][0];
        result[1][0] = xi0;
        return 1;
    }
    if (n == 2) {
        const double h = direction ? 1.0 : 0.5;
        const double a = input[0][0], b = input[0][1];
        const double c = xi0, d = complex_input ? input[1][1] : 0;
        result[0][0] = (a + b) * h, result[0][1] = (a - b) * h;
        result[1][0] = (c + d) * h, result[1][1] = (c - d) * h;
        return 1;
    }
    return kernels().fft1d(result, input, n, direction, complex_input);
}

int fft_discrete(double** result, double** input, int n, int direction, int complex_input) {
    if (n < 1) return 0;
    const std::size_t un = static_cast<std::size_t>(n);
    std::vector<double> c(un), s(un), out(2 * un);
    for (int k = 0; k < n; ++k) {
        const double w = 2 * std::numbers::pi * k / n;
        c[k] = std::cos(w), s[k] = std::sin(w);
    }
    const double sign = direction ? -1.0 : 1.0;
    const double scale = direction ? 1.0 : 1.0 / n;
    for (int k = 0; k < n; ++k) {
        double sr = 0, si = 0;
        long idx = 0;  // k·t mod n
        for (int t = 0; t < n; ++t) {
            const double xr = input[0][t], xi = complex_input ? input[1][t] : 0;
            const double cr = c[idx], ci = sign * s[idx];
            sr += xr * cr - xi * ci;
            si += xr * ci + xi * cr;
            idx += k;
            if (idx >= n) idx -= n;
        }
        out[k] = sr * scale, out[un + k] = si * scale;
    }
    for (int k = 0; k < n; ++k) result[0][k] = out[k], result[1][k] = out[un + k];
    return 1;
}

namespace {

int fft_pow2_inplace(double* re, double* im, int p, int direction, int complex_input) {
    if (p < 0 || p >= 32) return 0;
    const long n = 1L << p;
    if (n > 0x7fffffff) return 0;
    std::vector<double> work;
    try {
        work.resize(2 * static_cast<std::size_t>(n));
    } catch (const std::bad_alloc&) {
        return 0;
    }
    double* out[2] = {work.data(), work.data() + n};
    double* in[2] = {re, im};
    if (!fft1d(out, in, static_cast<int>(n), direction, complex_input)) return 0;
    std::memcpy(re, out[0], sizeof(double) * static_cast<std::size_t>(n));
    std::memcpy(im, out[1], sizeof(double) * static_cast<std::size_t>(n));
    return 1;
}

}  // namespace

int fft_complex_inplace(double* re, double* im, int p, int direction) {
    return fft_pow2_inplace(re, im, p, direction, 1);
}

int fft_real_inplace(double* re, double* im, int p, int direction) {
    return fft_pow2_inplace(re, im, p, direction, 0);
}

}  // namespace kj::num
