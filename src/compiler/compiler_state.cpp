// The state of the unit and of the function being compiled: locals with
// their slots and block depths.
#include "compiler/compiler.h"
#include "compiler/parser.h"
#include "compiler/scanner.h"
#include "link/literals.h"

namespace kj::compiler {

int name_literal(const std::string& text) {
    const int k = link::find_string_literal(text);
    return k >= 1 ? k : link::add_string_literal(text);
}

int source_file_literal() { return name_literal(current_file()); }

Local* find_local(Parser& p, const std::string& name) {
    auto& locals = p.unit.fn.locals;
    for (auto it = locals.rbegin(); it != locals.rend(); ++it)
        if (it->name == name) return &*it;
    return nullptr;
}

namespace {
// In debug mode ELT names the next free slot of the running frame, so that the
// debugger knows the slots from the frame base up to the compiler's next free
// one; ELT -k gives back the k slots below it. The slots of a lambda belong to
// the frame that defines it and are named where the lambda is built; code
// typed at the prompt keeps the names of its locals itself.
bool names_slots(Parser& p) { return p.unit.fn.names_slots && p.unit.fn.lambda == 0; }

void give_back_slots(Parser& p, int k) {
    if (k > 0 && names_slots(p)) emit_plain(p, Op::Elt, -k);
}

// A name goes beneath a PSH the next instruction may still merge with, so
// that a declaration inside a statement leaves the statement's code as it was.
void name_next_slot(Parser& p, const std::string& name) {
    const int literal = name_literal(name);
    const int n = code_here();
    if (n > barrier(p) && n > 0 && instr(n - 1).op == static_cast<int32_t>(Op::Psh)) {
        const link::Instr push = instr(n - 1);
        instr(n - 1) = {static_cast<int32_t>(Op::Elt), literal};
        emit_plain(p, Op::Psh, push.operand);
        return;
    }
    emit_plain(p, Op::Elt, literal);
}
}  // namespace

int declare_local(Parser& p, const std::string& name, uint32_t flags) {
    FunctionState& f = p.unit.fn;
    const int slot = f.next_slot++;
    if (p.unit.interactive && slot >= p.unit.local_limit) report(p, D_TooManyInteractiveLocals, name);
    if (f.next_slot > f.max_slots) f.max_slots = f.next_slot;
    f.locals.push_back({name, slot, false, flags, f.depth, f.lambda});
    if (names_slots(p)) name_next_slot(p, name);
    return slot;
}

void name_lambda_slots(Parser& p, int first) {
    if (!names_slots(p)) return;
    for (int k = first; k < p.unit.fn.next_slot; ++k) name_next_slot(p, "$");
}

int hidden_local(Parser& p, const std::string& name) { return declare_local(p, name, 0); }

bool implicit_local_allowed(Parser& p) {
    const UnitState& u = p.unit;
    return u.interactive && u.fn.active && (tok(p) == T_Assign || u.implicit_target);
}

void enter_block(Parser& p) { ++p.unit.fn.depth; }

void leave_block(Parser& p) {
    FunctionState& f = p.unit.fn;
    --f.depth;
    const int before = f.next_slot;
    while (!f.locals.empty() && !f.locals.back().arg && f.locals.back().depth > f.depth) {
        gen(p, Op::Sbz, f.locals.back().slot);
        f.next_slot = f.locals.back().slot;
        f.locals.pop_back();
    }
    // The end of the function body drops the whole frame anyway.
    if (f.depth > 0) give_back_slots(p, before - f.next_slot);
}

void forget_local_names(Parser& p, std::size_t outer) {
    const FunctionState& f = p.unit.fn;
    if (outer < f.locals.size() && !f.locals[outer].arg) give_back_slots(p, f.next_slot - f.locals[outer].slot);
}

}  // namespace kj::compiler
