#include "vm/calls.h"

#include <algorithm>
#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "runtime/current_function.h"
#include "link/function_table.h"
#include "link/symbols.h"
#include "vm/frame.h"
#include "vm/lambdas.h"
#include "vm/parallel_loop.h"
#include "link/class_members.h"
#include "runtime/run_error.h"
#include "vm/spread.h"

namespace kj::vm {

using value::FuncInfo;
using value::k_const;
using value::k_owns;

namespace {
// A shared array becomes a private deep copy; an owned shared block is freed.
void make_private(Value& v) {
    Value copy = v;
    copy.type &= ~(k_owns | value::k_shared);
    value::make_owned(copy);
    value::release(v);
    v = copy;
}

// Frees a native function's result when a run-time error leaves the call.
struct ResultGuard {
    Value v = value::make_int(0);
    ~ResultGuard() { value::release(v); }
};

// The native function being called (in the run context the engine keeps)
// names library error messages. Nested native calls (through callbacks)
// restore the outer name on every way out; the name of a finished call is
// never read again, as its symbol table may be gone by then.
class NativeNameScope {
public:
    NativeNameScope(runtime::RunContext& context, const char* name)
        : m_context(context), m_outer(context.native_function) {
        context.native_function = name;
    }
    ~NativeNameScope() { m_context.native_function = m_outer; }
    NativeNameScope(const NativeNameScope&) = delete;
    NativeNameScope& operator=(const NativeNameScope&) = delete;

private:
    runtime::RunContext& m_context;
    const char* m_outer;
};

const char* callee_name(const Value& f) {
    return link::function_name(value::type_of(f) == value::T_Native ? f.u.nat.info : f.u.fn.info);
}

// A bound function value carries a copy of its object's payload: the object
// and an int 0 become the first two arguments.
int insert_bound_object(Engine& e, Value* callee, int n) {
    if (e.sp + 2 >= e.limit()) runtime::raise_run_error(runtime::E_StackOverflow);
    Value object{};
    object.type = value::T_Class;
    std::copy_n(callee->u.fn.context, 4, object.u.w);
    if (link::is_deleted_object(object)) runtime::raise_run_error(runtime::E_ClassExpected, "object used after delete");
    Value* args = callee + 1;
    for (int i = n - 1; i >= 0; --i) args[i + 2] = args[i];
    args[0] = object;
    args[1] = value::make_int(0);
    e.sp += 2;
    return n + 2;
}

// Debug mode: the slots from the callee through the marker are cleared; the
// callee and the first local start a frame (kind 4); arguments are named.
void mark_frame_slots(Engine& e, Value* callee, int n, const FuncInfo* info) {
    SlotInfo* s = e.slots + e.index(callee);
    std::fill(s, s + n + 2, SlotInfo{});
    s[0].kind = 4;
    s[n + 2].kind = 4;
    for (int i = 0; i < n; ++i) {
        s[1 + i].kind = 1;
        if (info && info->params && i < link::declared_parameters(*info)) s[1 + i].name = info->params[i].name;
    }
}

// Information blocks of library functions called by name, made on the first
// call and kept for the process (map nodes do not move); the descriptor is
// refreshed when the entry was registered anew.
struct LibraryInfo {
    std::string descriptor;
    FuncInfo info{};
};
std::map<std::string, LibraryInfo, std::less<>> g_library_infos;
std::mutex g_library_infos_mutex;  // workers of a parallel loop call by name too

Value library_function_value(std::string_view name, const link::LibEntry& entry) {
    const std::lock_guard lock(g_library_infos_mutex);
    auto it = g_library_infos.find(name);
    if (it == g_library_infos.end()) it = g_library_infos.emplace(std::string(name), LibraryInfo{}).first;
    LibraryInfo& li = it->second;
    li.descriptor = entry.descriptor;
    li.info.descriptor = li.descriptor.data();
    Value f{};
    f.type = value::T_Native | (entry.flags & (value::k_varargs | link::k_serial));
    f.u.nat.nparam = entry.param_count;
    f.u.nat.fn = entry.fn;
    f.u.nat.info = &li.info;
    return f;
}

// A string callee names a global function or, failing that, a library function.
void call_by_name(Engine& e, Value* callee, int n) {
    const std::string_view name(callee->u.str.s ? callee->u.str.s : "", static_cast<std::size_t>(callee->u.str.len));
    const int k = link::find_symbol(name);
    const uint32_t t = k >= 0 ? value::type_of(link::symbol_at(k).val) : value::T_None;
    Value f;
    if (t == value::T_Func || t == value::T_Native || t == value::T_Lambda) {
        f = link::symbol_at(k).val;
        f.type &= ~k_owns;
    } else if (const link::LibEntry* entry = link::find_function(name)) {
        f = library_function_value(name, *entry);
    } else {
        runtime::raise_run_error(runtime::E_NotFunction, name);
    }
    value::release(*callee);
    *callee = f;
    call(e, n);
}

bool has_spread(const Value* args, int n) {
    for (int i = 0; i < n; ++i)
        if (is_spread(args[i])) return true;
    return false;
}
}  // namespace

void prepare_argument(Value& arg) {
    const uint32_t t = value::type_of(arg);
    if (t == value::T_Array && value::has_flag(arg, value::k_shared))
        make_private(arg);
    else if (t == value::T_Vector)
        value::materialize(arg);
}

void call(Engine& e, int n) {
    Value* callee = e.sp - n;
    if (has_spread(callee + 1, n)) n = spread_arguments(e, callee, n);
    switch (value::type_of(*callee)) {
        case value::T_Func: call_compiled(e, callee, n); return;
        case value::T_Native: call_native(e, callee, n); return;
        case value::T_String: call_by_name(e, callee, n); return;
        case value::T_Lambda: call_lambda(e, callee, n); return;
        default: runtime::raise_run_error(runtime::E_NotFunction);
    }
}

void call_compiled(Engine& e, Value* callee, int n) {
    if (value::has_flag(*callee, value::k_bound) && callee->u.fn.context) n = insert_bound_object(e, callee, n);
    const Value f = *callee;
    FuncInfo* info = f.u.fn.info;
    if (value::has_flag(f, value::k_extern)) runtime::raise_run_error(runtime::E_UndefinedFunc, callee_name(f));
    const int declared = f.u.fn.nparam;

    // Missing arguments come from the parameter defaults, as aliases, up to
    // the first parameter without one.
    if (n < declared && info && info->params) {
        for (; n < declared && !value::is_null(info->params[n].val); ++n) {
            if (e.sp + 1 >= e.limit()) runtime::raise_run_error(runtime::E_StackOverflow);
            *++e.sp = info->params[n].val;
            e.sp->type &= ~k_owns;
        }
    }
    const bool varargs = value::has_flag(f, value::k_varargs);
    if (n < declared || (!varargs && n != declared)) runtime::raise_run_error(runtime::E_WrongArgCount, callee_name(f));
    if (e.sp + 1 >= e.limit()) runtime::raise_run_error(runtime::E_StackOverflow);

    Value* args = callee + 1;
    for (int i = 0; i < n; ++i) {
        prepare_argument(args[i]);
        if (i < declared && info && link::parameter_is_const(*info, i))
            args[i].type |= k_const;
        else
            args[i].type &= ~k_const;
    }

    *++e.sp = make_frame_marker(e);
    if (e.slots) mark_frame_slots(e, callee, n, info);
    e.ip = static_cast<int32_t>(f.u.fn.entry) - 1;
    e.ap = args;
    e.bp = e.sp + 1;
}

void call_native(Engine& e, Value* callee, int n) {
    const Value f = *callee;
    const int declared = f.u.nat.nparam;
    const bool varargs = value::has_flag(f, value::k_varargs);
    if (n < declared || (!varargs && n != declared)) runtime::raise_run_error(runtime::E_WrongArgCount, callee_name(f));
    if (e.origin && value::has_flag(f, KJ_FLAG_SERIAL)) refuse_serial_call(callee_name(f));
    Value* args = callee + 1;
    for (int i = 0; i < n; ++i) prepare_argument(args[i]);

    NativeNameScope name(e.context ? *e.context : runtime::run_context(), callee_name(f));
    ResultGuard result;
    f.u.nat.fn(&result.v, args, n);
    value::make_owned(result.v);

    while (e.sp > callee) {
        value::release(*e.sp);
        --e.sp;
    }
    value::release(*callee);
    *callee = result.v;
    result.v = value::make_int(0);
}

void store_result(Value& callee, Value& top, int r) {
    if (r == 1) {
        // The result becomes a private owned value and moves into the callee slot.
        prepare_argument(top);
        value::make_owned(top);
        value::release(callee);
        callee = top;
        callee.type &= ~k_const;
        top = value::make_int(0);
    } else {
        value::release(callee);
        callee = r == -1 ? value::make_null() : value::make_int(0);
    }
}

void return_from(Engine& e, int r) {
    // Only a frame made by a call can be left (damaged object code may try
    // another), and only to registers inside the stack.
    if (e.ap <= e.base || e.bp <= e.ap || !is_frame_marker(e.bp[-1])) runtime::raise_run_error(runtime::E_StackError);
    Value* callee = e.ap - 1;
    const SavedRegisters caller = saved_registers(e.bp[-1]);
    const int top = e.index(callee);
    if (caller.ap < 0 || caller.ap > top || caller.bp < 0 || caller.bp > top) runtime::raise_run_error(runtime::E_StackError);
    store_result(*callee, *e.sp, r);
    while (e.sp >= e.ap) {
        value::release(*e.sp);
        --e.sp;
    }
    e.ip = caller.ip;
    e.ap = e.at(caller.ap);
    e.bp = e.at(caller.bp);
}

}  // namespace kj::vm
