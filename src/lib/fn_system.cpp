// System built-ins: environment, operating-system commands, program exit,
// version, warnings and run-time errors, the program's arguments and the
// extra arguments of variable-argument functions, and object helpers.
#include <cstdlib>
#include <string>

#include "runtime/host.h"
#include "lib/args.h"
#include "lib/fn_math.h"
#include "lib/library_rows.h"
#include "lib/object_queries.h"
#include "link/literals.h"
#include "platform/process.h"
#include "runtime/messages.h"
#include "vm/engine.h"
#include "vm/frame.h"
#include "vm/objects.h"

namespace kj::lib {

namespace {
using value::Value;

constexpr int k_version = 800;

void set_string_array(Value& result, int n, char** items) {
    Value out = value::make_int(0);
    value::set_array(out, n);
    for (int k = 0; k < n; ++k) value::set_string(out.u.arr.v[k], items[k] ? items[k] : "");
    value::release(result);
    result = out;
}

// The callee slot of the compiled function that called the native, or null.
Value* calling_function() {
    vm::Engine* e = vm::current_engine();
    if (!e || !e->exists() || e->ap <= e->base) return nullptr;
    Value* callee = e->ap - 1;
    return value::type_of(*callee) == value::T_Func ? callee : nullptr;
}

void fn_getenv(Value* r, Value* a, int) {
    const std::string name = string_arg(a, 0);
    const char* v = std::getenv(name.c_str());
    value::set_string(*r, v ? v : "");
}

void fn_systemcall(Value* r, Value* a, int) { value::set_int(*r, platform::run_command(string_arg(a, 0))); }

void fn_exit(Value*, Value* a, int) {
    check_type(value::T_Int, a, 0, 0);
    runtime::request_program_exit(a[0].u.ival);
}

void fn_kjversion(Value* r, Value*, int) { value::set_int(*r, k_version); }
void fn_kjversionispro(Value* r, Value*, int) { value::set_int(*r, 1); }

// An int sets the warning mask (the previous one is returned); a string is
// issued as a warning of the calling function.
void fn_kjwarning(Value* r, Value* a, int) {
    Value& x = a[0];
    const uint32_t t = value::type_of(x);
    if (!value::is_null(x) && t == value::T_String) {
        runtime::run_warning_message(nullptr, string_arg(a, 0).c_str());
        value::set_int(*r, runtime::warning_mask());
        return;
    }
    if (value::is_null(x) || (t != value::T_Int && t != value::T_Double)) arg_type_error(0, value::T_Int, &x);
    check_type(value::T_Int, a, 0, 0);
    const int previous = runtime::warning_mask();
    runtime::set_warning_mask(x.u.ival);
    value::set_int(*r, previous);
}

void fn_kjrunerror(Value*, Value* a, int count) {
    const std::string msg = string_arg(a, 0);
    bool quiet = false;
    if (count > 1) {
        check_type(value::T_Int, a, 1, 1);
        quiet = a[1].u.ival != 0;
    }
    if (!quiet) runtime::raise_run_error_message(msg.c_str());
    runtime::run_message(msg.c_str());
    runtime::raise_run_error_message(nullptr);
}

// Parts of the calling function's source file name: 0 as recorded, 1 the
// folder with its separator, 2 the base name without extension, 3 the
// extension with its dot.
std::string file_name_part(const std::string& path, int part) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = base.find_last_of('.');
    switch (part) {
        case 1: return folder;
        case 2: return dot == std::string::npos ? base : base.substr(0, dot);
        case 3: return dot == std::string::npos ? "" : base.substr(dot);
        default: return path;
    }
}

void fn_kjfilename(Value* r, Value* a, int) {
    check_type(value::T_Int, a, 0, 0);
    std::string path;
    if (const Value* f = calling_function()) {
        const value::FuncInfo* info = f->u.fn.info;
        if (info && info->file > 0 && info->file < link::literal_count()) {
            const Value& lit = link::literal_at(info->file);
            if (value::type_of(lit) == value::T_String && lit.u.str.s)
                path.assign(lit.u.str.s, static_cast<std::size_t>(lit.u.str.len));
        }
    }
    value::set_string(*r, file_name_part(path, a[0].u.ival));
}

void fn_arglist(Value* r, Value*, int) {
    const runtime::HostState& h = runtime::state();
    set_string_array(*r, h.kj_argv ? h.kj_argc : 0, h.kj_argv);
}

// The arguments of the calling function lie between its argument base and
// the frame marker below its locals; those past the declared count are extra.
void fn_va_arglist(Value* r, Value*, int) {
    vm::Engine* e = vm::current_engine();
    const Value* callee = calling_function();
    int first = 0, n = 0;
    if (callee && value::has_flag(*callee, value::k_varargs) && vm::is_frame_marker(e->bp[-1])) {
        first = callee->u.fn.nparam;
        n = static_cast<int>(e->bp - 1 - e->ap) - first;
    }
    Value out = value::make_int(0);
    value::set_array(out, n > 0 ? n : 0);
    for (int k = 0; k < n; ++k) value::duplicate(out.u.arr.v[k], e->ap[first + k]);
    value::release(*r);
    *r = out;
}

void fn_classname(Value* r, Value* a, int) {
    const char* name = object_class_name(a[0]);
    if (name)
        value::set_string(*r, name);
    else
        value::set_int(*r, 0);
}

void fn_clone(Value* r, Value* a, int count) {
    if (value::is_null(a[0]) || value::type_of(a[0]) != value::T_Class)
        runtime::raise_run_error(runtime::E_ClassExpected, "clone object");
    bool deep = false;
    if (count > 1) deep = value::truth(a[1]);
    Value out = value::make_int(0);
    vm::clone_object(out, a[0], deep);
    value::release(*r);
    *r = out;
}

const DescriptorRow k_general[] = {
    {"c$getenv", fn_getenv},       {"c$systemcall", fn_systemcall},     {"c$exit", fn_exit},
    {"$kjversion", fn_kjversion},  {"$kjversionispro", fn_kjversionispro}, {"c$kjwarning", fn_kjwarning},
    {"c$kjrunerror", fn_kjrunerror, 1}, {"c$kjfilename", fn_kjfilename, 1}, {"$arglist", fn_arglist},
    {"$va_arglist", fn_va_arglist}, {"c$classname", fn_classname},     {"c$clone", fn_clone, 1},
};

}  // namespace

std::span<const DescriptorRow> system_rows() { return k_general; }

}  // namespace kj::lib
