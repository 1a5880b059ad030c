// Life cycle of the runtime: initialisation and shutdown in their fixed order.
#include <cfenv>

#include <kj80x.h>

#include "api/host.h"
#include "api/lifecycle.h"
#include "value/matrix_cache.h"

namespace kj::api {

namespace {
// Later subsystems register their start-up and shutdown steps here, so that
// the order below stays in one place.
LifecycleHooks g_hooks;
}  // namespace

LifecycleHooks& lifecycle_hooks() { return g_hooks; }

bool main_init() {
    // 1. Mask all floating-point exceptions.
    fedisableexcept(FE_ALL_EXCEPT);
    // 2-3. Default message, run-message and exit callbacks.
    host::install_default_callbacks();
    // 4. Include path; 5. built-in library; 6. eigenvalue kernel.
    for (auto* fn : {g_hooks.build_include_path, g_hooks.register_library, g_hooks.install_kernels})
        if (fn) fn();
    // 7. Preprocessor state.
    bool ok = g_hooks.create_preprocessor ? g_hooks.create_preprocessor() : true;
    host::state().initialised = 1;
    return ok;
}

void main_exit() {
    if (g_hooks.destroy_preprocessor) g_hooks.destroy_preprocessor();
    KjRunExit();
    if (g_hooks.free_scratch) g_hooks.free_scratch();
    host::set_pipe(-1);
    if (g_hooks.clear_include_path) g_hooks.clear_include_path();
    host::clear_kj_args();
    if (g_hooks.free_compiler_tables) g_hooks.free_compiler_tables();
    if (g_hooks.free_library) g_hooks.free_library();
    if (g_hooks.reset_gauss) g_hooks.reset_gauss();
    host::state().initialised = 0;
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
