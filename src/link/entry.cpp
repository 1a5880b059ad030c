#include "link/entry.h"

#include "link/code_image.h"
#include "link/link_errors.h"
#include "link/symbols.h"

namespace kj::link {

using value::Value;

namespace {
constexpr uint32_t k_reported = 0x4000;  // working mark, cleared after the check

bool is_function(const Value& v) {
    const uint32_t t = value::type_of(v);
    return t == value::T_Func || t == value::T_Native;
}

bool names_symbol(int32_t op) {
    return op == static_cast<int32_t>(Op::Lod) || op == static_cast<int32_t>(Op::New) ||
           op == static_cast<int32_t>(Op::Sto);
}
}  // namespace

int check_globals(int main_slot) {
    const int before = link_error_count();
    SymbolTable& table = symbols();
    for (int ip = 0; ip < code_size(); ++ip) {
        const Instr in = code_at(ip);
        if (!names_symbol(in.op) || in.operand < 0 || in.operand >= table.count) continue;
        value::NamedValue& s = table.entries[in.operand];
        if (!value::has_flag(s.val, value::k_extern) || value::has_flag(s.val, k_reported)) continue;
        s.val.type |= k_reported;
        report_link_error(is_function(s.val) ? L_UndefinedFunction : L_UndefinedReference, s.name);
    }
    for (int k = 0; k < table.count; ++k) table.entries[k].val.type &= ~k_reported;
    if (main_slot > 0 && main_slot < code_size()) code_at(main_slot).operand = find_symbol("main");
    return link_error_count() - before;
}

bool bind_entry(int main_slot, const char* name, bool stack_exists) {
    if (!stack_exists) {
        report_link_error(L_NotInitialized, "stack");
        return false;
    }
    if (!code_exists()) {
        report_link_error(L_NotInitialized, "code");
        return false;
    }
    if (main_slot < 1 || main_slot >= code_size()) {
        report_link_error(L_NeedMainIp);
        return false;
    }
    Instr& slot = code_at(main_slot);
    if (name) {
        const int k = find_symbol(name);
        if (k >= 0 && is_function(symbol_at(k).val)) {
            if (symbol_at(k).val.u.fn.nparam > 0) {
                report_link_error(L_NoArgumentsAllowed, name);
                return false;
            }
            slot.operand = k;
        }
    }
    const int k = slot.operand;
    const bool bound = k >= 0 && k < symbols().count && is_function(symbol_at(k).val) &&
                       !value::has_flag(symbol_at(k).val, value::k_extern);
    if (!bound) {
        report_link_error(L_UndefinedFunction, name ? name : "main");
        return false;
    }
    if (symbol_at(k).val.u.fn.nparam > 0) {
        report_link_error(L_NoArgumentsAllowed, symbol_at(k).name);
        return false;
    }
    return true;
}

}  // namespace kj::link
