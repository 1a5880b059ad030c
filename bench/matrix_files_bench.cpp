// savemat then loadmat of a 1000 x 1000 matrix, as a .fmt file and as a text
// matrix file, through the built-ins. Files go to KJ_BENCH_DIR (default /tmp).
// Wall time counts: a save ends with the data on disk (fsync).
// bench/matrix_files_numpy.py times NumPy's savetxt/loadtxt on the same data.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "lib/fn_files.h"
#include "lib/arg_checks.h"
#include "value/value.h"

namespace kv = kj::value;

namespace {

std::string bench_path(const char* name) {
    const char* dir = std::getenv("KJ_BENCH_DIR");
    return std::string(dir ? dir : "/tmp") + "/" + name;
}

void round_trip(benchmark::State& state, const char* name) {
    const int n = static_cast<int>(state.range(0));
    const std::string path = bench_path(name);
    kv::Value args[2] = {kv::make_int(0), kv::make_int(0)};
    kv::set_string(args[0], path);
    kv::set_matrix(args[1], n, n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) args[1].u.mat.m[i][j] = (i - j) * 0.37 + j / 7.0;
    kv::Value saved = kv::make_int(0), loaded = kv::make_int(0);
    kj::lib::set_current_function("savemat");
    for (auto _ : state) {
        kj::lib::fn_savemat(&saved, args, 2);
        kj::lib::fn_loadmat(&loaded, args, 1);
        if (saved.u.ival != 1 || kv::type_of(loaded) != kv::T_Matrix) state.SkipWithError("round trip failed");
    }
    state.SetBytesProcessed(state.iterations() * 2LL * n * n * 8);
    kv::release(loaded);
    kv::release(args[0]);
    kv::release(args[1]);
    std::remove(path.c_str());
}

void BM_SaveLoadFmt(benchmark::State& state) { round_trip(state, "kj_bench_matrix.fmt"); }
void BM_SaveLoadText(benchmark::State& state) { round_trip(state, "kj_bench_matrix.mat"); }

}  // namespace

BENCHMARK(BM_SaveLoadFmt)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SaveLoadText)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
