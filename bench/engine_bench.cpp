// The dispatch loop on p-code as the compiler emits it: canonical loops of int
// additions and of the double accumulation of the scalar-loop benchmark
// program (ns per iteration), and the recursive Fibonacci function (ns per
// call).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include <kj80x.h>

#include "api/upward_hooks.h"
#include "runtime/host.h"
#include "support/assembler.h"
#include "link/compiler_tables.h"

namespace {

// A canonical loop over local 1 from 0 while < iterations, local 0 starting
// at `init` (an LTI or LTD), with `body` between the loop head and its back edge.
std::string loop_program(int iterations, const std::string& init, const std::string& body) {
    return "function main()\n  INT 2\n  PSH 0\n  " + init + "\n  SBP 0\n  POP 0\n  PSH 0\n  LTI 0\n  PSH " +
           std::to_string(iterations) + "\n  PSH 127\n  PSH 1\n  PSH 1\ntop:\n  FOR -12\n  JMP done\n" + body +
           "  JMP top\ndone:\n  POP 0\n  PSH 0\n  LBP 0\n  RET 1\nend\n";
}

// sum = sum + i in ints.
std::string int_loop_program(int iterations) {
    return loop_program(iterations, "LTI 0", "  PSH 0\n  LBP 0\n  PSH 0\n  LBP 1\n  OPR +\n  SBP 0\n  POP 0\n");
}

// s += double(i) * i in doubles, as the compiler emits it (57 is the double
// cast, 91 *, 99 +).
std::string double_loop_program(int iterations) {
    return loop_program(iterations, "LTD 0",
                        "  PBP 0\n  PBP 1\n  OPR 57\n  PBP 1\n  OPR 91\n  OPR 99\n  SBP 0\n  POP 0\n  NUM 1\n");
}

// fibonacci(n) = n < 2 ? n : fibonacci(n - 1) + fibonacci(n - 2), called by
// main with n (127 is <, 89 -, 99 +).
std::string fibonacci_program(int n) {
    return "function fibonacci(n)\n  PAP 0\n  PSH 2\n  OPR 127\n  NUM 5\n  JMF recurse\n  POP 0\n  PAP 0\n"
           "  NUM 6\n  RET 1\nrecurse:\n  POP 0\n  PSH 0\n  LOD fibonacci\n  PAP 0\n  PSH 1\n  OPR 89\n  CAL 1\n"
           "  PSH 0\n  LOD fibonacci\n  PAP 0\n  PSH 2\n  OPR 89\n  CAL 1\n  OPR 99\n  NUM 7\n  RET 1\nend\n"
           "function main()\n  PSH 0\n  LOD fibonacci\n  PSH " +
           std::to_string(n) + "\n  CAL 1\n  RET 1\nend\n";
}

// Calls of fibonacci(n): fibonacci(n + 1) * 2 - 1.
int64_t fibonacci_calls(int n) {
    int64_t a = 0, b = 1;
    for (int i = 0; i < n + 1; ++i) {
        const int64_t next = a + b;
        a = b;
        b = next;
    }
    return 2 * a - 1;
}

// Runs main of `program` once per benchmark iteration; `units` (loop
// iterations or calls) per run give the counter `name` in ns per unit.
void run_program(benchmark::State& state, const std::string& program, int64_t units, const char* name) {
    kj::runtime::install_default_callbacks();
    kj::api::install_upward_hooks();
    kj::link::reset_compiler_tables();
    if (!kj::link::assemble(program).ok) {
        state.SkipWithError("assembly failed");
        return;
    }
    const int start = IKjRunInit();
    for (auto _ : state) {
        if (FKjRun(start, nullptr) != 1) state.SkipWithError("run failed");
    }
    state.SetItemsProcessed(state.iterations() * units);
    state.counters[name] = benchmark::Counter(static_cast<double>(state.iterations()) * static_cast<double>(units),
                                              benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    KjRunExit();
    kj::link::free_compiler_tables();
}
void CanonicalIntLoop(benchmark::State& state) {
    run_program(state, int_loop_program(static_cast<int>(state.range(0))), state.range(0), "ns_per_iteration");
}
void CanonicalDoubleLoop(benchmark::State& state) {
    run_program(state, double_loop_program(static_cast<int>(state.range(0))), state.range(0), "ns_per_iteration");
}
void FibonacciCalls(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    run_program(state, fibonacci_program(n), fibonacci_calls(n), "ns_per_call");
}
BENCHMARK(CanonicalIntLoop)->Arg(10'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(CanonicalDoubleLoop)->Arg(10'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(FibonacciCalls)->Arg(27)->Unit(benchmark::kMillisecond);

}  // namespace
