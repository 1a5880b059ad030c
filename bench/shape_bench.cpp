// Whole-matrix work on 2000 x 2000 matrices where the result is a fresh block:
// element-wise operators and functions (bytes: reads plus the write), the
// transpose, and reshape of a temporary (re-labelled) and of a variable (copied).
#include <benchmark/benchmark.h>

#include <kj80x.h>

#include "lib/library_groups.h"
#include "link/operator_codes.h"
#include "link/function_table.h"
#include "num/vector_math.h"
#include "value/value.h"
#include "vm/operators.h"

namespace {

using kj::value::Value;

constexpr int n = 2000;
constexpr long bytes = 8L * n * n;

Value filled() {
    Value a{};
    kj::value::set_matrix(a, n, n);
    for (long k = 0; k < static_cast<long>(n) * n; ++k) a.u.mat.m[0][k] = 0.5 + (k % 97) * 0.01;
    return a;
}

Value alias(const Value& v) {
    Value a = v;
    a.type &= ~kj::value::k_owns;
    return a;
}

// a + b with both operands aliases: every iteration writes a new 32 MB block.
void BM_FreshAdd(benchmark::State& state) {
    Value a = filled(), b = filled();
    for (auto _ : state) {
        Value stack[2] = {alias(a), alias(b)};
        Value* sp = stack + 1;
        kj::vm::apply_operator(kj::link::T_Plus, sp);
        benchmark::DoNotOptimize(stack[0].u.mat.m[0][0]);
        kj::value::release(stack[0]);
    }
    state.SetBytesProcessed(state.iterations() * 3 * bytes);
    kj::value::release(a);
    kj::value::release(b);
}

// a .^ b and a .^ 2.5: the vector pow, element by element and with one
// exponent; a .^ 2: squares.
void run_power(benchmark::State& state, bool scalar_exponent, double exponent = 2.5) {
    Value a = filled(), b = filled();
    for (auto _ : state) {
        Value stack[2] = {alias(a), scalar_exponent ? kj::value::make_double(exponent) : alias(b)};
        Value* sp = stack + 1;
        kj::vm::apply_operator(kj::link::T_DotCaret, sp);
        benchmark::DoNotOptimize(stack[0].u.mat.m[0][0]);
        kj::value::release(stack[0]);
    }
    state.SetBytesProcessed(state.iterations() * (scalar_exponent ? 2 : 3) * bytes);
    state.SetLabel(kj::num::vector_math_kernels());
    kj::value::release(a);
    kj::value::release(b);
}
void BM_FreshPow(benchmark::State& state) { run_power(state, false); }
// The same through the C library's pow, for comparison.
void BM_FreshPowCLibrary(benchmark::State& state) {
    kj::num::use_scalar_vector_math(true);
    run_power(state, false);
    kj::num::use_scalar_vector_math(false);
}
void BM_FreshPowScalar(benchmark::State& state) { run_power(state, true); }
void BM_FreshSquare(benchmark::State& state) { run_power(state, true, 2); }

void run_inline(benchmark::State& state, int code) {
    Value a = filled();
    for (auto _ : state) {
        Value top = alias(a);
        kj::vm::apply_inline(code, top);
        benchmark::DoNotOptimize(top.u.mat.m[0][0]);
        kj::value::release(top);
    }
    state.SetBytesProcessed(state.iterations() * 2 * bytes);
    state.SetLabel(kj::num::vector_math_kernels());
    kj::value::release(a);
}
void BM_FreshExp(benchmark::State& state) { run_inline(state, 145); }
void BM_FreshLog(benchmark::State& state) { run_inline(state, 148); }
void BM_FreshSqrt(benchmark::State& state) { run_inline(state, 156); }
void BM_FreshSin(benchmark::State& state) { run_inline(state, 153); }

void BM_Transpose(benchmark::State& state) {
    Value a = filled();
    for (auto _ : state) {
        Value stack[1] = {alias(a)};
        Value* sp = stack;
        kj::vm::apply_operator(kj::link::T_Transpose, sp);
        benchmark::DoNotOptimize(stack[0].u.mat.m[0][0]);
        kj::value::release(stack[0]);
    }
    state.SetBytesProcessed(state.iterations() * 2 * bytes);
    kj::value::release(a);
}

// reshape(x, 4000, 1000): a temporary argument is re-labelled, a variable's copied.
void run_reshape(benchmark::State& state, bool temporary) {
    if (!kj::link::find_function("reshape")) kj::lib::register_library();
    const kj::link::LibEntry* reshape = kj::link::find_function("reshape");
    if (!reshape) return state.SkipWithError("no reshape");
    Value a = filled();
    for (auto _ : state) {
        Value args[3] = {temporary ? a : alias(a), kj::value::make_int(4000), kj::value::make_int(1000)};
        Value result{};
        reshape->fn(&result, args, 3);
        benchmark::DoNotOptimize(result.u.mat.m[0][0]);
        if (temporary) {
            // The block came back re-labelled: it is the next iteration's temporary.
            a = result;
        } else {
            kj::value::release(result);
        }
    }
    kj::value::release(a);
}
void BM_ReshapeTemporary(benchmark::State& state) { run_reshape(state, true); }
void BM_ReshapeVariable(benchmark::State& state) { run_reshape(state, false); }

BENCHMARK(BM_FreshAdd)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FreshPow)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FreshPowCLibrary)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FreshPowScalar)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FreshSquare)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FreshExp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FreshLog)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FreshSqrt)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FreshSin)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Transpose)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReshapeTemporary)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_ReshapeVariable)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
