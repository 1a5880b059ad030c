// The dispatch loop on canonical loops assembled in p-code: int additions, and
// the double accumulation of the scalar-loop benchmark program.
#include <benchmark/benchmark.h>

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

void run_loop(benchmark::State& state, const std::string& program) {
    const int iterations = static_cast<int>(state.range(0));
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
    state.SetItemsProcessed(state.iterations() * iterations);
    state.counters["ns_per_iteration"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * iterations,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    KjRunExit();
    kj::link::free_compiler_tables();
}
void CanonicalIntLoop(benchmark::State& state) { run_loop(state, int_loop_program(static_cast<int>(state.range(0)))); }
void CanonicalDoubleLoop(benchmark::State& state) {
    run_loop(state, double_loop_program(static_cast<int>(state.range(0))));
}
BENCHMARK(CanonicalIntLoop)->Arg(10'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(CanonicalDoubleLoop)->Arg(10'000'000)->Unit(benchmark::kMillisecond);

}  // namespace
