// The state of the unit and of the function being compiled: locals with
// their slots and block depths.
#include "compiler/compiler.h"
#include "compiler/parser.h"
#include "compiler/scanner.h"
#include "link/literals.h"
#include "link/local_names.h"

namespace kj::compiler {

namespace {
UnitState g_unit;
}  // namespace

UnitState& unit() { return g_unit; }
FunctionState& fn() { return g_unit.fn; }

int source_file_literal() {
    const char* file = current_file();
    const int k = link::find_string_literal(file);
    return k >= 1 ? k : link::add_string_literal(file);
}

Local* find_local(const std::string& name) {
    auto& locals = fn().locals;
    for (auto it = locals.rbegin(); it != locals.rend(); ++it)
        if (it->name == name) return &*it;
    return nullptr;
}

int declare_local(const std::string& name, uint32_t flags) {
    FunctionState& f = fn();
    const int slot = f.next_slot++;
    if (g_unit.interactive && slot >= g_unit.local_limit) report(D_TooManyInteractiveLocals, name);
    if (f.next_slot > f.max_slots) f.max_slots = f.next_slot;
    f.locals.push_back({name, slot, false, flags, f.depth, f.lambda});
    link::open_local_name(name, slot, code_here());
    return slot;
}

int hidden_local(const std::string& name) { return declare_local(name, 0); }

bool implicit_local_allowed() {
    return g_unit.interactive && g_unit.fn.active && (tok() == T_Assign || g_unit.implicit_target);
}

void enter_block() { ++fn().depth; }

void leave_block() {
    FunctionState& f = fn();
    --f.depth;
    while (!f.locals.empty() && !f.locals.back().arg && f.locals.back().depth > f.depth) {
        gen(Op::Sbz, f.locals.back().slot);
        link::close_local_name(f.locals.back().slot, code_here());
        f.next_slot = f.locals.back().slot;
        f.locals.pop_back();
    }
}

}  // namespace kj::compiler
