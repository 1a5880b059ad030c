#include <immintrin.h>

#include <algorithm>
#include <utility>

#include "num/tall_product_kernels.h"

namespace kj::num::kernels {

namespace {

// Rows taken at a time: a chunk of both operands stays in the first-level
// cache while every panel of the result passes over it.
constexpr long k_chunk_rows = 64;

// P rows of the result (from p0) times V vectors of four columns, summed over
// `rows` rows in registers and then added to acc. The last vector of each b
// row is loaded under `tail`, so that columns past cb count as zero.
template <int P, int V>
void panel(double* acc, int stride, const double* a, int ca, int p0, const double* b, int cb, long rows,
           __m256i tail) {
    // Fully unrolled, so that the sums stay in registers.
    __m256d s[P][V];
#pragma GCC unroll 16
    for (int p = 0; p < P; ++p)
#pragma GCC unroll 4
        for (int v = 0; v < V; ++v) s[p][v] = _mm256_setzero_pd();
    for (long i = 0; i < rows; ++i) {
        const double* bi = b + i * cb;
        const double* ai = a + i * ca + p0;
        __m256d bv[V];
#pragma GCC unroll 4
        for (int v = 0; v + 1 < V; ++v) bv[v] = _mm256_loadu_pd(bi + 4 * v);
        bv[V - 1] = _mm256_maskload_pd(bi + 4 * (V - 1), tail);
#pragma GCC unroll 16
        for (int p = 0; p < P; ++p) {
            const __m256d x = _mm256_broadcast_sd(ai + p);
#pragma GCC unroll 4
            for (int v = 0; v < V; ++v) s[p][v] = _mm256_fmadd_pd(x, bv[v], s[p][v]);
        }
    }
#pragma GCC unroll 16
    for (int p = 0; p < P; ++p)
#pragma GCC unroll 4
        for (int v = 0; v < V; ++v) {
            double* out = acc + static_cast<long>(p0 + p) * stride + 4 * v;
            _mm256_storeu_pd(out, _mm256_add_pd(_mm256_loadu_pd(out), s[p][v]));
        }
}

using Panel = void (*)(double*, int, const double*, int, int, const double*, int, long, __m256i);

// Panels of up to PMAX result rows for V vectors: twelve accumulators at most,
// leaving registers for the b row and the broadcast.
template <int V, int... P>
constexpr Panel pick(int p, std::integer_sequence<int, P...>) {
    Panel out = nullptr;
    ((p == P + 1 ? (out = panel<P + 1, V>) : out), ...);
    return out;
}

template <int V>
constexpr int most_rows() { return V == 1 ? 8 : V == 2 ? 6 : V == 3 ? 4 : 2; }

template <int V>
void run(double* acc, const double* a, int ca, const double* b, int cb, long r, __m256i tail) {
    constexpr int pmax = most_rows<V>();
    const int stride = 4 * V;
    for (long i0 = 0; i0 < r; i0 += k_chunk_rows) {
        const long rows = std::min(k_chunk_rows, r - i0);
        for (int p0 = 0; p0 < ca; p0 += pmax) {
            const int p = std::min(pmax, ca - p0);
            pick<V>(p, std::make_integer_sequence<int, pmax>{})(acc, stride, a + i0 * ca, ca, p0, b + i0 * cb, cb,
                                                                 rows, tail);
        }
    }
}

}  // namespace

void tall_product_avx2(double* acc, const double* a, int ca, const double* b, int cb, long r) {
    const int vectors = (cb + 3) / 4;
    const int last = cb - 4 * (vectors - 1);  // columns in the last vector, 1 to 4
    const __m256i tail = _mm256_setr_epi64x(-1, last > 1 ? -1 : 0, last > 2 ? -1 : 0, last > 3 ? -1 : 0);
    switch (vectors) {
        case 1: return run<1>(acc, a, ca, b, cb, r, tail);
        case 2: return run<2>(acc, a, ca, b, cb, r, tail);
        case 3: return run<3>(acc, a, ca, b, cb, r, tail);
        default: return run<4>(acc, a, ca, b, cb, r, tail);
    }
}

}  // namespace kj::num::kernels
