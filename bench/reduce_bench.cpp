// Column and row reductions, quantiles, cumulation and reshaping on a
// 1000 x 1000 matrix, each through its native function as a program calls it
// (argument record in, fresh result from the matrix cache out). Bytes
// processed: one read of the argument per call.
#include <benchmark/benchmark.h>

#include <string_view>

#include "lib/library_rows.h"
#include "link/function_table.h"
#include "value/value.h"

namespace {

using kj::value::Value;
constexpr int k_n = 1000;

KjNativeFunction native(std::string_view name) {
    for (auto rows : {kj::lib::reduce_rows(), kj::lib::cumulate_rows(), kj::lib::shape_rows()})
        for (const kj::lib::DescriptorRow& row : rows)
            if (kj::link::descriptor_name(row.descriptor) == name) return row.fn;
    return nullptr;
}

void run_native(benchmark::State& state, std::string_view name) {
    const KjNativeFunction fn = native(name);
    if (!fn) return state.SkipWithError("no such native");
    Value a{};
    kj::value::set_matrix(a, k_n, k_n);
    unsigned x = 12345;
    for (long k = 0; k < static_cast<long>(k_n) * k_n; ++k) {
        x = x * 1103515245u + 12345u;  // pseudo-random, so quantiles do real work
        a.u.mat.m[0][k] = static_cast<double>(x >> 8) / (1 << 24);
    }
    Value arg = a;
    arg.type &= ~kj::value::k_owns;  // an alias, as a loaded variable is
    for (auto _ : state) {
        Value result = kj::value::make_int(0);
        fn(&result, &arg, 1);
        benchmark::DoNotOptimize(result.u.mat.m);
        kj::value::release(result);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long>(k_n) * k_n * static_cast<long>(sizeof(double)));
    kj::value::release(a);
}

void BM_Sumc(benchmark::State& s) { run_native(s, "sumc"); }
void BM_Sumr(benchmark::State& s) { run_native(s, "sumr"); }
void BM_Maxc(benchmark::State& s) { run_native(s, "maxc"); }
void BM_Maxr(benchmark::State& s) { run_native(s, "maxr"); }
void BM_Varc(benchmark::State& s) { run_native(s, "varc"); }
void BM_Varr(benchmark::State& s) { run_native(s, "varr"); }
void BM_Maxcindex(benchmark::State& s) { run_native(s, "maxcindex"); }
void BM_Quantilec(benchmark::State& s) { run_native(s, "quantilec"); }
void BM_Quantiler(benchmark::State& s) { run_native(s, "quantiler"); }
void BM_Cumulate(benchmark::State& s) { run_native(s, "cumulate"); }
void BM_Lag(benchmark::State& s) { run_native(s, "lag"); }
void BM_Vec(benchmark::State& s) { run_native(s, "vec"); }
void BM_Vecr(benchmark::State& s) { run_native(s, "vecr"); }
void BM_Reversec(benchmark::State& s) { run_native(s, "reversec"); }
void BM_Variance(benchmark::State& s) { run_native(s, "variance"); }

BENCHMARK(BM_Sumc)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sumr)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Maxc)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Maxr)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Varc)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Varr)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Maxcindex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Quantilec)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Quantiler)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Cumulate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Lag)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Vec)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Vecr)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reversec)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Variance)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
