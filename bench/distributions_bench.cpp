// Distribution natives on a 1000 x 1000 matrix, called through the library
// table as a program's call would; exp on the same matrix as the yardstick.
// The counters report nanoseconds per element.
#include <benchmark/benchmark.h>

#include "link/function_table.h"
#include "lib/library_groups.h"
#include "value/value.h"

namespace {

using kj::value::Value;

void run_native(benchmark::State& state, const char* name, int count, double lo, double step) {
    const int n = 1000;
    kj::link::free_function_table();
    kj::lib::register_library();
    const kj::link::LibEntry* e = kj::link::find_function(name);
    if (!e) {
        state.SkipWithError("not registered");
        return;
    }
    Value a{};
    kj::value::set_matrix(a, n, n);
    for (long k = 0; k < static_cast<long>(n) * n; ++k) a.u.mat.m[0][k] = lo + (k % 1001) * step;
    Value arg = a;
    arg.type &= ~kj::value::k_owns;
    for (auto _ : state) {
        Value result = kj::value::make_int(0);
        Value args[2] = {arg, kj::value::make_int(7)};  // 7 degrees of freedom where one is taken
        e->fn(&result, args, count);
        benchmark::DoNotOptimize(result.u.mat.m[0][0]);
        kj::value::release(args[1]);
        kj::value::release(result);
    }
    state.counters["ns_per_element"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * n * n, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    kj::value::release(a);
}

// x from -5 to 5 for the normal and t laws, 0 to 20 for chi-squared, p in (0, 1).
void BM_DistExp(benchmark::State& s) { run_native(s, "exp", 1, -5, 0.01); }
void BM_DistProbn(benchmark::State& s) { run_native(s, "probn", 1, -5, 0.01); }
void BM_DistQuann(benchmark::State& s) { run_native(s, "quann", 1, 0.0005, 0.000999); }
void BM_DistProbt(benchmark::State& s) { run_native(s, "probt", 2, -5, 0.01); }
void BM_DistProbchi(benchmark::State& s) { run_native(s, "probchi", 2, 0.001, 0.02); }

}  // namespace

BENCHMARK(BM_DistExp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DistProbn)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DistQuann)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DistProbt)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DistProbchi)->Unit(benchmark::kMillisecond)->UseRealTime();
