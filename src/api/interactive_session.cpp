#include "api/interactive_session.h"

#include <cctype>
#include <memory>

#include "api/debug_session.h"
#include "api/prompt_checkpoint.h"
#include "api/prompt_commands.h"
#include "compiler/diagnostics.h"
#include "compiler/scanner.h"
#include "link/compiler_tables.h"
#include "link/entry.h"
#include "link/function_table.h"
#include "link/inline_functions.h"
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
    "name(args) { }     define a function (or a class); a new definition replaces the old\n"
    "statements         run at once; an expression without a final ; is printed\n";

// Typed definitions read as a source of this name.
constexpr const char* k_input_name = "input";

bool compile_file(const std::string& file) {
    if (!compiler::open_source(file.c_str())) return false;
    const int errors = compiler::compile_unit();
    return compiler::close_scan() + errors == 0;
}

bool compile_text(const std::string& text) {
    compiler::open_source_text(k_input_name, text + "\n");
    const int errors = compiler::compile_unit();
    return compiler::close_scan() + errors == 0;
}

}  // namespace

InteractiveSession::InteractiveSession() { make_frame(); }

InteractiveSession::~InteractiveSession() {
    vm::Engine& e = vm::main_engine();
    vm::pop_to(e, e.base);
    vm::reset_registers(e);
}

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

NameKind InteractiveSession::name_kind(const std::string& name) const {
    for (const compiler::FrameName& n : m_names)
        if (n.name == name) return NameKind::Defined;
    if (link::find_function(name) || link::inline_function_code(name.c_str()) != 0) return NameKind::BuiltIn;
    return link::find_symbol(name) >= 0 ? NameKind::Defined : NameKind::Unknown;
}

bool InteractiveSession::statements(const std::string& text) {
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
    return ok;
}

void InteractiveSession::publish_names() const {
    std::vector<std::string> names;
    for (const compiler::FrameName& n : m_names) names.push_back(n.name);
    set_prompt_names(std::move(names));
}

// A unit compiled at the prompt (a typed definition or an included file)
// may define again what was defined; when it does not compile or link,
// nothing of it stays.
bool InteractiveSession::compile_and_link(bool (*compile)(const std::string&), const std::string& argument) {
    const PromptCheckpoint checkpoint;
    compiler::reset_diagnostics();
    compiler::set_redefinition(true);
    const bool compiled = compile(argument);
    compiler::set_redefinition(false);
    if (compiled && link::resolve_imports() && link::check_globals(0) == 0) return true;
    checkpoint.roll_back();
    return false;
}

bool InteractiveSession::definition(const std::string& text) {
    return compile_and_link(compile_text, statement_text(text));
}

bool InteractiveSession::link_file(const std::string& file) {
    if (link::link_files(file.c_str(), true) != 0) return false;
    return link::resolve_imports() && link::check_globals(0) == 0;
}

bool InteractiveSession::start_afresh() {
    vm::run_exit();
    link::reset_compiler_tables();
    compiler::reset_compiler_state();
    compiler::create_interactive_main();
    m_names.clear();
    m_next_slot = 0;
    publish_names();
    if (vm::run_init() < 0) return false;
    make_frame();
    return true;
}

InteractiveSession::Outcome InteractiveSession::hash_command(const std::string& word, const std::string& argument) {
    bool ok = true;
    if (word == "quit" || word == "stop" || word == "end") return Outcome::Quit;
    if (word == "show") {
        if (argument.empty() || argument == "all" || argument == "full") show_all(frame(), argument == "full");
        else ok = show_variable(frame(), argument, true);
    } else if (word == "include") {
        ok = compile_and_link(compile_file, argument);
    } else if (word == "link") {
        ok = link_file(argument);
    } else if (word == "new") {
        ok = start_afresh();
    } else if (word == "help") {
        if (argument.empty()) runtime::puts(k_help);
        else show_help(argument);
    } else if (word == "apropos") {
        show_apropos(argument);
    }
    // Other # words are ignored.
    return ok ? Outcome::Done : Outcome::Failed;
}

InteractiveSession::Outcome InteractiveSession::command(const std::string& raw) {
    const std::string text = trim(raw);
    if (text.empty()) return Outcome::Done;
    bool ok = true;
    if (text[0] == '#') {
        std::size_t end = 1;
        while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))) ++end;
        std::string argument = trim(text.substr(end));
        if (argument.size() >= 2 && (argument[0] == '"' || argument[0] == '<')) argument = argument.substr(1, argument.size() - 2);
        return hash_command(text.substr(1, end - 1), argument);
    } else if (text == "?") {
        runtime::puts(k_help);
    } else if (text == "??") {
        show_all(frame(), false);
    } else if (text[0] == '?') {
        ok = show_variable(frame(), trim(text.substr(1)), true);
    } else if (text[0] == '!') {
        ok = operating_system_command(text.substr(1));
    } else if (is_definition(text)) {
        ok = definition(text);
    } else {
        ok = statements(text);
    }
    return ok ? Outcome::Done : Outcome::Failed;
}

bool InteractiveSession::run_text(const std::string& text, const char* result_call) {
    CommandReader reader(lines_of(text), [this](const std::string& name) { return name_kind(name); },
                         CommandReader::Interrupts::Ignore);
    std::vector<std::string> commands;
    for (std::string c; reader.next("", c);) commands.push_back(c);
    while (!commands.empty() && trim(commands.back()).empty()) commands.pop_back();
    for (std::size_t i = 0; i < commands.size(); ++i) {
        std::string c = commands[i];
        const std::string t = trim(c);
        if (i + 1 == commands.size() && result_call && !is_prompt_command(t) && is_bare_expression(t) &&
            !is_definition(t))
            c = std::string(result_call) + "(" + t + ");";
        const Outcome out = command(c);
        if (out == Outcome::Quit) break;
        if (out == Outcome::Failed) return false;
    }
    return true;
}

bool InteractiveSession::run_prompt() {
    const bool script = reading_script();
    const LineSource prompt = [script](const char* text, std::string& line) {
        return read_prompt_line(script ? "" : text, line);
    };
    CommandReader reader(prompt, [this](const std::string& name) { return name_kind(name); });
    bool ok = true;
    for (std::string text; reader.next("(kj) ", text);) {
        const Outcome out = command(text);
        if (out == Outcome::Quit) break;
        ok = out == Outcome::Done && ok;
    }
    return ok;
}

const value::Value* InteractiveSession::variable(const std::string& name) const {
    const FrameSlots f = frame();
    const compiler::FrameName* n = find_frame_name(f, name);
    if (!n) return nullptr;
    const value::Value* v = f.slot(*n);
    return v <= f.engine->sp ? v : nullptr;
}

namespace {
std::unique_ptr<InteractiveSession> g_hosted;
}  // namespace

int interactive_loop() {
    InteractiveSession session;
    const bool ok = session.run_prompt();
    // A script piped in fails with any failing command; a person at the
    // prompt has seen every message already.
    return ok || !reading_script() ? 1 : 0;
}

void open_hosted_session() { g_hosted = std::make_unique<InteractiveSession>(); }

bool run_hosted_text(const std::string& text, const char* result_call) {
    return g_hosted && g_hosted->run_text(text, result_call);
}

const value::Value* hosted_variable(const std::string& name) { return g_hosted ? g_hosted->variable(name) : nullptr; }

bool hosted_session_open() { return g_hosted != nullptr; }

void close_hosted_session() {
    g_hosted.reset();
    set_prompt_names({});
}

}  // namespace kj::api
