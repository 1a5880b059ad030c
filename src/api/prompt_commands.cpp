#include "api/prompt_commands.h"

#include <cctype>

#include "api/help_reference.h"
#include "api/prompt_checkpoint.h"
#include "compiler/diagnostics.h"
#include "compiler/scanner.h"
#include "link/code_image.h"
#include "link/entry.h"
#include "link/symbols.h"
#include "runtime/host.h"
#include "runtime/messages.h"
#include "vm/engine.h"

namespace kj::api {

namespace {
std::vector<std::string> g_prompt_names;

bool is_identifier(const std::string& s) {
    if (s.empty() || std::isdigit(static_cast<unsigned char>(s[0]))) return false;
    for (char c : s)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != ':') return false;
    return true;
}
}  // namespace

void set_prompt_names(std::vector<std::string> names) { g_prompt_names = std::move(names); }
const std::vector<std::string>& prompt_names() { return g_prompt_names; }

bool show_variable(const FrameSlots& frame, const std::string& name, bool full) {
    if (!is_identifier(name)) {
        runtime::message(
            ("Variable name expected after ? and show;\nuse print for expressions, perhaps: println(" + name + ");")
                .c_str());
        return false;
    }
    if (const compiler::FrameName* n = find_frame_name(frame, name)) {
        const value::Value* v = frame.slot(*n);
        if (v <= frame.engine->sp) {
            value::Value shown = *v;
            if (n->arg) shown.type |= KJ_FLAG_ARG;
            runtime::puts(symbol_line(frame.engine->index(v), name.c_str(), shown, full).c_str());
            return true;
        }
    }
    const int k = link::find_symbol(name);
    if (k >= 0) {
        runtime::puts(symbol_line(k, name.c_str(), link::symbol_at(k).val, full).c_str());
        return true;
    }
    runtime::message(("Variable \"" + name + "\" not found within scope").c_str());
    return false;
}

void show_all(const FrameSlots& frame, bool full) {
    const std::string globals = global_symbols(true, full);
    const std::string locals = local_symbols(frame, full);
    if (globals.empty() && locals.empty()) {
        runtime::puts("no symbols defined\n");
        return;
    }
    runtime::puts((globals + locals).c_str());
}

void show_help(const std::string& topic) {
    std::string name = topic;
    while (!name.empty() && (name.back() == ';' || name.back() == ')' || name.back() == '(')) name.pop_back();
    const HelpIndex& index = help_index();
    if (const HelpEntry* e = index.find(name)) {
        runtime::puts(e->text.c_str());
        return;
    }
    if (const HelpFamily* f = index.family(name)) {
        std::string text = f->title + ":\n";
        std::size_t column = 0;
        for (const std::string& n : f->names) {
            if (column > 0 && column + n.size() > 76) {
                text += '\n';
                column = 0;
            }
            text += "  " + n;
            column += n.size() + 2;
        }
        runtime::puts((text + "\n").c_str());
        return;
    }
    if (index.size() == 0) {
        runtime::puts("No help text found beside the library (share/kj80x/help)\n");
        return;
    }
    runtime::puts(("No help for \"" + name + "\"; #apropos " + name + " lists the entries that mention it\n").c_str());
}

void show_apropos(const std::string& word) {
    if (word.empty()) {
        runtime::puts("Usage: #apropos word\n");
        return;
    }
    const HelpIndex& index = help_index();
    const std::vector<std::string> names = index.apropos(word);
    if (names.empty()) {
        runtime::puts(("No entry mentions \"" + word + "\"\n").c_str());
        return;
    }
    // One line each: the name, and as much of the summary as fits in 79 columns.
    std::string text;
    for (const std::string& n : names) {
        std::string head = n;
        if (head.size() < 20) head.resize(20, ' ');
        std::string summary = index.find(n)->summary;
        const std::size_t room = head.size() < 78 ? 78 - head.size() : 0;
        if (summary.size() > room) {
            std::size_t cut = summary.rfind(' ', room > 4 ? room - 4 : 0);
            summary = summary.substr(0, cut == std::string::npos ? 0 : cut) + " ...";
        }
        text += head + " " + summary + "\n";
    }
    runtime::puts(text.c_str());
}

std::vector<compiler::FrameName> run_statements(const std::string& text, const StatementFrame& frame, bool& ok) {
    ok = false;
    const PromptCheckpoint checkpoint;
    // Each command counts its own errors.
    compiler::reset_diagnostics();
    if (!compiler::open_source_text("input", text + "\n")) return {};
    const compiler::FrameCommand c =
        compiler::compile_frame_command(frame.slots.names, frame.first_free, frame.limit, frame.reserve, frame.slots.cls);
    const int scan_errors = compiler::close_scan();
    // The frame belongs to the stopped function or to the prompt: a return
    // would leave it (a lambda's own return is RTL).
    bool returns = false;
    for (int i = c.start; c.errors == 0 && i < link::code_size(); ++i)
        returns = returns || link::code_instr(i).op == static_cast<int32_t>(link::Op::Ret);
    if (returns) runtime::message("return is not possible at the prompt");
    if (c.errors > 0 || scan_errors > 0 || returns || link::check_globals(0) > 0) {
        checkpoint.roll_back();
        return {};
    }
    vm::Engine& e = vm::main_engine();
    const int ip = e.ip;
    value::Value* const sp = e.sp;
    value::Value* const ap = e.ap;
    value::Value* const bp = e.bp;
    e.ip = c.start;
    ok = vm::run(e, false, sp + c.reserved);
    vm::pop_to(e, sp);
    e.ip = ip;
    e.ap = ap;
    e.bp = bp;
    runtime::drain_output();
    return c.added;
}

}  // namespace kj::api
