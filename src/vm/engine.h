// The execution engine: registers, value stack, frames and the run boundary.
// The main engine is one static instance; callbacks run on temporary engines.
// What a run changes besides its stack is in the run context
// (runtime/run_context.h), which the engine keeps while it runs.
#pragma once

#include <cstdint>

#include "runtime/run_context.h"
#include "value/value.h"

namespace kj::vm {

using value::Value;

// Debug mode only: the variable in each stack slot, for the debugger.
struct SlotInfo {
    const char* name;
    int32_t kind;   // 1 argument, 4 start of a frame's locals
    int32_t pad;
};
static_assert(sizeof(SlotInfo) == 16);

// Records beyond the checked capacity; pushes of one expression use them.
constexpr int k_stack_headroom = 120;

struct Engine {
    Value* base = nullptr;     // first record of the stack
    Value* ap = nullptr;       // first argument of the running function
    Value* bp = nullptr;       // first local of the running function
    Value* sp = nullptr;       // top record
    runtime::RunContext* context = nullptr;  // of the thread running it; set by CurrentEngineScope
    int32_t ip = 0;            // instruction being executed
    int32_t running = 0;
    int32_t failed = 0;
    int32_t abort_requested = 0;
    int32_t capacity = 0;      // checked capacity in records
    SlotInfo* slots = nullptr; // debug mode only
    Engine* origin = nullptr;  // a worker of a parallel loop: the engine that started the loop
    int32_t shared = 0;        // a worker: records copied from the origin's stack

    bool exists() const { return base != nullptr; }
    int index(const Value* p) const { return static_cast<int>(p - base); }
    Value* at(int index) const { return base + index; }
    Value* limit() const { return base + capacity; }
};

// Allocates capacity + headroom zeroed records (and slot information when
// debug); registers as for a fresh engine. False when allocation fails.
bool create_engine(Engine& e, int capacity, bool debug);
// Releases every owned record up to the top and frees the stack.
void destroy_engine(Engine& e);
// ap = sp = base, bp = base + 1.
void reset_registers(Engine& e);
// Pops to `top`, releasing owned payloads on the way.
void pop_to(Engine& e, Value* top);

// Copies the records of `from` up to its top into `to` as aliases, at the
// same positions and with the same registers ("stack overflow" when they do
// not fit): a lambda's callback and a parallel loop's workers reach the
// frames of `from` so.
void copy_stack(Engine& to, const Engine& from);

Engine& main_engine();
// Main slot k: the record at distance k from the frame base `bp` of e, on the
// stack of the engine that started the parallel loop e works for (a worker's
// stack is a copy of that one, record for record); e's own when e is no worker.
inline Value& main_slot(const Engine& e, Value* bp, int k);
// The engine whose registers errors, warnings and library calls use: the
// run context's.
inline Engine* current_engine() { return runtime::run_context().engine; }
inline void set_current_engine(Engine* e) { runtime::run_context().engine = e; }

// Makes e current for its lifetime and restores the previous engine after;
// e keeps the calling thread's run context for the calls it makes.
class CurrentEngineScope {
public:
    explicit CurrentEngineScope(Engine& e) : m_context(runtime::run_context()), m_previous(m_context.engine) {
        m_context.engine = &e;
        e.context = &m_context;
    }
    ~CurrentEngineScope() { m_context.engine = m_previous; }
    CurrentEngineScope(const CurrentEngineScope&) = delete;
    CurrentEngineScope& operator=(const CurrentEngineScope&) = delete;
    Engine* previous() const { return m_previous; }

private:
    runtime::RunContext& m_context;
    Engine* m_previous;
};

inline Value& main_slot(const Engine& e, Value* bp, int k) {
    const auto at = bp - e.base;
    return e.origin && at < e.shared ? e.origin->base[at + k] : bp[k];
}

// The abort request is set from other threads (KjRunAbort) and signal handlers.
inline bool abort_requested(const Engine& e) { return __atomic_load_n(&e.abort_requested, __ATOMIC_RELAXED) != 0; }
inline void set_abort_request(Engine& e, int32_t on) { __atomic_store_n(&e.abort_requested, on, __ATOMIC_RELAXED); }

// One run on e from e.ip: the boundary every run-time error unwinds to. On
// normal completion the top must be expected_top ("Stack error" otherwise).
// On an error the engine is marked failed and popped to expected_top; when the
// engine that was current before is itself running, the error passes on to
// it. True when the run had no error.
bool run(Engine& e, bool debug, Value* expected_top);

// Reports "out of memory" for an allocation failure that surfaced as
// std::bad_alloc inside a run; the report's own unwinding is absorbed.
void report_out_of_memory();

// The error reporter's unwinding (call_trace.h): unwinds the current run
// with RunError, or stops fatally when nothing is running.
[[noreturn]] void recover(int code);

}  // namespace kj::vm
