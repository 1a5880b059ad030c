// Exported calls for hosts that hand over text instead of running a prompt
// (a notebook, an editor's command window): the interactive session, the
// declaration of a name, and the current graph as an image in memory.
#include <string>

#include <kj80x.h>

#include "api/debug_session.h"
#include "compiler/compiler.h"
#include "graphics/draw_requests.h"
#include "graphics/graph.h"
#include "graphics/writers.h"
#include "lib/io/print_value.h"
#include "link/compiler_tables.h"
#include "link/entry.h"
#include "link/function_table.h"
#include "link/resolver.h"
#include "link/symbols.h"
#include "runtime/settings.h"
#include "vm/debugger.h"
#include "vm/engine.h"
#include "vm/run_control.h"

namespace kj::api {
namespace {

// The function a final bare expression of a host's text is handed to: it
// keeps the printed form for the host instead of printing it.
constexpr const char* k_result_call = "__kj_session_value";
std::string g_value;
bool g_has_value = false;

void keep_value(KjValue*, KjValue* args, int count) {
    if (count < 1) return;
    g_value = lib::io::value_text(args[0]);
    g_has_value = true;
}

// Text handed back by the calls below stays valid until the next call.
std::string g_declaration;
std::string g_image;

void end_session() {
    if (!hosted_session_open()) return;
    close_hosted_session();
    vm::end_debugging();
    vm::run_exit();
    runtime::settings().interactive = false;
}

// As `kj -i` starts without a source: an empty main, linked and run, then
// the prompt's frame.
bool start_session() {
    end_session();
    runtime::Settings& s = runtime::settings();
    s.interactive = true;
    s.debug = false;
    link::reset_compiler_tables();
    compiler::reset_compiler_state();
    compiler::create_interactive_main();
    if (!link::add_function_ex(k_result_call, keep_value, 1, link::k_serial) || !link::resolve_imports()) return false;
    const int start = vm::run_init();
    vm::Engine& e = vm::main_engine();
    if (start < 0 || !link::bind_entry(start, nullptr, e.exists())) return false;
    vm::begin_debugging();
    vm::reset_registers(e);
    e.ip = start - 1;
    vm::finish_main_run(vm::run(e, false, e.base + 1));
    open_hosted_session();
    return true;
}

// "f(x, const y)" from the parameter records; "f(...)" adds the open tail
// of a function with variable arguments.
std::string compiled_declaration(const std::string& name, const value::Value& fn) {
    const value::FuncInfo* info = fn.u.fn.info;
    std::string text = name + "(";
    const int n = info ? link::declared_parameters(*info) : 0;
    for (int i = 0; i < n; ++i) {
        if (i > 0) text += ", ";
        if (info->descriptor && info->descriptor[i] == 'c') text += "const ";
        text += info->params && info->params[i].name ? info->params[i].name : "?";
    }
    if (fn.type & KJ_FLAG_VARARGS) text += n > 0 ? ", ..." : "...";
    return text + ")";
}

// A built-in names no parameters: their count and kind.
std::string builtin_declaration(const link::LibEntry& e) {
    std::string text = std::string(link::entry_name(e)) + "(";
    for (int i = 0; i < e.param_count; ++i) {
        if (i > 0) text += ", ";
        text += e.descriptor[i] == 'c' ? "const a" : "a";
        text += std::to_string(i + 1);
    }
    if (e.flags & link::k_varargs) text += e.param_count > 0 ? ", ..." : "...";
    return text + ")  (built-in)";
}

bool find_declaration(const std::string& name, std::string& out) {
    const int k = link::find_symbol(name);
    if (k >= 0) {
        const value::Value& v = link::symbol_at(k).val;
        if (value::type_of(v) == value::T_Func) {
            out = compiled_declaration(name, v);
            return true;
        }
        if (value::type_of(v) == value::T_Class && v.u.obj.cls == k) {
            out = "class " + name;
            return true;
        }
    }
    if (const link::LibEntry* e = link::find_function(name)) {
        out = builtin_declaration(*e);
        return true;
    }
    return false;
}

bool render_graph(const std::string& format, std::string& out) {
    const graphics::Graph* g = graphics::current_graph_or_null();
    if (!g) return false;
    const int model = graphics::colour_model_of(*g);
    if (format == "svg") out = graphics::svg_text(*g, 100, model);
    else if (format == "eps") out = graphics::postscript_text(*g, false, model);
    else if (format == "gwg") out = graphics::gwg_text(*g);
    else if (format == "png") return graphics::png_bytes(*g, model, out);
    else if (format == "pdf") return graphics::pdf_bytes(*g, model, out);
    else return false;
    return true;
}

}  // namespace
}  // namespace kj::api

extern "C" {

int KjSessionStart(void) {
    try {
        return kj::api::start_session() ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int KjSessionRun(const char* text, const char** value) {
    using namespace kj::api;
    if (value) *value = nullptr;
    if (!hosted_session_open()) return -1;
    try {
        g_has_value = false;
        const bool ok = run_hosted_text(text ? text : "", value ? k_result_call : nullptr);
        if (value && g_has_value) *value = g_value.c_str();
        return ok ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

void KjSessionEnd(void) {
    try {
        kj::api::end_session();
    } catch (...) {
    }
}

const char* SKjDeclaration(const char* name) {
    try {
        if (!name || !kj::api::find_declaration(name, kj::api::g_declaration)) return nullptr;
        return kj::api::g_declaration.c_str();
    } catch (...) {
        return nullptr;
    }
}

const char* SKjGraphImage(const char* format, int* size) {
    if (size) *size = 0;
    try {
        std::string& image = kj::api::g_image;
        if (!format || !kj::api::render_graph(format, image)) return nullptr;
        if (size) *size = static_cast<int>(image.size());
        return image.data();
    } catch (...) {
        return nullptr;
    }
}

void KjGraphShown(void) { kj::graphics::mark_graph_shown(); }

}  // extern "C"
