#include "num/timeseries/fft_mixed_radix.h"

#include <climits>
#include <cmath>
#include <complex>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <numbers>
#include <vector>

namespace kj::num {

namespace {

using Complex = std::complex<double>;

// Prime factors up to this get a butterfly of their own (the general one
// costs p operations per value); a larger factor sends the whole length to
// the chirp transform.
constexpr int k_max_radix = 61;
constexpr std::size_t k_max_plans = 24;

// The plain product, without the checks for infinite parts.
inline Complex mul(Complex a, Complex b) {
    return {a.real() * b.real() - a.imag() * b.imag(), a.real() * b.imag() + a.imag() * b.real()};
}

// One level of the decimation: `radix` transforms of length `span` combined
// into one of length radix·span, with its twiddle factors (and, for a general
// radix, its roots of unity) at these offsets of the plan's tables.
struct Stage {
    int radix;
    int span;
    std::size_t twiddles;
    std::size_t roots;
};

struct Plan {
    int n = 0;
    std::vector<Stage> stages;      // outermost first; none for n = 1 and for the chirp transform
    // Per stage of length L = p·m: e^(-2πi·q·u/L) at [u·(p - 1) + q - 1] for
    // u < m, 0 < q < p; and for a general radix p, e^(-2πi·j/p) for j < p.
    std::vector<Complex> twiddles;
    std::vector<Complex> roots;
    std::vector<Complex> scratch;   // the inputs of one general butterfly
    std::vector<Complex> in, out;   // n each
    // The chirp transform: a cyclic convolution of length m = inner->n, a
    // power of two of at least 2n - 1.
    std::unique_ptr<Plan> inner;
    std::vector<Complex> chirp;   // e^(-πi·k²/n), k < n
    std::vector<Complex> kernel;  // transform of the conjugate chirp, divided by m
};

Complex unit_root(std::int64_t numerator, std::int64_t denominator) {
    return std::polar(1.0, -2 * std::numbers::pi * static_cast<double>(numerator) / static_cast<double>(denominator));
}

// Radices of n, outermost first: fours, a two, then odd primes, with their
// tables. False when a prime factor is above k_max_radix.
bool factorize(int n, Plan& plan) {
    std::vector<int> radices;
    int rest = n;
    while (rest % 4 == 0) radices.push_back(4), rest /= 4;
    if (rest % 2 == 0) radices.push_back(2), rest /= 2;
    for (int p = 3; rest > 1 && p <= k_max_radix; p += 2)
        while (rest % p == 0) radices.push_back(p), rest /= p;
    if (rest > 1) return false;
    int span = n;
    for (int p : radices) {
        const int length = span;
        span /= p;
        Stage stage{p, span, plan.twiddles.size(), plan.roots.size()};
        for (int u = 0; u < span; ++u)
            for (int q = 1; q < p; ++q) plan.twiddles.push_back(unit_root(std::int64_t{q} * u, length));
        if (p > 4)
            for (int j = 0; j < p; ++j) plan.roots.push_back(unit_root(j, p));
        plan.stages.push_back(stage);
    }
    plan.scratch.resize(k_max_radix);
    return true;
}

// The butterflies combine the `radix` transforms of length m that lie one
// after the other in out into one of length radix·m; w are the stage's
// twiddle factors.
void butterfly2(Complex* out, int m, const Complex* w) {
    for (int u = 0; u < m; ++u) {
        const Complex t = mul(out[u + m], w[u]);
        out[u + m] = out[u] - t;
        out[u] += t;
    }
}

void butterfly3(Complex* out, int m, const Complex* w) {
    const double h = std::numbers::sqrt3 / 2;  // e^(-2πi/3) = -1/2 - i·h
    for (int u = 0; u < m; ++u) {
        const Complex t1 = mul(out[u + m], w[2 * u]);
        const Complex t2 = mul(out[u + 2 * m], w[2 * u + 1]);
        const Complex s = t1 + t2, d = t1 - t2;
        const Complex base = out[u] - 0.5 * s;
        const Complex turn(h * d.imag(), -h * d.real());  // -i·h·d
        out[u] += s;
        out[u + m] = base + turn;
        out[u + 2 * m] = base - turn;
    }
}

void butterfly4(Complex* out, int m, const Complex* w) {
    for (int u = 0; u < m; ++u) {
        const Complex t1 = mul(out[u + m], w[3 * u]);
        const Complex t2 = mul(out[u + 2 * m], w[3 * u + 1]);
        const Complex t3 = mul(out[u + 3 * m], w[3 * u + 2]);
        const Complex a = out[u] + t2, b = out[u] - t2, c = t1 + t3, d = t1 - t3;
        const Complex turn(d.imag(), -d.real());  // -i·d
        out[u] = a + c;
        out[u + m] = b + turn;
        out[u + 2 * m] = a - c;
        out[u + 3 * m] = b - turn;
    }
}

// Any radix p: the twiddled inputs y_q, then X[u + j·m] = Σ_q y_q e^(-2πi·q·j/p).
void butterfly_any(Complex* out, int m, int p, const Complex* w, const Complex* roots, Complex* y) {
    for (int u = 0; u < m; ++u) {
        y[0] = out[u];
        for (int q = 1; q < p; ++q) y[q] = mul(out[u + q * m], w[u * (p - 1) + q - 1]);
        for (int j = 0; j < p; ++j) {
            Complex sum = y[0];
            int index = 0;
            for (int q = 1; q < p; ++q) {
                index += j;
                if (index >= p) index -= p;
                sum += mul(y[q], roots[index]);
            }
            out[u + j * m] = sum;
        }
    }
}

// Decimation in time: out[0, L) receives the transform of in[0], in[stride],
// in[2·stride], ..., of length L = radix·span of this stage.
void transform(Complex* out, const Complex* in, std::size_t stride, const Stage* stage, Plan& plan) {
    const int p = stage->radix, m = stage->span;
    if (m == 1) {
        for (int q = 0; q < p; ++q) out[q] = in[q * stride];
    } else {
        for (int q = 0; q < p; ++q) transform(out + q * m, in + q * stride, stride * p, stage + 1, plan);
    }
    const Complex* w = plan.twiddles.data() + stage->twiddles;
    switch (p) {
        case 2: butterfly2(out, m, w); break;
        case 3: butterfly3(out, m, w); break;
        case 4: butterfly4(out, m, w); break;
        default: butterfly_any(out, m, p, w, plan.roots.data() + stage->roots, plan.scratch.data()); break;
    }
}

void run(Plan& plan, Complex* out, const Complex* in);

// X_j = c_j Σ_k (x_k c_k) conj(c_(j-k)) with the chirp c_k = e^(-πi·k²/n):
// a cyclic convolution, done with two transforms of length m (the inverse
// one as the conjugate of a forward transform of conjugates).
void chirp_transform(Plan& plan, Complex* out, const Complex* in) {
    Plan& inner = *plan.inner;
    const int n = plan.n, m = inner.n;
    Complex* a = inner.in.data();
    Complex* spectrum = inner.out.data();
    for (int k = 0; k < n; ++k) a[k] = mul(in[k], plan.chirp[k]);
    for (int k = n; k < m; ++k) a[k] = 0;
    run(inner, spectrum, a);
    for (int j = 0; j < m; ++j) a[j] = std::conj(mul(spectrum[j], plan.kernel[j]));
    run(inner, spectrum, a);
    for (int j = 0; j < n; ++j) out[j] = mul(plan.chirp[j], std::conj(spectrum[j]));
}

// The forward transform of in (n values) into out; in and out differ.
void run(Plan& plan, Complex* out, const Complex* in) {
    if (plan.inner)
        chirp_transform(plan, out, in);
    else if (plan.stages.empty())
        out[0] = in[0];
    else
        transform(out, in, 1, plan.stages.data(), plan);
}

std::unique_ptr<Plan> make_plan(int n) {
    auto plan = std::make_unique<Plan>();
    plan->n = n;
    const std::size_t un = static_cast<std::size_t>(n);
    plan->in.resize(un);
    plan->out.resize(un);
    if (factorize(n, *plan)) return plan;
    long m = 1;
    while (m < 2L * n - 1) m *= 2;
    if (m > INT_MAX) throw std::bad_alloc();
    plan->inner = make_plan(static_cast<int>(m));
    Plan& inner = *plan->inner;
    // k² is taken modulo 2n, where the chirp repeats, to keep its angle exact.
    plan->chirp.resize(un);
    for (int k = 0; k < n; ++k) {
        const std::int64_t e = std::int64_t{k} * k % (2 * std::int64_t{n});
        plan->chirp[k] = unit_root(e, 2 * std::int64_t{n});
    }
    Complex* b = inner.in.data();
    for (long k = 0; k < m; ++k) b[k] = 0;
    b[0] = std::conj(plan->chirp[0]);
    for (int k = 1; k < n; ++k) b[k] = b[m - k] = std::conj(plan->chirp[k]);
    run(inner, inner.out.data(), b);
    plan->kernel.assign(inner.out.begin(), inner.out.end());
    for (Complex& v : plan->kernel) v /= static_cast<double>(m);
    return plan;
}

std::vector<std::unique_ptr<Plan>>& plans() {
    static std::vector<std::unique_ptr<Plan>> cache;
    return cache;
}

Plan& find_plan(int n) {
    auto& cache = plans();
    for (auto& p : cache)
        if (p->n == n) return *p;
    if (cache.size() >= k_max_plans) cache.clear();
    cache.push_back(make_plan(n));
    return *cache.back();
}

// The plans and their work buffers serve one transform at a time (workers
// of a parallel loop take turns).
std::mutex g_transforming;

}  // namespace

int fft1d_mixed_radix(double** result, double** input, int n, int direction, int complex_input) {
    const std::lock_guard lock(g_transforming);
    if (n < 1) return 0;
    try {
        Plan& plan = find_plan(n);
        // The inverse is the conjugate of the forward transform of the
        // conjugate, divided by n.
        const double sign = direction ? 1.0 : -1.0;
        Complex* in = plan.in.data();
        for (int t = 0; t < n; ++t) in[t] = {input[0][t], complex_input ? sign * input[1][t] : 0.0};
        run(plan, plan.out.data(), in);
        const double scale = direction ? 1.0 : 1.0 / n;
        for (int k = 0; k < n; ++k) {
            result[0][k] = plan.out[k].real() * scale;
            result[1][k] = plan.out[k].imag() * sign * scale;
        }
        return 1;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

void fft_mixed_radix_release() { plans().clear(); }

}  // namespace kj::num
