// ranu and rann filling a 10^7 matrix through the library table, as a
// program's call would; the "ns_per_draw" counter is the figure to compare.
#include <benchmark/benchmark.h>

#include <kj80x.h>

#include "link/function_table.h"
#include "lib/library_groups.h"
#include "value/value.h"

namespace {

using kj::value::Value;

void fill(benchmark::State& state, const char* name, const char* generator) {
    const int r = 10000, c = 1000;
    kj::link::free_function_table();
    kj::lib::register_library();
    const kj::link::LibEntry* e = kj::link::find_function(name);
    if (!e) {
        state.SkipWithError("not registered");
        return;
    }
    RanInit(nullptr);
    RanSetRan(generator);
    for (auto _ : state) {
        Value result = kj::value::make_int(0);
        Value args[2] = {kj::value::make_int(r), kj::value::make_int(c)};
        e->fn(&result, args, 2);
        benchmark::DoNotOptimize(result.u.mat.m[0][0]);
        kj::value::release(result);
    }
    const double draws = static_cast<double>(state.iterations()) * r * c;
    state.SetItemsProcessed(static_cast<int64_t>(draws));
    state.counters["ns_per_draw"] =
        benchmark::Counter(draws * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    RanInit(nullptr);
}

void BM_RanuMwc52(benchmark::State& state) { fill(state, "ranu", "MWC_52"); }
void BM_RannMwc52(benchmark::State& state) { fill(state, "rann", "MWC_52"); }
void BM_RanuMwc32(benchmark::State& state) { fill(state, "ranu", "MWC_32"); }
void BM_RannMwc32(benchmark::State& state) { fill(state, "rann", "MWC_32"); }
void BM_RanuLfsr113(benchmark::State& state) { fill(state, "ranu", "LE"); }
void BM_RannLfsr113(benchmark::State& state) { fill(state, "rann", "LE"); }

}  // namespace

BENCHMARK(BM_RanuMwc52)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RannMwc52)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RanuMwc32)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RannMwc32)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RanuLfsr113)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RannLfsr113)->Unit(benchmark::kMillisecond)->UseRealTime();
