// Plugs the include path and the scanner state into the runtime's start-up
// and shutdown.
#include "api/lifecycle.h"
#include "compiler/include_path.h"
#include "compiler/preprocessor.h"

namespace kj::compiler {

namespace {

struct Registrar {
    Registrar() {
        api::LifecycleHooks& hooks = api::lifecycle_hooks();
        hooks.build_include_path = build_default_include_path;
        hooks.create_preprocessor = create_preprocessor;
        hooks.destroy_preprocessor = destroy_preprocessor;
        hooks.clear_include_path = clear_include_path;
    }
};

const Registrar g_registrar;

}  // namespace

}  // namespace kj::compiler
