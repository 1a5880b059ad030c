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

void set_interactive_compilation(bool on) { unit().interactive = on; }
bool interactive_compilation() { return unit().interactive; }

int compile_command(const std::string& name) {
    const int errors_before = compile_error_count();
    UnitState& u = unit();
    const bool was_interactive = u.interactive;
    u.interactive = true;
    u.fn = FunctionState{};
    u.loops.clear();
    mark_label();
    advance();
    u.file_literal = source_file_literal();
    const int entry = emit_plain(Op::Elf, u.file_literal);
    mark_label();
    value::Value v = link::make_function(entry, link::new_function_info("$" + name, u.file_literal, false));
    v.type |= KJ_FLAG_GLOBAL;
    const int k = define_function_symbol(link::find_symbol(name), name, v);

    FunctionState& f = fn();
    f.active = true;
    f.names_slots = false;  // the prompt keeps the names of its locals
    f.symbol = k;
    f.name = name;
    f.int_at = emit_plain(Op::Int, 0);
    enter_block();
    while (tok() != T_Eof) {
        const int before = tokens_consumed();
        statement();
        // A statement that consumed nothing (after an error) skips its token.
        if (tokens_consumed() == before && tok() != T_Eof) advance();
    }
    leave_block();
    emit_plain(Op::Ret, 0);
    instr(f.int_at).operand = f.max_slots;
    reserve_frame_depth(f.int_at, f.int_at + 1);
    check_labels();
    u.loops.clear();
    fn() = FunctionState{};
    u.interactive = was_interactive;
    return compile_error_count() - errors_before + scan_error_count();
}

}  // namespace kj::compiler
