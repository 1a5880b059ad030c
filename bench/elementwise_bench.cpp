// Element-wise operators on 2000 x 2000 matrices through apply_operator, the
// left operand owning its payload (so the result is computed in place) and
// the right an alias. Bytes processed: two reads and one write per element.
#include <benchmark/benchmark.h>

#include "compiler/tokens.h"
#include "value/value.h"
#include "vm/operators.h"

namespace {

using kj::value::Value;

void run_elementwise(benchmark::State& state, int code) {
    const int n = 2000;
    Value a{}, b{};
    kj::value::set_matrix(a, n, n);
    kj::value::set_matrix(b, n, n);
    for (long k = 0; k < static_cast<long>(n) * n; ++k) {
        a.u.mat.m[0][k] = 1.0 + (k % 13) * 0.01;
        b.u.mat.m[0][k] = (k & 1) ? 0.9999 : 1.0001;  // keeps products away from under- and overflow
    }
    Value stack[2];
    for (auto _ : state) {
        stack[0] = a;  // owning left operand: reused for the result
        stack[1] = b;
        stack[1].type &= ~kj::value::k_owns;
        Value* sp = stack + 1;
        kj::vm::apply_operator(code, sp);
        a = stack[0];  // still the same block, owned
        benchmark::DoNotOptimize(a.u.mat.m[0][0]);
    }
    state.SetBytesProcessed(state.iterations() * 3L * n * n * static_cast<long>(sizeof(double)));
    kj::value::release(a);
    kj::value::release(b);
}

void BM_MatrixAdd(benchmark::State& state) { run_elementwise(state, kj::compiler::T_Plus); }
void BM_MatrixDotTimes(benchmark::State& state) { run_elementwise(state, kj::compiler::T_DotStar); }

BENCHMARK(BM_MatrixAdd)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MatrixDotTimes)->Unit(benchmark::kMillisecond);

}  // namespace
