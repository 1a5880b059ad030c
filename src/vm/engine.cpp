#include "vm/engine.h"

#include <new>

#include "runtime/fatal_error.h"
#include "runtime/host.h"
#include "runtime/alloc.h"
#include "vm/dispatch.h"
#include "runtime/run_error.h"

namespace kj::vm {

namespace {
Engine g_main;
thread_local bool g_absorbing = false;  // a report whose unwinding is caught right away
}  // namespace

void report_out_of_memory() {
    g_absorbing = true;
    try {
        runtime::raise_run_error(runtime::E_OutOfMemory);
    } catch (const runtime::RunError&) {
    }
    g_absorbing = false;
}

bool create_engine(Engine& e, int capacity, bool debug) {
    const auto records = static_cast<std::size_t>(capacity) + k_stack_headroom;
    auto* stack = static_cast<Value*>(runtime::raw_calloc(records, sizeof(Value)));
    if (!stack) return false;
    SlotInfo* slots = nullptr;
    if (debug) {
        slots = static_cast<SlotInfo*>(runtime::raw_calloc(records, sizeof(SlotInfo)));
        if (!slots) {
            runtime::raw_free(stack);
            return false;
        }
    }
    e = Engine{};
    e.base = stack;
    e.capacity = capacity;
    e.slots = slots;
    reset_registers(e);
    return true;
}

void destroy_engine(Engine& e) {
    if (!e.base) return;
    pop_to(e, e.base);
    value::release(*e.base);
    runtime::raw_free(e.base);
    runtime::raw_free(e.slots);
    if (current_engine() == &e) set_current_engine(nullptr);
    e = Engine{};
}

void reset_registers(Engine& e) {
    e.ap = e.sp = e.base;
    e.bp = e.base + 1;
}

void pop_to(Engine& e, Value* top) {
    while (e.sp > top) {
        value::release(*e.sp);
        --e.sp;
    }
    // Records between a stale top and the target were popped before: they own nothing.
    for (Value* p = e.sp + 1; p <= top; ++p) *p = value::make_int(0);
    e.sp = top;
}

void copy_stack(Engine& to, const Engine& from) {
    const int top = from.index(from.sp);
    if (top + 1 >= to.capacity) runtime::raise_run_error(runtime::E_StackOverflow);
    for (int i = 0; i <= top; ++i) {
        to.base[i] = from.base[i];
        to.base[i].type &= ~value::k_owns;
    }
    to.sp = to.at(top);
    to.ap = to.at(from.index(from.ap));
    to.bp = to.at(from.index(from.bp));
}

Engine& main_engine() { return g_main; }

void recover(int code) {
    const Engine* current = current_engine();
    if (g_absorbing || (current && current->running)) throw runtime::RunError{code};
    runtime::raise_fatal_error();
}

bool run(Engine& e, bool debug, Value* expected_top) {
    int code = -1;
    Engine* previous = nullptr;
    {
        CurrentEngineScope scope(e);
        previous = scope.previous();
        e.abort_requested = 0;
        e.failed = 0;
        e.running = 1;
        try {
            dispatch(e, debug, 0);
            if (e.sp != expected_top) runtime::raise_run_error(runtime::E_StackError);
        } catch (const runtime::RunError& err) {
            code = err.code;
        } catch (const std::bad_alloc&) {
            report_out_of_memory();
            code = runtime::E_OutOfMemory;
        } catch (const runtime::FatalError&) {
            // A fatal stop inside the run (say, output with no way out):
            // leave the engine clean and let the boundary end the run.
            e.running = 0;
            e.failed = 1;
            pop_to(e, expected_top);
            throw;
        }
        e.running = 0;
        if (code >= 0) {
            e.failed = 1;
            pop_to(e, expected_top);
        } else if (code == runtime::k_program_exit) {
            pop_to(e, expected_top);
            value::release(*expected_top);
            *expected_top = value::make_int(runtime::program_exit_code());
        }
    }
    if ((code >= 0 || code == runtime::k_program_exit) && previous && previous->running) throw runtime::RunError{code};
    return code < 0;
}

}  // namespace kj::vm
