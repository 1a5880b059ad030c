// x = reshape(x, ...) on a 2000 x 2000 local, as compiled: MVL hands the
// local's block to reshape, which re-labels it; with the plain push (PBP, as
// before the hand-over) every reshape copies the 32 MB block. Each run makes
// x with zeros, then reshapes it `range(0)` times to 4000 x 1000 and back.
#include <benchmark/benchmark.h>

#include <string>

#include <kj80x.h>

#include "api/upward_hooks.h"
#include "lib/library_groups.h"
#include "link/compiler_tables.h"
#include "link/function_table.h"
#include "link/symbols.h"
#include "runtime/host.h"
#include "support/assembler.h"
#include "value/value.h"

namespace {

// A library function as a global symbol that p-code can call.
bool add_library_symbol(const char* name) {
    const kj::link::LibEntry* entry = kj::link::find_function(name);
    if (!entry) return false;
    kj::value::Value f{};
    f.type = kj::value::T_Native | (entry->flags & kj::value::k_varargs);
    f.u.nat.nparam = entry->param_count;
    f.u.nat.fn = entry->fn;
    f.u.nat.info = kj::link::new_function_info(entry->descriptor, 0, false);
    return kj::link::add_symbol(name, f) >= 0;
}

// x = zeros(2000, 2000); then pairs x = reshape(x, 4000, 1000); x = reshape(x, 2000, 2000);
// with `push` (MVL or PBP) for the argument x, in a canonical loop over local 1.
std::string reshape_program(int pairs, const char* push) {
    const std::string p = push;
    const auto reshape = [&](int r, int c) {
        return "  PSH 0\n  LOD reshape\n  " + p + " 0\n  PSH " + std::to_string(r) + "\n  PSH " + std::to_string(c) +
               "\n  CAL 3\n  SBP 0\n  POP 0\n";
    };
    return "function main()\n  INT 2\n  PSH 0\n  LOD zeros\n  PSH 2000\n  PSH 2000\n  CAL 2\n  SBP 0\n  POP 0\n"
           "  PSH 0\n  LTI 0\n  PSH " + std::to_string(pairs) + "\n  PSH 127\n  PSH 1\n  PSH 1\ntop:\n  FOR -12\n"
           "  JMP done\n" + reshape(4000, 1000) + reshape(2000, 2000) + "  JMP top\ndone:\n  POP 0\n  RET 0\nend\n";
}

void run_reshapes(benchmark::State& state, const char* push) {
    const int pairs = static_cast<int>(state.range(0));
    kj::runtime::install_default_callbacks();
    kj::api::install_upward_hooks();
    if (!kj::link::find_function("reshape")) kj::lib::register_library();
    kj::link::reset_compiler_tables();
    if (!add_library_symbol("zeros") || !add_library_symbol("reshape") ||
        !kj::link::assemble(reshape_program(pairs, push)).ok) {
        state.SkipWithError("program not assembled");
        return;
    }
    const int start = IKjRunInit();
    for (auto _ : state)
        if (FKjRun(start, nullptr) != 1) state.SkipWithError("run failed");
    state.counters["per_reshape"] = benchmark::Counter(static_cast<double>(state.iterations()) * 2 * pairs,
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    KjRunExit();
    kj::link::free_compiler_tables();
}

void BM_ReshapeLocalMoved(benchmark::State& state) { run_reshapes(state, "MVL"); }
void BM_ReshapeLocalCopied(benchmark::State& state) { run_reshapes(state, "PBP"); }
BENCHMARK(BM_ReshapeLocalMoved)->Arg(50)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReshapeLocalCopied)->Arg(50)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
