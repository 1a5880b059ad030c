// The FFT kernel over FFTW: one plan per length, direction and input kind,
// made on first use and kept. FFTW itself is loaded with the first
// transform, so that a run without one does not map it.
#include "num/timeseries/fourier_fftw.h"

#include <fftw3.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/dynamic_library.h"

namespace kj::num {

namespace {

// fftw_NAME is reached as fftw().NAME.
#define KJ_FFTW_FUNCTIONS(X) X(cleanup) X(destroy_plan) X(execute) X(free) X(malloc) X(plan_dft_1d) X(plan_dft_r2c_1d)

struct FftwLibrary {
#define KJ_FFTW_SLOT(name) decltype(&::fftw_##name) name;
    KJ_FFTW_FUNCTIONS(KJ_FFTW_SLOT)
#undef KJ_FFTW_SLOT
};

bool bind_all(FftwLibrary& f) {
    void* lib = platform::load_library("libfftw3.so.3");
    if (!lib) return false;
    bool all = true;
#define KJ_FFTW_BIND(name)                                                                   \
    f.name = reinterpret_cast<decltype(f.name)>(platform::library_symbol(lib, "fftw_" #name)); \
    all = all && f.name;
    KJ_FFTW_FUNCTIONS(KJ_FFTW_BIND)
#undef KJ_FFTW_BIND
    return all;
}

FftwLibrary g_fftw{};
std::atomic<bool> g_loaded{false};  // g_fftw is bound

// Null when the library cannot be loaded: the caller then uses Kj's own kernel.
const FftwLibrary* fftw_library() {
    static std::once_flag once;
    std::call_once(once, [] { g_loaded = bind_all(g_fftw); });
    return g_loaded ? &g_fftw : nullptr;
}

// Called only once the library is known to be loaded: no second check.
const FftwLibrary& fftw() { return g_fftw; }

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
    if (p.plan) fftw().destroy_plan(p.plan);
    fftw().free(p.in);
    fftw().free(p.out);
    p = Plan{};
}

// The cache lives until the process ends (or the library is unloaded); its
// plans go with it, and so does the planner's own state.
struct PlanCache {
    std::vector<Plan> plans;
    ~PlanCache() {
        if (!g_loaded) return;
        for (Plan& p : plans) release(p);
        fftw().cleanup();
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
    p.in = static_cast<double*>(fftw().malloc(sizeof(double) * (real ? un : 2 * un)));
    p.out = static_cast<fftw_complex*>(fftw().malloc(sizeof(fftw_complex) * un));
    if (p.in && p.out) {
        p.plan = real ? fftw().plan_dft_r2c_1d(n, p.in, p.out, FFTW_ESTIMATE)
                      : fftw().plan_dft_1d(n, reinterpret_cast<fftw_complex*>(p.in), p.out,
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
    if (!g_loaded) return;
    for (Plan& p : plans()) release(p);
    plans().clear();
}

bool fftw_available() { return fftw_library() != nullptr; }

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
        fftw().execute(p->plan);
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
    fftw().execute(p->plan);
    if (direction)
        for (int k = 0; k < n; ++k) re[k] = p->out[k][0], im[k] = p->out[k][1];
    else
        for (int k = 0; k < n; ++k) re[k] = p->out[k][0] * scale, im[k] = p->out[k][1] * scale;
    return 1;
}

}  // namespace kj::num
