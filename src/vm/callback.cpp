#include "vm/callback.h"

#include <new>

#include "runtime/settings.h"
#include "vm/calls.h"
#include "vm/dispatch.h"
#include "runtime/run_error.h"

namespace kj::vm {

namespace {
// A temporary engine freed on every way out of the callback.
class TemporaryEngine {
public:
    TemporaryEngine() {
        if (!create_engine(m_engine, runtime::settings().stack_size, false)) throw std::bad_alloc();
    }
    ~TemporaryEngine() { destroy_engine(m_engine); }
    TemporaryEngine(const TemporaryEngine&) = delete;
    TemporaryEngine& operator=(const TemporaryEngine&) = delete;
    Engine& get() { return m_engine; }

private:
    Engine m_engine;
};

// Runs the call on e and returns the callee slot, which holds the result.
Value* run_call(Engine& e, const Value& fn, const Value* args, int n) {
    Engine* outer = current_engine();
    CurrentEngineScope scope(e);
    // Running from here on: an error below unwinds to call_back.
    e.running = 1;
    // A lambda reaches its defining frame by stack index: the current stack
    // is copied.
    const bool lambda = value::type_of(fn) == value::T_Lambda && outer && outer->exists();
    if (lambda) copy_stack(e, *outer);
    // A call made by a worker of a parallel loop works as one.
    if (outer && outer->origin) {
        e.origin = outer->origin;
        e.shared = lambda ? outer->shared : 0;
    }
    // The callee and its arguments go on the stack before the call checks its
    // frame.
    if (e.limit() - e.sp <= n + 2) runtime::raise_run_error(runtime::E_StackOverflow);
    Value* callee = ++e.sp;
    *callee = fn;
    callee->type &= ~value::k_owns;
    for (int i = 0; i < n; ++i) {
        *++e.sp = args[i];
        e.sp->type &= ~value::k_owns;
    }
    // The frame marker holds return address 0: the return ends the loop at
    // the image's second EXT. A native callee has run by then already.
    e.ip = 0;
    call(e, n);
    ++e.ip;
    dispatch(e, false, 0);
    e.running = 0;
    return callee;
}
}  // namespace

bool call_back(const Value& fn, Value& result, const Value* args, int n, OnError on_error) {
    value::release(result);
    result = value::make_int(0);
    int code = -1;
    {
        TemporaryEngine temp;
        Engine& e = temp.get();
        try {
            value::assign(result, *run_call(e, fn, args, n));
        } catch (const runtime::RunError& err) {
            code = err.code;
        } catch (const std::bad_alloc&) {
            report_out_of_memory();
            code = runtime::E_OutOfMemory;
        }
    }
    // exit inside the callback ends the calling program too.
    if (code == runtime::k_program_exit && current_engine() && current_engine()->running) throw runtime::RunError{code};
    if (code < 0) return true;
    if (on_error == OnError::RaiseInCaller && current_engine() && current_engine()->running)
        runtime::raise_run_error(runtime::E_InCallback);
    return false;
}

}  // namespace kj::vm
