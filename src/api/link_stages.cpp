// Plugs the linker and the object-file writer into the driver's stages.
#include "api/driver_stages.h"
#include "api/settings.h"
#include "compiler/compiler.h"
#include "link/imports.h"
#include "link/link_list.h"
#include "link/object_writer.h"
#include "link/resolver.h"

namespace kj::api {

namespace {

// Loads the link list, then resolves imports, except when an object file is
// to be written right after compiling (-c): the pending imports then travel
// in that file.
bool link_program(const char* list) {
    if (link::link_files(list, true) != 0) return false;
    return settings().create_object || link::resolve_imports();
}

struct Registrar {
    Registrar() {
        DriverStages& stages = driver_stages();
        stages.link = link_program;
        stages.write_object = link::write_object;
        stages.list_imports = link::list_missing_imports;
        // The compiler hands imports and #pragma link to the linker, and the
        // linker compiles imported sources through the compiler.
        compiler::link_hooks().register_import = [](const char* name, bool gauss) { link::register_import(name, false, gauss); };
        compiler::link_hooks().link_list = [](const char* list) { return link::link_files(list, true); };
        link::set_source_compiler(compiler::compile_source_file);
    }
};

const Registrar g_registrar;

}  // namespace

}  // namespace kj::api
