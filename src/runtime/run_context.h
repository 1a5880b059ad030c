// The state a running program changes, kept in one record: the engine whose
// registers errors and library calls use, the native function being called,
// the matrix cache, the random-number record, the warning mask, where program
// output goes, the default formats and the code the program ended with.
//
// One record per thread that runs engines: the process's main context serves
// every thread that did not set its own; a thread that runs an engine of its
// own (a worker of a parallel loop) sets its own context, and nothing it
// changes is seen by the others. Engines nested on one thread (callbacks)
// share its context. Records of higher layers are held by pointer, which
// this layer never follows; a null pointer stands for the process's own
// record of that kind, so the main context needs no set-up.
#pragma once

#include <cstddef>

namespace kj::vm {
struct Engine;
}
namespace kj::value {
struct MatrixCache;
}
namespace kj::lib::io {
struct DefaultFormats;
}

namespace kj::runtime {

struct RandomRecord;

// Receives program output instead of the host (runtime::output).
class PrintSink {
public:
    virtual ~PrintSink() = default;
    virtual void write(const char* text, std::size_t len) = 0;
    // A message line for the host's message channel (messages.h); true when
    // the sink keeps it instead.
    virtual bool message(const char*) { return false; }
};

struct RunContext {
    vm::Engine* engine = nullptr;                // current engine (vm/engine.h)
    const char* native_function = nullptr;       // name or descriptor (current_function.h)
    value::MatrixCache* matrix_cache = nullptr;  // null: the process's cache
    RandomRecord* random = nullptr;              // null: the process's record (random_record.h)
    int warning_mask = 127;                      // run_error.h
    PrintSink* print_sink = nullptr;             // null: the host's output (host.h)
    lib::io::DefaultFormats* formats = nullptr;  // null: the process's (lib/io/number_format.h)
    int program_exit_code = 0;                   // request_program_exit (run_error.h)
    // A worker of a parallel loop: run-time errors unwind without a report
    // (the loop reports the lowest failing iteration on the calling thread).
    bool parallel_worker = false;
};

namespace detail {
// The one thread-local pointer, constant-initialised. It keeps the default
// (dynamic) model: the library is loaded with dlopen by hosts such as
// interpreters and notebook kernels, where the static model's reserve may be
// gone. Hot paths keep the context they got rather than reading this.
extern __thread RunContext* t_run_context;
}  // namespace detail

// The calling thread's context (the main context unless the thread set one).
inline RunContext& run_context() { return *detail::t_run_context; }
RunContext& main_run_context();
// Makes `context` the calling thread's (null: the main context again) and
// returns the previous one.
RunContext* set_run_context(RunContext* context);

// Sets a context for its lifetime and restores the previous one after.
class RunContextScope {
public:
    explicit RunContextScope(RunContext& context) : m_previous(set_run_context(&context)) {}
    ~RunContextScope() { set_run_context(m_previous); }
    RunContextScope(const RunContextScope&) = delete;
    RunContextScope& operator=(const RunContextScope&) = delete;

private:
    RunContext* m_previous;
};

}  // namespace kj::runtime
