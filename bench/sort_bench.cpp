// Sorting a 1000 x 1000 matrix: sortc (each column, in contiguous copies)
// against std::sort of the same columns laid out contiguously, plus
// sortr, sortcindex and unique on the same data.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "lib/fn_sets.h"
#include "lib/fn_sort.h"
#include "value/value.h"

namespace {

using kj::value::Value;

constexpr int k_n = 1000;

// A k_n x k_n matrix of uniform doubles with a fixed seed.
Value data() {
    Value a = kj::value::make_int(0);
    kj::value::set_matrix(a, k_n, k_n);
    std::mt19937_64 gen(42);
    std::uniform_real_distribution<double> u(-1, 1);
    for (long k = 0; k < static_cast<long>(k_n) * k_n; ++k) a.u.mat.m[0][k] = u(gen);
    return a;
}

void run_native(benchmark::State& state, KjNativeFunction fn) {
    Value a = data();
    Value result = kj::value::make_int(0);
    for (auto _ : state) {
        fn(&result, &a, 1);
        benchmark::DoNotOptimize(result.u.mat.m);
        kj::value::release(result);
        result = kj::value::make_int(0);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long>(k_n) * k_n);
    kj::value::release(a);
}

void BM_Sortc(benchmark::State& state) { run_native(state, kj::lib::fn_sortc); }
void BM_Sortr(benchmark::State& state) { run_native(state, kj::lib::fn_sortr); }
void BM_Sortcindex(benchmark::State& state) { run_native(state, kj::lib::fn_sortcindex); }
void BM_Unique(benchmark::State& state) { run_native(state, kj::lib::fn_unique); }

// The reference: the same columns, already contiguous, each copied and
// sorted with std::sort.
void BM_StdSortColumns(benchmark::State& state) {
    Value a = data();
    std::vector<double> columns(static_cast<std::size_t>(k_n) * k_n), work(columns.size());
    for (int i = 0; i < k_n; ++i)
        for (int j = 0; j < k_n; ++j) columns[static_cast<std::size_t>(j) * k_n + i] = a.u.mat.m[i][j];
    for (auto _ : state) {
        std::memcpy(work.data(), columns.data(), sizeof(double) * columns.size());
        for (int j = 0; j < k_n; ++j) std::sort(work.begin() + j * k_n, work.begin() + (j + 1) * k_n);
        benchmark::DoNotOptimize(work.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long>(k_n) * k_n);
    kj::value::release(a);
}

BENCHMARK(BM_Sortc)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdSortColumns)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sortr)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sortcindex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Unique)->Unit(benchmark::kMillisecond);

}  // namespace
