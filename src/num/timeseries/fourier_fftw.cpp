// The FFT kernel over FFTW: one plan per length, direction and input kind,
// made on first use and kept.
#include "num/timeseries/fourier_fftw.h"

#include <fftw3.h>

#include <cstring>
#include <mutex>
#include <vector>

namespace kj::num {

namespace {

// One cached plan and the aligned buffers it was made for.
struct Plan {
    int n = 0;
    int direction = 0;
    bool real = false;
    fftw_plan plan = nullptr;
    double* in = nullptr;         // n doubles (real) or n complex
    fftw_complex* out = nullptr;  // n complex (n/2 + 1 used by the real plan)
};

void release(Plan& p) {
    if (p.plan) fftw_destroy_plan(p.plan);
    fftw_free(p.in);
    fftw_free(p.out);
    p = Plan{};
}

// The cache lives until the process ends (or the library is unloaded); its
// plans go with it, and so does the planner's own state.
struct PlanCache {
    std::vector<Plan> plans;
    ~PlanCache() {
        for (Plan& p : plans) release(p);
        fftw_cleanup();
    }
};

std::vector<Plan>& plans() {
    static PlanCache cache;
    return cache.plans;
}

constexpr std::size_t k_max_plans = 24;

Plan* find_plan(int n, int direction, bool real) {
    auto& cache = plans();
    for (Plan& p : cache)
        if (p.n == n && p.direction == direction && p.real == real) return &p;
    if (cache.size() >= k_max_plans) fft_fftw_release();
    Plan p;
    p.n = n, p.direction = direction, p.real = real;
    const std::size_t un = static_cast<std::size_t>(n);
    p.in = static_cast<double*>(fftw_malloc(sizeof(double) * (real ? un : 2 * un)));
    p.out = static_cast<fftw_complex*>(fftw_malloc(sizeof(fftw_complex) * un));
    if (p.in && p.out) {
        p.plan = real ? fftw_plan_dft_r2c_1d(n, p.in, p.out, FFTW_ESTIMATE)
                      : fftw_plan_dft_1d(n, reinterpret_cast<fftw_complex*>(p.in), p.out,
                                         direction ? FFTW_FORWARD : FFTW_BACKWARD, FFTW_ESTIMATE);
    }
    if (!p.plan) {
        release(p);
        return nullptr;
    }
    cache.push_back(p);
    return &cache.back();
}

}  // namespace

void fft_fftw_release() {
    for (Plan& p : plans()) release(p);
    plans().clear();
}

int fft1d_fftw(double** result, double** input, int n, int direction, int complex_input) {
    if (n < 1) return 0;
    // A real forward transform uses the half-length real plan; the inverse of
    // real data is the conjugate of the forward transform of the same data.
    const bool real = !complex_input;
    Plan* p = find_plan(n, real ? 1 : direction, real);
    if (!p) return 0;
    const double scale = direction ? 1.0 : 1.0 / n;
    double* re = result[0];
    double* im = result[1];
    if (real) {
        std::memcpy(p->in, input[0], sizeof(double) * static_cast<std::size_t>(n));
        fftw_execute(p->plan);
        const double sign = direction ? scale : -scale;
        const int half = n / 2;
        for (int k = 0; k <= half; ++k) {
            re[k] = p->out[k][0] * scale;
            im[k] = p->out[k][1] * sign;
        }
        for (int k = half + 1; k < n; ++k) {
            re[k] = re[n - k];
            im[k] = -im[n - k];
        }
        return 1;
    }
    const double* xr = input[0];
    const double* xi = input[1];
    double* in = p->in;
    for (int t = 0; t < n; ++t) {
        in[2 * t] = xr[t];
        in[2 * t + 1] = xi[t];
    }
    fftw_execute(p->plan);
    if (direction)
        for (int k = 0; k < n; ++k) re[k] = p->out[k][0], im[k] = p->out[k][1];
    else
        for (int k = 0; k < n; ++k) re[k] = p->out[k][0] * scale, im[k] = p->out[k][1] * scale;
    return 1;
}

}  // namespace kj::num
