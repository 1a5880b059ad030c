// Element-wise math natives on a 1000 x 1000 matrix, called through the
// library table as a program's call would (the argument an alias, the result
// a new matrix). Bytes processed: one read and one write per element.
#include <benchmark/benchmark.h>

#include "link/function_table.h"
#include "lib/library_groups.h"
#include "value/value.h"

namespace {

using kj::value::Value;

void run_native(benchmark::State& state, const char* name) {
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
    for (long k = 0; k < static_cast<long>(n) * n; ++k) a.u.mat.m[0][k] = 0.5 + (k % 101) * 0.01;
    Value arg = a;
    arg.type &= ~kj::value::k_owns;
    for (auto _ : state) {
        Value result = kj::value::make_int(0);
        Value args[1] = {arg};
        e->fn(&result, args, 1);
        benchmark::DoNotOptimize(result.u.mat.m[0][0]);
        kj::value::release(result);
    }
    state.SetBytesProcessed(state.iterations() * 2L * n * n * static_cast<long>(sizeof(double)));
    kj::value::release(a);
}

void BM_Exp(benchmark::State& state) { run_native(state, "exp"); }
void BM_Log(benchmark::State& state) { run_native(state, "log"); }
void BM_Sqrt(benchmark::State& state) { run_native(state, "sqrt"); }
void BM_LogGamma(benchmark::State& state) { run_native(state, "loggamma"); }

}  // namespace

BENCHMARK(BM_Exp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Log)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sqrt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LogGamma)->Unit(benchmark::kMillisecond);
