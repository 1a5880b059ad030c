#include "link/entry.h"

#include <cstring>
#include <string>

#include "link/function_table.h"
#include "link/code_image.h"
#include "link/link_errors.h"
#include "link/literals.h"
#include "link/symbols.h"

namespace kj::link {

using value::Value;

namespace {
constexpr uint32_t k_reported = 0x4000;  // working mark, cleared after the check

bool is_function(const Value& v) {
    const uint32_t t = value::type_of(v);
    return t == value::T_Func || t == value::T_Native;
}

NativeLoader g_native_loader = nullptr;

// "file (line): " of the code at ip: a statement's line marker follows its
// code; the file is the one its function's entry names. "" without a file.
std::string code_location(int ip) {
    int line = 0;
    for (int i = ip; i < code_size(); ++i) {
        const Instr in = code_instr(i);
        if (in.op == static_cast<int32_t>(Op::Ext) || in.op == static_cast<int32_t>(Op::Elf)) break;
        if (in.op != static_cast<int32_t>(Op::Num)) continue;
        line = in.operand < 0 ? -in.operand - 1 : in.operand;
        break;
    }
    std::string file;
    for (int i = ip; i >= 0; --i) {
        const Instr in = code_instr(i);
        if (in.op != static_cast<int32_t>(Op::Elf)) continue;
        if (in.operand > 0 && in.operand < literal_count()) {
            const Value& name = literal_at(in.operand);
            if (value::type_of(name) == value::T_String && name.u.str.s)
                file.assign(name.u.str.s, static_cast<std::size_t>(name.u.str.len));
        }
        break;
    }
    if (file.empty()) return {};
    return line > 0 ? file + " (" + std::to_string(line) + "): " : file + ": ";
}

// The library function that a declared function becomes: the symbol keeps
// its attribute bits, loses the declared-only mark and calls `fn`; `flags`
// (k_varargs, k_serial) are the registered function's own.
Value library_function(const Value& declared, KjNativeFunction fn, int nparam, value::FuncInfo* info, uint32_t flags) {
    Value v{};
    v.type = value::T_Native | (declared.type & ~(KJ_TYPE_MASK | value::k_extern | value::k_varargs)) |
             (flags & (value::k_varargs | link::k_serial));
    v.u.nat.nparam = nparam;
    v.u.nat.fn = fn;
    v.u.nat.info = info;
    return v;
}

// A library that does not load is named; otherwise the function is.
void report_native_failure(int status, const std::string& library, const char* function) {
    if (status == L_CannotLoadDll)
        report_link_error(L_CannotLoadDll, library.c_str());
    else
        report_link_error(status == L_NoDynamicLinking ? L_NoDynamicLinking : L_CannotLoadDllFunction, function);
}

// "@library,function" at the end of the signature, through the loader.
void bind_to_native_library(value::NamedValue& s) {
    const char* descriptor = s.val.u.fn.info ? s.val.u.fn.info->descriptor : nullptr;
    const char* at = descriptor ? std::strchr(descriptor, '@') : nullptr;
    if (!at) return;
    const char* comma = std::strchr(at + 1, ',');
    if (!comma || comma[1] == '\0') {
        // The binding names only the library: that is what the message names.
        const std::string library = comma ? std::string(at + 1, comma) : std::string(at + 1);
        report_link_error(L_DllFunctionName, library.c_str());
        return;
    }
    if (!g_native_loader) {
        report_link_error(L_NoDynamicLinking, s.name);
        return;
    }
    const std::string library(at + 1, comma);
    const char* function = comma + 1;
    KjNativeFunction fn = nullptr;
    // The "_64" name first; that a library of that name is missing is not
    // worth a report, since the plain name comes next.
    int status = g_native_loader((library + "_64").c_str(), function, &fn);
    if (status != 0 && status != L_CannotLoadDll) report_native_failure(status, library, function);
    if (status != 0) {
        status = g_native_loader(library.c_str(), function, &fn);
        if (status != 0) report_native_failure(status, library, function);
    }
    if (status != 0 || !fn) return;
    // The function now goes by its own name: the binding is cut off.
    s.val.u.fn.info->descriptor[at - descriptor] = '\0';
    s.val = library_function(s.val, fn, s.val.u.fn.nparam, s.val.u.fn.info, s.val.type & value::k_varargs);
}

void bind_declared_functions() {
    SymbolTable& table = symbols();
    for (int k = 0; k < table.count; ++k) {
        value::NamedValue& s = table.entries[k];
        if (value::type_of(s.val) != value::T_Func || !value::has_flag(s.val, value::k_extern)) continue;
        if (const link::LibEntry* e = s.name ? link::find_function(s.name) : nullptr) {
            value::FuncInfo* info = new_function_info(e->descriptor, 0, false);
            s.val = library_function(s.val, e->fn, e->param_count, info, e->flags);
        } else {
            bind_to_native_library(s);
        }
    }
}

bool names_symbol(int32_t op) { return operand_kind(op) == OperandKind::Symbol; }
}  // namespace

void set_native_loader(NativeLoader loader) { g_native_loader = loader; }

int check_globals(int main_slot) {
    const int before = link_error_count();
    bind_declared_functions();
    SymbolTable& table = symbols();
    for (int ip = 0; ip < code_size(); ++ip) {
        const Instr in = code_instr(ip);
        if (!names_symbol(in.op) || in.operand < 0 || in.operand >= table.count) continue;
        value::NamedValue& s = table.entries[in.operand];
        if (!value::has_flag(s.val, value::k_extern) || value::has_flag(s.val, k_reported)) continue;
        s.val.type |= k_reported;
        // The first use names where the program needs the symbol.
        report_link_error(is_function(s.val) ? L_UndefinedFunction : L_UndefinedReference, s.name,
                          code_location(ip).c_str());
    }
    for (int k = 0; k < table.count; ++k) table.entries[k].val.type &= ~k_reported;
    if (main_slot > 0 && main_slot < code_size()) set_operand(main_slot, find_symbol("main"));
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
    if (name) {
        const int k = find_symbol(name);
        if (k >= 0 && is_function(symbol_at(k).val)) {
            if (symbol_at(k).val.u.fn.nparam > 0) {
                report_link_error(L_NoArgumentsAllowed, name);
                return false;
            }
            set_operand(main_slot, k);
        }
    }
    const int k = code_instr(main_slot).operand;
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
