// Exported run control: thin shells over the engine; no exception leaves them.
#include <kj80x.h>

#include <new>

#include "api/debug_session.h"
#include "link/link_errors.h"
#include "runtime/settings.h"
#include "vm/run_control.h"
#include "vm/worker_pool.h"

namespace {
// Debugging and interactive mode run main under the session of api/; a plain
// run goes to the engine.
int run_program(int start, const char* name) {
    namespace vm = kj::vm;
    if (!vm::bind_start(start, name)) return 0;
    const kj::runtime::Settings& s = kj::runtime::settings();
    if (!s.debug && !s.interactive) return vm::run_main(start);
    return vm::session_input_ready() ? kj::api::run_session(start) : 0;
}
}  // namespace

extern "C" {

int IKjRunInit(void) {
    try {
        return kj::vm::run_init();
    } catch (const std::bad_alloc&) {
        // Binding the program's functions ran out of room: the link's
        // fatal "out of memory" (which unwinds as a fatal error).
        try {
            kj::link::report_link_error(kj::link::L_OutOfMemory);
        } catch (...) {
        }
        return -2;
    } catch (...) {
        return -2;
    }
}

int FKjRun(int start, const char* name) {
    try {
        return run_program(start, name);
    } catch (...) {
        return 0;
    }
}

void KjRunAbort(void) { kj::vm::request_abort(); }
int KjSetParallelThreads(int n) {
    if (n >= 0) kj::vm::set_parallel_threads(n);
    return kj::vm::parallel_threads();
}

void KjRunExit(void) {
    try {
        kj::vm::run_exit();
    } catch (...) {
    }
}

}  // extern "C"
