#include "vm/call_trace.h"

#include <cstring>
#include <string_view>

#include "link/code_image.h"
#include "link/literals.h"
#include "link/symbols.h"
#include "runtime/located_message.h"
#include "runtime/messages.h"
#include "vm/frame.h"
#include "runtime/run_error.h"

namespace kj::vm {

using link::Op;

namespace {
constexpr int k_trace_frames = 10;

bool is_op(const link::Instr& in, Op op) { return in.op == static_cast<int32_t>(op); }

// The line of a NUM (a breakpoint holds it complemented); 0 for none.
int line_of(const link::Instr& num) {
    const int line = num.operand < 0 ? -num.operand - 1 : num.operand;
    return line >= 1 ? line : 0;
}

const value::FuncInfo* info_of(const Value& callee) {
    return value::type_of(callee) == value::T_Func ? callee.u.fn.info : nullptr;
}

// The source file: the string literal the function's information block names.
const char* file_of(const Value& callee) {
    const value::FuncInfo* info = info_of(callee);
    if (!info || info->file <= 0 || info->file >= link::literal_count()) return nullptr;
    const Value& lit = link::literal_at(info->file);
    return value::type_of(lit) == value::T_String && lit.u.str.s ? lit.u.str.s : nullptr;
}

// A member function runs with its object as the hidden first argument "this".
const char* class_of(const Value& callee, const Value* args) {
    const value::FuncInfo* info = info_of(callee);
    if (!info || !info->params || link::declared_parameters(*info) < 1 || !info->params[0].name) return nullptr;
    if (std::strcmp(info->params[0].name, "this") != 0 || value::type_of(args[0]) != value::T_Class) return nullptr;
    const int cls = args[0].u.obj.cls;
    return cls >= 0 && cls < link::symbols().count ? link::symbol_at(cls).name : nullptr;
}

// A member function's symbol carries its class ("Base::f"); after the class
// of the object it runs on, only the member's own name follows.
std::string_view member_display_name(const Value& callee, const Value* args) {
    const std::string_view name = frame_function_name(callee);
    if (!class_of(callee, args)) return name;
    const std::size_t colon = name.rfind("::");
    return colon == std::string_view::npos ? name : name.substr(colon + 2);
}

// The running function of the current engine: its callee slot and arguments.
struct Running {
    Engine* e;
    const Value* callee;
    const Value* args;
};

bool running_function(Running& r) {
    Engine* e = current_engine();
    if (!e || !e->exists() || e->ap <= e->base) return false;
    r = {e, e->ap - 1, e->ap};
    return true;
}

// Calls f with the saved registers of the first ten frames called from
// compiled code, from the current one down; says when there are more.
template <class F>
void for_each_caller(const Engine& e, F f) {
    int frames = 0;
    for (int bp = e.index(e.bp); bp > 1;) {
        const Value& marker = e.base[bp - 1];
        if (!is_frame_marker(marker)) break;
        const SavedRegisters caller = saved_registers(marker);
        if (caller.ap >= 1 && caller.bp >= 1) {
            if (frames < k_trace_frames) f(caller);
            else if (frames == k_trace_frames) runtime::run_message("remaining calls not listed");
            ++frames;
        }
        if (caller.bp == 0) break;
        bp = caller.bp;
    }
}

void error_location() {
    Running r;
    if (!running_function(r)) return;
    const int line = source_line(r.e->ip);
    if (line < 1) return;
    std::string text = "Runtime error occurred in ";
    if (const char* cls = class_of(*r.callee, r.args)) {
        text += cls;
        text += "::";
    }
    text += member_display_name(*r.callee, r.args);
    text += " (" + std::to_string(line) + "), call trace: ";
    text += location_text(r.e->ip, *r.callee, r.args, true);
    runtime::run_message(text.c_str());
    print_call_trace(*r.e);
}

// The message at the current instruction in the file:line form, the calls
// that led there as notes.
bool located(const char* kind, const char* text, bool trace) {
    Running r;
    if (!running_function(r)) return false;
    const int line = source_line(r.e->ip);
    const char* file = file_of(*r.callee);
    if (line < 1 || !file) return false;
    runtime::run_message(
        runtime::located_message(file, line, -1, kind, text, runtime::line_of_file(file, line)).c_str());
    if (!trace) return true;
    std::string where = std::string(file) + ":" + std::to_string(line) + ": note: in ";
    if (const char* cls = class_of(*r.callee, r.args)) where += std::string(cls) + "::";
    where += member_display_name(*r.callee, r.args);
    runtime::run_message(where.c_str());
    for_each_caller(*r.e, [&](const SavedRegisters& caller) {
        const Value& callee = r.e->base[caller.ap - 1];
        const int at = source_line(caller.ip);
        const char* in = file_of(callee);
        if (at >= 1 && in)
            runtime::run_message((std::string(in) + ":" + std::to_string(at) + ": note: called from " +
                                  std::string(member_display_name(callee, r.e->base + caller.ap)))
                                     .c_str());
    });
    return true;
}

void warning_location() {
    Running r;
    if (!running_function(r)) return;
    const std::string text = location_text(r.e->ip, *r.callee, r.args, true);
    if (!text.empty()) runtime::run_message(text.c_str());
}

const char* current_function() {
    Running r;
    if (!running_function(r) || !info_of(*r.callee)) return nullptr;
    return frame_function_name(*r.callee);
}
}  // namespace

// Walks the frame markers from the current frame down; the first ten frames
// called from compiled code print their return location.
void print_call_trace(const Engine& e) {
    for_each_caller(e, [&](const SavedRegisters& caller) {
        const std::string line = location_text(caller.ip, e.base[caller.ap - 1], e.base + caller.ap, false);
        if (!line.empty()) runtime::run_message(line.c_str());
    });
}

int source_line(int ip) {
    if (ip < 0 || ip >= link::code_size()) return 0;
    // A return statement puts its line marker just before the RET: an error
    // raised by the return itself (a result being materialised) belongs to
    // that line, not to whatever code follows the function.
    const link::Instr at = link::code_instr(ip);
    if ((is_op(at, Op::Ret) || is_op(at, Op::Rtl)) && ip > 0 && is_op(link::code_instr(ip - 1), Op::Num))
        return line_of(link::code_instr(ip - 1));
    for (int i = ip; i < link::code_size(); ++i) {
        const link::Instr in = link::code_instr(i);
        if (is_op(in, Op::Ext)) return 0;
        if (is_op(in, Op::Num)) return line_of(in);
    }
    return 0;
}

const char* frame_function_name(const Value& callee) {
    const value::FuncInfo* info = info_of(callee);
    return info ? link::function_name(info) : "?";
}

std::string location_text(int ip, const Value& callee, const Value* args, bool with_class) {
    const int line = source_line(ip);
    if (line < 1) return {};
    std::string text;
    if (const char* file = file_of(callee)) {
        text += file;
        text += ' ';
    }
    text += "(" + std::to_string(line) + "): ";
    const char* cls = with_class ? class_of(callee, args) : nullptr;
    if (cls) {
        text += cls;
        text += "::";
        text += member_display_name(callee, args);
    } else {
        text += frame_function_name(callee);
    }
    return text;
}

void install_error_reporter() {
    runtime::ErrorReporter r;
    r.error_location = error_location;
    r.warning_location = warning_location;
    r.current_function = current_function;
    r.located = located;
    r.unwind = recover;
    runtime::error_reporter() = r;
}

}  // namespace kj::vm
