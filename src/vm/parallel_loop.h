// Parallel loops on worker threads. Each thread of a round runs iterations
// on an engine of its own, a copy of the starting engine's stack made of
// aliases at the same positions, with a run context of its own: matrix
// cache, random-number record, warning mask and an output buffer. What an
// iteration assigns to the function's variables stays on its worker;
// indexed stores into the caller's matrices reach them; serial variables
// live on the starting engine and are reached under the serial lock.
#pragma once

#include <cstdint>
#include <string_view>

#include "vm/engine.h"

namespace kj::vm {

// Runs iteration n of the loop on worker engine w, whose registers are those
// of the starting engine at the loop's head. Raises as the dispatch loop does.
using IterationFn = void (*)(Engine& w, int64_t n, const void* loop);

// Runs iterations 0 .. count - 1 on up to `threads` threads (the calling one
// among them). Every iteration below the lowest failing one runs; iterations
// above it may not. Output of the iterations below it is written in
// iteration order, as a serial run writes it; then the failing iteration
// runs again on the calling thread and raises its error as a serial run
// reports it. While the round runs, the library's own two-thread kernels
// and the BLAS run on one thread each.
void run_parallel_iterations(Engine& e, int64_t count, int threads, IterationFn fn, const void* loop);

// LCK on a worker: 2 and 1 take the serial lock, -2 and -1 give it back.
void serial_marker(int k);
// LBM and SBM on a worker: the starting engine's record, under the serial
// lock; a load receives a copy of its own.
void load_origin_slot(Value& top, const Value& slot);
void store_origin_slot(Value& slot, const Value& top);
// What a worker may not do: a run-time error with this text.
[[noreturn]] void refuse_on_worker(std::string_view text);

// A worker's STO: the globals are the process's.
[[noreturn]] void refuse_global_store(const value::NamedValue& global);
// A worker's call of a function declared serial.
[[noreturn]] void refuse_serial_call(std::string_view name);

// KjRunAbort while a round runs: every worker stops at its next line.
void abort_parallel_workers();

}  // namespace kj::vm
