// Allocation of small temporaries with and without the matrix cache.
#include <benchmark/benchmark.h>

#include "value/matrix_cache.h"

namespace kv = kj::value;

static void BM_AllocFree(benchmark::State& state) {
    const bool cached = state.range(0) != 0;
    kv::mat_cache_set_size(cached ? 16 : 0, cached ? 10000 : 0);
    kv::mat_cache_init(nullptr);
    for (auto _ : state) {
        double** m = kv::mat_alloc_cached(10, 10);
        benchmark::DoNotOptimize(m);
        kv::mat_free_cached(m, 10, 10);
    }
    kv::mat_cache_destroy(nullptr);
}
BENCHMARK(BM_AllocFree)->Arg(0)->Arg(1);
