// The dispatch loop on a canonical loop of int additions assembled in p-code:
// sum = sum + i for i from 0 while < iterations.
#include <benchmark/benchmark.h>

#include <string>

#include <kj80x.h>

#include "runtime/host.h"
#include "support/assembler.h"
#include "link/compiler_tables.h"

namespace {

std::string loop_program(int iterations) {
    return R"(
function main()
  INT 2
  PSH 0
  LTI 0
  SBP 0
  POP 0
  PSH 0
  LTI 0
  PSH )" + std::to_string(iterations) +
           R"(
  PSH 127
  PSH 1
  PSH 1
top:
  FOR -12
  JMP done
  PSH 0
  LBP 0
  PSH 0
  LBP 1
  OPR +
  SBP 0
  POP 0
  JMP top
done:
  POP 0
  PSH 0
  LBP 0
  RET 1
end
)";
}

void CanonicalIntLoop(benchmark::State& state) {
    const int iterations = static_cast<int>(state.range(0));
    kj::host::install_default_callbacks();
    kj::link::reset_compiler_tables();
    if (!kj::link::assemble(loop_program(iterations)).ok) {
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
BENCHMARK(CanonicalIntLoop)->Arg(10'000'000)->Unit(benchmark::kMillisecond);

}  // namespace
