// Element-wise operators on 2000 x 2000 matrices against this machine's memory
// bandwidth. The reference is the streaming triad a = b + s c over three
// 100 MB arrays on two threads (24 bytes counted per element, best pass), its
// passes run between the operator's so that both see the same load; or the
// figure in GB/s given in KJ_TRIAD_GBS (for example from a triad built for the
// processor's full instruction set). Each operator reports its best pass's
// bandwidth, counted the same way (operands read plus the result written), and
// its share of the triad's ("of_triad"; the goal is at least 0.8). Three
// 32 MB blocks of 2000 x 2000 may sit partly in a large last-level cache,
// where the triad's 300 MB cannot (a share above 1 means that): 4000 x 4000
// matrices show the operators on memory alone.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <vector>

#include "link/operator_codes.h"
#include "num/split_in_two.h"
#include "value/value.h"
#include "vm/operators.h"

namespace {

using kj::value::Value;

// The streaming triad over three 100 MB arrays on two threads, one pass at a
// time, so that its passes alternate with the operator's under the same load.
class Triad {
public:
    Triad() : a_(k_n), b_(k_n), c_(k_n) {
        kj::num::split_in_two(k_n, 0, [&](std::size_t lo, std::size_t hi) {  // first touch by both threads
            std::fill(a_.begin() + lo, a_.begin() + hi, 0.0);
            std::fill(b_.begin() + lo, b_.begin() + hi, 1.0);
            std::fill(c_.begin() + lo, c_.begin() + hi, 2.0);
        });
    }
    // One pass's bandwidth in GB/s.
    double pass() {
        const auto t0 = std::chrono::steady_clock::now();
        kj::num::split_in_two(k_n, 0, [&](std::size_t lo, std::size_t hi) {
            double* out = a_.data();
            const double *x = b_.data(), *y = c_.data();
            for (std::size_t i = lo; i < hi; ++i) out[i] = x[i] + 3.0 * y[i];
        });
        const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        benchmark::DoNotOptimize(a_[k_n / 2]);
        return 24.0 * static_cast<double>(k_n) / t / 1e9;
    }

private:
    static constexpr std::size_t k_n = 100'000'000 / 8;
    std::vector<double> a_, b_, c_;
};

Value filled(int n, double start) {
    Value a{};
    kj::value::set_matrix(a, n, n);
    for (long k = 0; k < static_cast<long>(n) * n; ++k) a.u.mat.m[0][k] = start + (k % 89) * 0.01;
    return a;
}

Value alias(const Value& v) {
    Value a = v;
    a.type &= ~kj::value::k_owns;
    return a;
}

// a op b into a fresh block, the best pass's bandwidth against the triad's.
void run_operator(benchmark::State& state, int op) {
    const int n = static_cast<int>(state.range(0));
    const double bytes = 8.0 * n * n;
    const char* given = std::getenv("KJ_TRIAD_GBS");
    double triad = given ? std::atof(given) : 0;
    Triad* own = triad > 0 ? nullptr : new Triad;
    Value a = filled(n, 0.5), b = filled(n, 1.5);
    double best = 1e30;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        Value stack[2] = {alias(a), alias(b)};
        Value* sp = stack + 1;
        kj::vm::apply_operator(op, sp);
        benchmark::DoNotOptimize(stack[0].u.mat.m[0][0]);
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        kj::value::release(stack[0]);
        if (own) {
            state.PauseTiming();
            triad = std::max(triad, own->pass());
            state.ResumeTiming();
        }
    }
    delete own;
    const double gbs = 3 * bytes / best / 1e9;
    state.counters["best_GBps"] = gbs;
    state.counters["triad_GBps"] = triad;
    state.counters["of_triad"] = gbs / triad;
    kj::value::release(a);
    kj::value::release(b);
}
void BM_TriadShareAdd(benchmark::State& state) { run_operator(state, kj::link::T_Plus); }
void BM_TriadShareDotStar(benchmark::State& state) { run_operator(state, kj::link::T_DotStar); }
void BM_TriadShareDotSlash(benchmark::State& state) { run_operator(state, kj::link::T_DotSlash); }

BENCHMARK(BM_TriadShareAdd)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0)->Arg(2000)->Arg(4000);
BENCHMARK(BM_TriadShareDotStar)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0)->Arg(2000)->Arg(4000);
BENCHMARK(BM_TriadShareDotSlash)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0)->Arg(2000)->Arg(4000);

}  // namespace
