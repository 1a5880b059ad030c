#include "vm/run_control.h"

#include <csignal>

#include <kj80x.h>

#include "runtime/host.h"
#include "runtime/messages.h"
#include "runtime/settings.h"
#include "link/code_image.h"
#include "link/entry.h"
#include "link/link_errors.h"
#include "link/symbols.h"
#include "runtime/random_record.h"
#include "value/matrix_cache.h"
#include "vm/call_trace.h"
#include "vm/objects.h"
#include "vm/parallel_loop.h"
#include "vm/debugger.h"
#include "vm/engine.h"
#include "runtime/run_error.h"

namespace kj::vm {

using link::Op;

int finish_main_run(bool ok) {
    Engine& e = main_engine();
    Value& result = *e.sp;
    if (ok && e.sp > e.base && value::type_of(result) == value::T_Int && !value::is_null(result))
        runtime::state().user_exit_code = result.u.ival;
    pop_to(e, e.base);
    runtime::run_exit_calls();
    // What the program printed reaches the host before control returns.
    runtime::drain_output();
    return ok ? 1 : 0;
}

int run_main(int start) {
    Engine& e = main_engine();
    reset_registers(e);
    e.ip = start - 1;
    return finish_main_run(run(e, false, e.base + 1));
}

bool session_input_ready() {
    if (!runtime::has_input_pipe() || !runtime::gets_is_default()) return true;
    runtime::puts("No input pipe: cannot run in interactive mode.\n");
    runtime::state().exit_fn(runtime::E_NoPipe);
    return false;
}

int run_init() {
    const runtime::Settings& s = runtime::settings();
    Engine& e = main_engine();
    destroy_engine(e);
    if (!create_engine(e, s.stack_size, s.debug || s.interactive)) {
        link::report_link_error(link::L_OutOfMemory, "stack");
        return -2;
    }
    if (!value::global_cache().blocks) value::mat_cache_init(nullptr);
    // Every run starts from the default seed of "MWC_52" (or "MWC_32" when active).
    RanInit(nullptr);
    RanSetSeed(nullptr, 0);
    runtime::ran_loop_reset();

    if (!link::code_exists()) link::code_reset();
    if (!link::code_has_room(4)) {
        link::report_link_error(link::L_OutOfMemory, "code");
        return -2;
    }
    link::emit(Op::Psh, 0);
    const int start = link::emit(Op::Lod, -1);
    link::emit(Op::Cal, 0);
    link::emit(Op::Ext);
    return link::check_globals(start) > 0 ? -1 : start;
}

bool bind_start(int start, const char* name) { return link::bind_entry(start, name, main_engine().exists()); }

namespace {
volatile std::sig_atomic_t g_input_interrupted = 0;
}  // namespace

void request_abort() {
    Engine* e = current_engine();
    Engine& target = e ? *e : main_engine();
    // Nothing runs: the interrupt is for the prompt waiting for input.
    if (!target.running) {
        g_input_interrupted = 1;
        return;
    }
    // Under the debugger an interrupt stops at the next line instead.
    if (debug_state().active && !runtime::settings().interactive) {
        debug_state().step = 1;
        return;
    }
    set_abort_request(target, 1);
    abort_parallel_workers();
}

bool take_input_interrupt() {
    const bool interrupted = g_input_interrupted != 0;
    g_input_interrupted = 0;
    return interrupted;
}

void run_exit() {
    destroy_engine(main_engine());
    set_current_engine(nullptr);
    link::release_symbol_values();
    free_remaining_objects();
    value::MatrixCache& cache = value::global_cache();
    const int size = cache.size, limit = cache.limit;
    value::mat_cache_destroy(nullptr);
    value::mat_cache_set_size(size, limit);
}

}  // namespace kj::vm
