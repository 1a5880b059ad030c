// Statements typed at the prompt (interactive mode, or while the debugger has
// stopped a function), compiled as code that runs inside an existing frame:
// the frame's arguments and locals are visible under their names, and a name
// assigned without declaration becomes a new local of that frame.
#include "compiler/compiler.h"
#include "compiler/parser.h"
#include "compiler/scanner.h"
#include "link/code_image.h"

namespace kj::compiler {

FrameCommand compile_frame_command(const std::vector<FrameName>& names, int first_free, int limit, bool reserve, int cls) {
    Parser& p = parser();
    FrameCommand out;
    const int errors_before = compile_error_count();
    UnitState& u = p.unit;
    const bool was_interactive = u.interactive;
    const int was_limit = u.local_limit;
    u.interactive = true;
    u.local_limit = limit;
    u.fn = FunctionState{};
    u.loops.clear();
    mark_label(p);
    advance(p);
    u.file_literal = source_file_literal();
    out.start = code_here();

    FunctionState& f = p.unit.fn;
    f.active = true;
    f.name = "$prompt";
    f.names_slots = false;
    f.cls = cls;
    for (const FrameName& n : names) f.locals.push_back({n.name, n.slot, n.arg, 0, 0, 0});
    f.next_slot = f.max_slots = first_free;
    // New locals of a stopped frame lie above what it has on the stack now.
    if (reserve) f.int_at = emit_plain(p, Op::Int, 0);
    mark_label(p);
    while (tok(p) != T_Eof) {
        const int before = tokens_consumed(p);
        statement(p);
        if (tokens_consumed(p) == before && tok(p) != T_Eof) advance(p);
    }
    emit_plain(p, Op::Ext, 0);
    if (reserve) {
        out.reserved = f.max_slots - first_free;
        instr(f.int_at).operand = out.reserved;
    }
    check_labels(p);
    for (const Local& l : f.locals)
        if (!l.arg && l.slot >= first_free && l.depth == 0) out.added.push_back({l.name, l.slot, false});
    u.loops.clear();
    p.unit.fn = FunctionState{};
    u.interactive = was_interactive;
    u.local_limit = was_limit;
    out.errors = compile_error_count() - errors_before + scan_error_count();
    return out;
}

}  // namespace kj::compiler
