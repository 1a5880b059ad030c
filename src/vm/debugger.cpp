#include "vm/debugger.h"

#include <algorithm>
#include <new>
#include <strings.h>

#include "link/code_image.h"
#include "link/literals.h"
#include "runtime/messages.h"
#include "runtime/run_error.h"
#include "vm/call_trace.h"
#include "vm/dispatch.h"
#include "vm/frame.h"
#include "vm/threaded_code.h"

namespace kj::vm {

using link::Op;

namespace {
DebugState g_state;

bool is_op(const link::Instr& in, Op op) { return in.op == static_cast<int32_t>(op); }

int decoded_line(int32_t operand) { return operand < 0 ? -operand - 1 : operand; }

// ELT after a lambda's construction lists the captured names; it names no slot.
bool lists_captures(int ip) {
    int i = ip - 1;
    while (i >= 0 && is_op(link::code_instr(i), Op::Elt) && link::code_instr(i).operand >= 0) --i;
    if (i < 0) return false;
    const link::Instr before = link::code_instr(i);
    return is_op(before, Op::Ntp) && before.operand == KJ_TYPE_LAMBDA;
}

// The names of a frame's locals: from the frame base, one named slot (kind 1)
// per declaration in scope, then the first free slot (kind 4). ELT with a
// literal names that free slot; ELT -k forgets the k names before it.
void name_slot(Engine& e, int32_t operand) {
    if (!e.slots || e.bp <= e.base) return;
    if (operand >= 0 && lists_captures(e.ip)) return;
    SlotInfo* const first = e.slots + e.index(e.bp);
    SlotInfo* const end = e.slots + e.capacity + k_stack_headroom - 1;
    SlotInfo* free = first;
    while (free < end && free->kind != 4) ++free;
    if (free >= end) return;
    if (operand >= 0) {
        const Value* name = operand < link::literal_count() ? &link::literal_at(operand) : nullptr;
        free->name = name && value::type_of(*name) == value::T_String ? name->u.str.s : nullptr;
        free->kind = 1;
        free[1] = SlotInfo{nullptr, 4, 0};
        return;
    }
    SlotInfo* const back = free + operand < first ? first : free + operand;
    std::fill(back, free + 1, SlotInfo{});
    back->kind = 4;
}

// A stop at ip: the pending step targets and a temporary breakpoint are
// done with, and ip moves past the instruction.
bool stop_at(Engine& e) {
    g_state.step = 0;
    g_state.over = g_state.out = -1;
    if (g_state.temporary >= 0) {
        const int32_t was = link::code_instr(g_state.temporary).operand;
        if (was < 0) link::set_operand(g_state.temporary, -was - 1);
        g_state.temporary = -1;
    }
    g_state.stop_ip = e.ip;
    e.ip += 1;
    return true;
}

// After a return, with ip at the caller's CAL: #step out stops once the
// function it was given in has returned, before the caller uses the result
// (a return into the start sequence ends the run instead).
bool stop_after_return(Engine& e) {
    if (g_state.out < 0 || e.index(e.sp) > g_state.out || g_threaded.depth > g_state.depth) return false;
    if (e.ip + 1 >= link::code_size() || is_op(link::code_instr(e.ip + 1), Op::Ext)) return false;
    return stop_at(e);
}

bool same_file(const std::string& a, const std::string& b) {
    auto stem = [](const std::string& s) {
        std::string t = s;
        if (auto slash = t.find_last_of("/\\"); slash != std::string::npos) t.erase(0, slash + 1);
        if (auto dot = t.find('.'); dot != std::string::npos) t.erase(dot);
        return t;
    };
    return strcasecmp(stem(a).c_str(), stem(b).c_str()) == 0;
}

std::string literal_text(int k) {
    if (k <= 0 || k >= link::literal_count()) return {};
    const Value& v = link::literal_at(k);
    return value::type_of(v) == value::T_String && v.u.str.s ? std::string(v.u.str.s) : std::string();
}
}  // namespace

// The stop rules at a line marker and after a return. A stop leaves ip past
// the marker (or the call).
bool debug_stop(Engine& e, int32_t op, int32_t operand) {
    if (op == static_cast<int32_t>(Op::Elt)) name_slot(e, operand);
    if (op == static_cast<int32_t>(Op::Ret)) return stop_after_return(e);
    if (op != static_cast<int32_t>(Op::Num)) return false;
    // The body of a loop that runs through a dispatch loop of its own (a
    // parallel loop) cannot be left in the middle: it runs without stops.
    if (g_threaded.depth > g_state.depth) return false;
    // A function left other than through this loop's return (one called back
    // by a library function) is noticed at the caller's next line.
    const int ap = e.index(e.ap);
    const bool stop = operand < 0 || g_state.step || (g_state.over >= 0 && ap <= g_state.over) ||
                      (g_state.out >= 0 && e.index(e.sp) < g_state.out);
    if (!stop) {
        if (g_state.trace) {
            const std::string text = location_text(e.ip, e.ap[-1], e.ap, true);
            if (!text.empty()) runtime::puts((text + "\n").c_str());
        }
        return false;
    }
    return stop_at(e);
}

DebugState& debug_state() { return g_state; }

int result_slot(const Engine& e) {
    for (const Value* p = e.sp; p >= e.bp; --p)
        if (is_frame_marker(*p)) return e.index(p) - 1;
    return e.index(e.ap) - 1;
}

void begin_debugging() {
    g_state = DebugState{};
    g_state.active = true;
}

void end_debugging() {
    g_state = DebugState{};
}

Resume resume(Engine& e, Value* base_top) {
    bool failed = false;
    g_state.stop_ip = -1;
    {
        CurrentEngineScope scope(e);
        e.abort_requested = 0;
        e.failed = 0;
        e.running = 1;
        g_state.depth = g_threaded.depth + 1;
        try {
            dispatch(e, true, 0);
        } catch (const runtime::RunError& err) {
            failed = err.code >= 0;
            if (err.code == runtime::k_program_exit) {
                pop_to(e, base_top);
                value::release(*base_top);
                *base_top = value::make_int(runtime::program_exit_code());
                e.ip = 0;
            }
        } catch (const std::bad_alloc&) {
            report_out_of_memory();
            failed = true;
        }
        e.running = 0;
        if (failed) {
            e.failed = 1;
            pop_to(e, base_top);
        }
    }
    if (failed) return Resume::Failed;
    return g_state.stop_ip >= 0 ? Resume::Stopped : Resume::Finished;
}

std::string file_at(int ip) {
    std::string file;
    const link::Instr* code = link::code_view();
    for (int i = 0; i <= ip && i < link::code_size(); ++i)
        if (is_op(code[i], Op::Elf)) file = literal_text(code[i].operand);
    return file;
}

int line_at(int ip) {
    if (ip < 0 || ip >= link::code_size()) return 0;
    return decoded_line(link::code_instr(ip).operand);
}

int set_breakpoint(const std::string& file, int line, bool set) {
    if (line < 0 || link::code_size() == 0) return -1;
    const int n = link::code_size();
    bool matching = false;
    for (int i = 0; i < n; ++i) {
        const link::Instr in = link::code_instr(i);
        if (is_op(in, Op::Elf)) {
            matching = same_file(literal_text(in.operand), file);
            continue;
        }
        if (!matching || !is_op(in, Op::Num)) continue;
        const int at = decoded_line(in.operand);
        if (at < line || at == 0) continue;
        if (set) {
            if (in.operand >= 0) link::set_operand(i, -at - 1);
        } else {
            if (in.operand < 0) link::set_operand(i, at);
            else return -1;
        }
        return at;
    }
    return -1;
}

void clear_all_breakpoints() {
    const int n = link::code_size();
    for (int i = 0; i < n; ++i) {
        const link::Instr in = link::code_instr(i);
        if (is_op(in, Op::Num) && in.operand < 0) link::set_operand(i, -in.operand - 1);
    }
}

std::vector<Breakpoint> breakpoints() {
    std::vector<Breakpoint> out;
    std::string file;
    const int n = link::code_size();
    for (int i = 0; i < n; ++i) {
        const link::Instr in = link::code_instr(i);
        if (is_op(in, Op::Elf)) file = literal_text(in.operand);
        if (is_op(in, Op::Num) && in.operand < 0 && i != g_state.temporary)
            out.push_back({file, decoded_line(in.operand), i});
    }
    return out;
}

}  // namespace kj::vm
