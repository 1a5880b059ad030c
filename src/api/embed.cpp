// Life cycle of the runtime: initialisation and shutdown in their fixed order.
#include <cfenv>

#include <kj80x.h>

#include "api/lifecycle.h"
#include "api/upward_hooks.h"
#include "compiler/preprocessor.h"
#include "graphics/fn_draw.h"
#include "graphics/graph.h"
#include "lib/fn_files.h"
#include "lib/io/print_sink.h"
#include "lib/library_groups.h"
#include "link/compiler_tables.h"
#include "link/dll_loader.h"
#include "link/entry.h"
#include "runtime/host.h"
#include "runtime/include_path.h"
#include "vm/run_control.h"
#include "vm/worker_pool.h"

namespace kj::api {

bool main_init() {
    // 1. Mask all floating-point exceptions.
    fedisableexcept(FE_ALL_EXCEPT);
    // 2-3. Default message, run-message and exit callbacks.
    runtime::install_default_callbacks();
    // The calls from lower layers up into higher ones.
    install_upward_hooks();
    // 4. Include path; 5. built-in library, with the graphs' group, which
    // the library below cannot name.
    runtime::build_default_include_path();
    lib::register_library(graphics::library_group());
    // Functions declared with a library binding load through the package loader.
    link::set_native_loader(link::load_dll_function);
    // 6. Preprocessor state.
    const bool ok = compiler::create_preprocessor();
    runtime::state().initialised = 1;
    return ok;
}

void main_exit() {
    vm::stop_worker_pool();
    compiler::destroy_preprocessor();
    vm::run_exit();
    lib::io::free_sprint_buffer();
    lib::close_open_files();
    graphics::discard_graph();  // a graph never shown goes with the run
    runtime::set_pipe(-1);
    runtime::clear_include_path();
    runtime::clear_kj_args();
    link::free_compiler_tables();
    lib::free_library();
    runtime::state().initialised = 0;
}

}  // namespace kj::api

extern "C" {

int KjMainInit(void) {
    try {
        return kj::api::main_init() ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

void KjMainExit(void) {
    try {
        kj::api::main_exit();
    } catch (...) {
    }
}

}  // extern "C"
