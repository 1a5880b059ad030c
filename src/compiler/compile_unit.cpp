// A compilation unit: the declaration loop over the opened source.
#include <new>
#include <string>
#include <strings.h>

#include "compiler/compiler.h"
#include "compiler/diagnostics.h"
#include "compiler/gauss/gauss.h"
#include "compiler/parser.h"
#include "compiler/scanner.h"
#include "link/symbols.h"
#include "value/value.h"

namespace kj::compiler {

void reset_compiler_state() {
    Parser& p = parser();
    p.unit = UnitState{};
    Session& s = p.session;
    s.header_declared.clear();
    s.lambda_count = 0;
    s.redefinition = false;
    reset_diagnostics();
    reset_gauss_state();
}

void set_redefinition(bool on) { parser().session.redefinition = on; }

namespace {
int compile_declarations_of_unit(Parser& p) {
    const int errors_before = compile_error_count();
    UnitState& u = p.unit;
    u.fn = FunctionState{};
    u.loops.clear();
    u.ns.clear();
    mark_label(p);
    if (dialect() == Dialect::Gauss) compile_gauss_declarations(p);
    else compile_declarations(p);
    return compile_error_count() - errors_before + scan_error_count();
}
}  // namespace

int compile_unit() {
    Parser& p = parser();
    try {
        return compile_declarations_of_unit(p);
    } catch (const std::bad_alloc&) {
        report(p, D_OutOfMemory);  // fatal: raises FatalError
        throw;
    }
}

namespace {
int compile_opened_source(const char* path, bool gauss) {
    if (!open_source(path)) return 1;
    set_dialect(gauss ? Dialect::Gauss : Dialect::Kj);
    const int errors = compile_unit();
    close_scan();
    return errors;
}
}  // namespace

int compile_source_file(const char* path, bool gauss) {
    // Kj support code may sit beside GAUSS code: ".kj" is always Kj.
    const std::string name(path);
    if (gauss && name.size() >= 3 && strcasecmp(name.c_str() + name.size() - 3, ".kj") == 0) gauss = false;
    if (gauss && !compile_gauss_support(false)) return 1;
    // The import is a unit of its own, which may begin while another is
    // still being compiled: a parser of its own in the same session.
    Parser& outer = parser();
    Parser own(outer.session);
    own.unit.interactive = outer.unit.interactive;
    own.unit.local_limit = outer.unit.local_limit;
    const ParserScope scope(own);
    const int errors = compile_opened_source(path, gauss);
    // The code of the outer unit goes on after the import's: no peephole
    // reaches back into it.
    outer.barrier = code_here();
    return errors;
}

void create_interactive_main() {
    Parser& p = parser();
    if (link::find_symbol("main") >= 0) return;
    const int entry = emit_plain(p, Op::Elf, 0);
    emit_plain(p, Op::Ret, 0);
    value::Value v = link::make_function(entry, link::new_function_info("$main", 0, false));
    v.type |= KJ_FLAG_GLOBAL;
    link::add_symbol("main", v);
}

}  // namespace kj::compiler
