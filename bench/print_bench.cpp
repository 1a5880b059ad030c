// Printing a 1000 x 1000 matrix in the default layout to a file.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "lib/io/print_value.h"
#include "value/value.h"

namespace io = kj::lib::io;
namespace kv = kj::value;

static void BM_PrintMatrixToFile(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    kv::Value m = kv::make_int(0);
    kv::set_matrix(m, n, n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) m.u.mat.m[i][j] = (i - j) * 0.37 + j / 7.0;
    std::FILE* f = std::fopen("/dev/null", "w");
    for (auto _ : state) {
        io::FileSink sink(f);
        io::print_value(sink, m);
    }
    std::fclose(f);
    kv::release(m);
    state.SetItemsProcessed(state.iterations() * n * n);
}
BENCHMARK(BM_PrintMatrixToFile)->Arg(1000)->Unit(benchmark::kMillisecond);
