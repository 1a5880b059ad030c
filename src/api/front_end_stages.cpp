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

// Binding for builds without the linker: every external function that the
// library table provides becomes that library function.
bool bind_library_externals(const char*) {
    link::SymbolTable& t = link::symbols();
    for (int k = 0; k < t.count; ++k) {
        value::Value& v = t.entries[k].val;
        if (value::type_of(v) != value::T_Func || !value::has_flag(v, value::k_extern)) continue;
        const lib::LibEntry* e = lib::find_function(t.entries[k].name);
        if (!e) continue;
        value::Value f{};
        f.type = value::T_Native | KJ_FLAG_GLOBAL | ((e->flags & lib::k_varargs) ? value::k_varargs : 0u);
        f.u.nat.nparam = e->param_count;
        f.u.nat.fn = e->fn;
        f.u.nat.info = v.u.fn.info;
        v = f;
    }
    return true;
}

int compile_stage() {
    if (!driver_stages().link) driver_stages().link = bind_library_externals;
    return compiler::compile_unit();
}

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
