// Interactive commands: statements typed at the prompt, compiled as the body
// of a function of their own, where a name assigned without declaration
// becomes a local of the command.
#include "compiler/compiler.h"
#include "compiler/frame_depth.h"
#include "compiler/parser.h"
#include "compiler/scanner.h"
#include "link/symbols.h"
#include "value/value.h"

namespace kj::compiler {

void set_interactive_compilation(bool on) { parser().unit.interactive = on; }
bool interactive_compilation() { return parser().unit.interactive; }

int compile_command(const std::string& name) {
    Parser& p = parser();
    const int errors_before = compile_error_count();
    UnitState& u = p.unit;
    const bool was_interactive = u.interactive;
    u.interactive = true;
    u.fn = FunctionState{};
    u.loops.clear();
    mark_label(p);
    advance(p);
    u.file_literal = source_file_literal();
    const int entry = emit_plain(p, Op::Elf, u.file_literal);
    mark_label(p);
    value::Value v = link::make_function(entry, link::new_function_info("$" + name, u.file_literal, false));
    v.type |= KJ_FLAG_GLOBAL;
    const int k = define_function_symbol(p, link::find_symbol(name), name, v);

    FunctionState& f = p.unit.fn;
    f.active = true;
    f.names_slots = false;  // the prompt keeps the names of its locals
    f.symbol = k;
    f.name = name;
    f.int_at = emit_plain(p, Op::Int, 0);
    enter_block(p);
    while (tok(p) != T_Eof) {
        const int before = tokens_consumed(p);
        statement(p);
        // A statement that consumed nothing (after an error) skips its token.
        if (tokens_consumed(p) == before && tok(p) != T_Eof) advance(p);
    }
    leave_block(p);
    emit_plain(p, Op::Ret, 0);
    instr(f.int_at).operand = f.max_slots;
    reserve_frame_depth(p, f.int_at, f.int_at + 1);
    check_labels(p);
    u.loops.clear();
    p.unit.fn = FunctionState{};
    u.interactive = was_interactive;
    return compile_error_count() - errors_before + scan_error_count();
}

}  // namespace kj::compiler
