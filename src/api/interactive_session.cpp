// Interactive mode: statements typed one at a time run in one lasting frame
// on the main engine, so that the variables they create stay from one
// statement to the next and survive a run-time error in a later one.
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

class InteractiveSession {
public:
    int run();

private:
    void make_frame();
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
    if (!compiler::open_source(file.c_str())) return;
    const int errors = compiler::compile_unit();
    if (compiler::close_scan() + errors > 0) return;
    if (link::resolve_imports()) link::check_globals(0);
}

void InteractiveSession::link_file(const std::string& file) {
    if (link::link_files(file.c_str(), true) != 0) return;
    if (link::resolve_imports()) link::check_globals(0);
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
        while (!trim(text).empty() && text[0] != '#' && text[0] != '?' && text[0] != '!' && statement_continues(text) &&
               read_prompt_line("... ", line))
            text += "\n" + line;
        if (!command(text)) break;
    }
    vm::Engine& e = vm::main_engine();
    vm::pop_to(e, e.base);
    vm::reset_registers(e);
    return 1;
}

}  // namespace

int interactive_loop() {
    InteractiveSession session;
    return session.run();
}

}  // namespace kj::api
