// Installs the front end's entry points in the driver's stages: the define
// table, the include path, the compiler tables, the scanner and the compiler.
#include <string>

#include <kj80x.h>

#include "api/driver_stages.h"
#include "compiler/compiler.h"
#include "compiler/include_path.h"
#include "compiler/preprocessor.h"
#include "compiler/scanner.h"
#include "compiler/token_dump.h"
#include "lib/function_table.h"
#include "link/compiler_tables.h"
#include "link/symbols.h"

namespace kj::api {
namespace {

int dump_tokens_stage(const char* name) {
    std::string out;
    if (!compiler::dump_tokens(name, out)) return 0;
    KjPuts(out.c_str());
    return 1;
}

int compile_stage() { return compiler::compile_unit(); }

const bool g_installed = [] {
    DriverStages& s = driver_stages();
    s.define_symbol = [](const char* name) { compiler::define_names(name); };
    s.prepend_include_path = [](const char* path) { compiler::add_to_include_path(path); };
    s.clear_include_path = [] { compiler::clear_include_path(); };
    s.include_path = [] { return compiler::include_path().c_str(); };
    s.reset_compiler = [](int) {
        link::reset_compiler_tables();
        compiler::reset_compiler_state();
    };
    s.open_source = [](const char* name) { return compiler::open_source(name); };
    s.close_source = [] { compiler::close_scan(); };
    s.compile = compile_stage;
    s.create_interactive_main = compiler::create_interactive_main;
    s.dump_tokens = dump_tokens_stage;
    return true;
}();

}  // namespace
}  // namespace kj::api
