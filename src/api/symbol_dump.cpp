#include "api/symbol_dump.h"

#include <cstdio>
#include <cstring>

#include "compiler/token_names.h"
#include "lib/io/print_value.h"
#include "link/code_image.h"
#include "link/literals.h"
#include "link/opcodes.h"
#include "link/symbols.h"

namespace kj::api {

using value::Value;

namespace {
struct Tag {
    uint32_t flag;
    const char* text;
};
constexpr Tag k_tags[] = {
    {value::k_null, "nul"},   {value::k_extern, "ext"},  {value::k_static, "sta"},
    {value::k_const, "con"},  {KJ_FLAG_GLOBAL, "glo"},   {value::k_shared, "idx"},
    {KJ_FLAG_ARG, "arg"},     {value::k_owns, "val"},    {value::k_bound, "mem"},
    {KJ_FLAG_INLINE, "inl"},  {value::k_address, "&"},
};

std::string size_suffix(const Value& v) {
    char buf[48] = "";
    switch (value::type_of(v)) {
        case value::T_Matrix:
        case value::T_File: std::snprintf(buf, sizeof buf, "[%d][%d]", value::rows(v), value::columns(v)); break;
        case value::T_String:
        case value::T_Array: std::snprintf(buf, sizeof buf, "[%d]", value::size_c(v)); break;
        case value::T_Vector: std::snprintf(buf, sizeof buf, "[][%d]", value::size_c(v)); break;
        default: break;
    }
    return buf;
}

bool is_hidden_name(const char* name) { return !name || !*name || name[0] == '$' || name[0] == '@'; }

void add_value(std::string& line, const Value& v, bool full) {
    if (value::is_null(v)) return;
    const uint32_t t = value::type_of(v);
    if (!full && (t == value::T_Matrix || t == value::T_Array || t == value::T_Vector)) return;
    std::string text = lib::io::value_text(v);
    // A value of several lines starts on a line of its own.
    const std::size_t nl = text.find('\n');
    if (nl != std::string::npos && nl + 1 < text.size() && nl != 0) line += "\n";
    line += text;
}
}  // namespace

std::string attribute_tags(uint32_t type) {
    std::string out;
    for (const Tag& t : k_tags)
        if (type & t.flag) {
            out += t.text;
            out += ' ';
        }
    return out;
}

std::string symbol_line(int index, const char* name, const Value& v, bool full) {
    char head[160];
    const std::string label = std::string(name && *name ? name : "--") + size_suffix(v);
    std::snprintf(head, sizeof head, "%4d %-24s%-8s ", index, label.c_str(), value::type_name(v.type));
    std::string line = head + attribute_tags(v.type);
    add_value(line, v, full);
    if (line.empty() || line.back() != '\n') line += '\n';
    return line;
}

bool is_class_symbol(int k) {
    const Value& v = link::symbol_at(k).val;
    return value::type_of(v) == value::T_Class && v.u.obj.cls == k;
}

std::string global_symbols(bool debugger_view, bool full) {
    std::string out;
    const link::SymbolTable& table = link::symbols();
    for (int k = 0; k < table.count; ++k) {
        const value::NamedValue& s = table.entries[k];
        if (is_hidden_name(s.name)) continue;
        const uint32_t t = value::type_of(s.val);
        if (debugger_view && (value::has_flag(s.val, value::k_const) || t == value::T_Func || t == value::T_Native ||
                              is_class_symbol(k)))
            continue;
        out += symbol_line(k, s.name, s.val, full);
    }
    return out.empty() ? out : "=== global symbols ===\n" + out;
}

FrameSlots running_frame(const vm::Engine& e) {
    FrameSlots f;
    f.engine = &e;
    f.ap = e.index(e.ap);
    f.bp = e.index(e.bp);
    if (e.ap > e.base) {
        const Value& callee = e.ap[-1];
        const value::FuncInfo* info = value::type_of(callee) == value::T_Func ? callee.u.fn.info : nullptr;
        const int n = info && info->params ? link::declared_parameters(*info) : 0;
        for (int i = 0; i < n; ++i)
            if (!is_hidden_name(info->params[i].name)) f.names.push_back({info->params[i].name, i, true});
        if (n > 0 && std::strcmp(info->params[0].name ? info->params[0].name : "", "this") == 0 &&
            value::type_of(e.ap[0]) == value::T_Class)
            f.cls = e.ap[0].u.obj.cls;
    }
    // The locals the running code has named so far (debug mode only).
    if (e.slots && e.bp > e.base) {
        const int end = e.capacity + vm::k_stack_headroom;
        for (int i = f.bp; i < end && e.slots[i].kind != 4 && e.slots[i].kind != 0; ++i) {
            const char* name = e.slots[i].name;
            if (e.slots[i].kind == 1 && name && !is_hidden_name(name)) f.names.push_back({name, i - f.bp, false});
        }
    }
    return f;
}

const compiler::FrameName* find_frame_name(const FrameSlots& f, const std::string& name) {
    for (auto it = f.names.rbegin(); it != f.names.rend(); ++it)
        if (it->name == name) return &*it;
    return nullptr;
}

std::string local_symbols(const FrameSlots& f, bool full) {
    std::string out;
    for (const compiler::FrameName& n : f.names) {
        const Value* v = f.slot(n);
        if (v > f.engine->sp) continue;
        Value shown = *v;
        if (n.arg) shown.type |= KJ_FLAG_ARG;
        out += symbol_line(f.engine->index(v), n.name.c_str(), shown, full);
    }
    return out.empty() ? out : "=== local symbols ===\n" + out;
}

std::string register_line(const vm::Engine& e) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "  ip_next=%3d sp=%3d ap=%3d bp=%3d", e.ip, e.index(e.sp), e.index(e.ap),
                  e.index(e.bp));
    std::string out = buf;
    if (e.sp > e.base) out += " *sp=" + lib::io::value_text(*e.sp);
    if (out.back() != '\n') out += '\n';
    return out;
}

std::string pcode_listing() {
    std::string out = "=== pcode ===\n";
    const int n = link::code_size();
    char buf[64];
    for (int i = 0; i < n; ++i) {
        const link::Instr in = link::code_instr(i);
        std::snprintf(buf, sizeof buf, "%3d %s %10d ", i, link::mnemonic(in.op), in.operand);
        out += buf;
        const auto op = static_cast<link::Op>(in.op);
        if ((op == link::Op::Lod || op == link::Op::Sto) && in.operand >= 0 && in.operand < link::symbols().count) {
            const char* name = link::symbol_at(in.operand).name;
            out += name ? name : "";
        } else if (op == link::Op::Opr) {
            out += compiler::token_name(in.operand);
        } else if ((op == link::Op::Lit || op == link::Op::Elf || op == link::Op::Elt) && in.operand >= 0 &&
                   in.operand < link::literal_count()) {
            out += lib::io::value_text(link::literal_at(in.operand));
        }
        out += '\n';
    }
    out += "=== literals ===\n";
    for (int k = 0; k < link::literal_count(); ++k) {
        const Value& v = link::literal_at(k);
        std::snprintf(buf, sizeof buf, "%3d %-8s ", k, value::type_name(v.type));
        out += buf;
        out += lib::io::value_text(v);
        if (out.back() != '\n') out += '\n';
    }
    return out;
}

}  // namespace kj::api
