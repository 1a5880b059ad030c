// Interactive mode: statements typed one at a time run in one lasting frame
// on the main engine, so that the variables they create stay from one
// statement to the next and survive a run-time error in a later one.
#include <memory>
#include <string>
#include <vector>

#include "api/debug_session.h"
#include "api/prompt_commands.h"
#include "api/prompt_input.h"
#include "compiler/scanner.h"
#include "link/compiler_tables.h"
#include "link/entry.h"
#include "link/link_list.h"
#include "link/resolver.h"
#include "link/symbols.h"
#include "runtime/messages.h"
#include "vm/frame.h"
#include "vm/run_control.h"

namespace kj::api {

namespace {

const char* const k_help =
    "#quit              leave (also #stop, #end, or the end of input)\n"
    "#show variable     show a variable\n"
    "#show all          show all variables (#show full: with full values)\n"
    "#include file      compile and link a source file\n"
    "#link file         link an object file\n"
    "#new               clear all code and symbols\n"
    "#help name         show the reference entry of a function (#help alone: this summary)\n"
    "#apropos word      list the functions whose entry mentions the word\n"
    "?                  show this summary\n"
    "??                 show all symbols\n"
    "?symbol            show a variable\n"
    "!command           run an operating-system command (!cd dir: change directory)\n"
    "statements         run at once; an expression without a final ; is printed\n";

// The prompt's commands (#word, ?name, !command) take one line each.
bool is_command(const std::string& text) {
    return !text.empty() && (text[0] == '#' || text[0] == '?' || text[0] == '!');
}

// An open statement continues on the next line.
bool continues(const std::string& text) {
    return !trim(text).empty() && !is_command(text) && statement_continues(text);
}

class InteractiveSession {
public:
    int run();
    // A host's text, grouped into commands as typed lines are (see below).
    bool run_text(const std::string& text, const char* result_call);
    const value::Value* variable(const std::string& name) const;
    void make_frame();

private:
    FrameSlots frame() const;
    bool command(const std::string& text);  // false: leave
    void hash_command(const std::string& word, const std::string& argument);
    void statements(const std::string& text);
    void include_file(const std::string& file);
    void link_file(const std::string& file);
    void start_afresh();
    void publish_names() const;

    std::vector<compiler::FrameName> m_names;
    int m_next_slot = 0;
    bool m_failed = false;  // a command of the host's text failed
};

// The frame of the prompt: main's value as callee, a frame marker whose
// return address is the image's leading EXT, and the reserved locals.
void InteractiveSession::make_frame() {
    vm::Engine& e = vm::main_engine();
    vm::pop_to(e, e.base);
    vm::reset_registers(e);
    value::Value* callee = ++e.sp;
    const int k = link::find_symbol("main");
    *callee = k >= 0 ? link::symbol_at(k).val : value::make_int(0);
    callee->type &= ~value::k_owns;
    vm::write_frame_marker(*++e.sp, {0, 1, 0});
    e.ap = e.sp;
    e.bp = e.sp + 1;
    for (int i = 0; i < compiler::k_interactive_locals; ++i) *++e.sp = value::make_null();
    e.ip = 0;
}

FrameSlots InteractiveSession::frame() const {
    const vm::Engine& e = vm::main_engine();
    FrameSlots f;
    f.engine = &e;
    f.ap = e.index(e.ap);
    f.bp = e.index(e.bp);
    f.names = m_names;
    return f;
}

void InteractiveSession::statements(const std::string& text) {
    StatementFrame f;
    f.slots = frame();
    f.first_free = m_next_slot;
    f.limit = compiler::k_interactive_locals;
    f.reserve = false;
    bool ok = false;
    const auto added = run_statements(statement_text(text), f, ok);
    if (!ok) m_failed = true;
    // A new variable keeps its slot even when a later statement failed: the
    // code before the error has run.
    for (const compiler::FrameName& n : added) {
        m_names.push_back(n);
        if (n.slot >= m_next_slot) m_next_slot = n.slot + 1;
    }
    publish_names();
}

void InteractiveSession::publish_names() const {
    std::vector<std::string> names;
    for (const compiler::FrameName& n : m_names) names.push_back(n.name);
    set_prompt_names(std::move(names));
}

void InteractiveSession::include_file(const std::string& file) {
    m_failed = true;
    if (!compiler::open_source(file.c_str())) return;
    const int errors = compiler::compile_unit();
    if (compiler::close_scan() + errors > 0) return;
    m_failed = !link::resolve_imports() || link::check_globals(0) > 0;
}

void InteractiveSession::link_file(const std::string& file) {
    m_failed = true;
    if (link::link_files(file.c_str(), true) != 0) return;
    m_failed = !link::resolve_imports() || link::check_globals(0) > 0;
}

void InteractiveSession::start_afresh() {
    vm::run_exit();
    link::reset_compiler_tables();
    compiler::reset_compiler_state();
    compiler::create_interactive_main();
    m_names.clear();
    m_next_slot = 0;
    publish_names();
    if (vm::run_init() < 0) return;
    make_frame();
}

void InteractiveSession::hash_command(const std::string& word, const std::string& argument) {
    if (word == "show") {
        if (argument.empty() || argument == "all" || argument == "full") show_all(frame(), argument == "full");
        else show_variable(frame(), argument, true);
    } else if (word == "include") {
        include_file(argument);
    } else if (word == "link") {
        link_file(argument);
    } else if (word == "new") {
        start_afresh();
    } else if (word == "help") {
        if (argument.empty()) runtime::puts(k_help);
        else show_help(argument);
    } else if (word == "apropos") {
        show_apropos(argument);
    }
    // Other # words are ignored.
}

bool InteractiveSession::command(const std::string& raw) {
    const std::string text = trim(raw);
    if (text.empty()) return true;
    if (text[0] == '#') {
        std::size_t end = 1;
        while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))) ++end;
        const std::string word = text.substr(1, end - 1);
        if (word == "quit" || word == "stop" || word == "end") return false;
        std::string argument = trim(text.substr(end));
        if (argument.size() >= 2 && (argument[0] == '"' || argument[0] == '<')) argument = argument.substr(1, argument.size() - 2);
        hash_command(word, argument);
    } else if (text == "?") {
        runtime::puts(k_help);
    } else if (text == "??") {
        show_all(frame(), false);
    } else if (text[0] == '?') {
        show_variable(frame(), trim(text.substr(1)), true);
    } else if (text[0] == '!') {
        operating_system_command(text.substr(1));
    } else {
        statements(text);
    }
    return true;
}

int InteractiveSession::run() {
    make_frame();
    std::string line;
    while (read_prompt_line("(kj) ", line)) {
        std::string text = line;
        while (continues(text) && read_prompt_line("... ", line))
            text += "\n" + line;
        if (!command(text)) break;
    }
    vm::Engine& e = vm::main_engine();
    vm::pop_to(e, e.base);
    vm::reset_registers(e);
    return 1;
}

// ---- The session a host drives one text at a time (session_api.cpp) ----

// The text's lines grouped as the prompt groups typed lines, each group run
// as one command; the first that fails ends the text. With result_call, a
// bare expression that ends the text is handed to that function instead of
// printed.
bool InteractiveSession::run_text(const std::string& text, const char* result_call) {
    std::vector<std::string> lines;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    m_failed = false;
    for (std::size_t i = 0; i < lines.size() && !m_failed;) {
        std::string group = lines[i++];
        while (continues(group) && i < lines.size()) group += "\n" + lines[i++];
        bool last = true;
        for (std::size_t k = i; k < lines.size(); ++k) last = last && trim(lines[k]).empty();
        const std::string t = trim(group);
        if (last && result_call && !t.empty() && !is_command(t) && is_bare_expression(t))
            group = std::string(result_call) + "(" + t + ");";
        if (!command(group)) break;
    }
    return !m_failed;
}

const value::Value* InteractiveSession::variable(const std::string& name) const {
    const FrameSlots f = frame();
    const compiler::FrameName* n = find_frame_name(f, name);
    if (!n) return nullptr;
    const value::Value* v = f.slot(*n);
    return v <= f.engine->sp ? v : nullptr;
}

std::unique_ptr<InteractiveSession> g_hosted;

}  // namespace

int interactive_loop() {
    InteractiveSession session;
    return session.run();
}

void open_hosted_session() {
    g_hosted = std::make_unique<InteractiveSession>();
    g_hosted->make_frame();
}

bool run_hosted_text(const std::string& text, const char* result_call) {
    return g_hosted && g_hosted->run_text(text, result_call);
}

const value::Value* hosted_variable(const std::string& name) { return g_hosted ? g_hosted->variable(name) : nullptr; }

bool hosted_session_open() { return g_hosted != nullptr; }

void close_hosted_session() {
    if (!g_hosted) return;
    g_hosted.reset();
    vm::Engine& e = vm::main_engine();
    vm::pop_to(e, e.base);
    vm::reset_registers(e);
    set_prompt_names({});
}

}  // namespace kj::api
