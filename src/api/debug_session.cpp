// The debugger's command loop: the engine stops at a breakpoint or after a
// step, the break is shown, and commands are read after the prompt until one
// resumes the program.
#include "api/debug_session.h"

#include <cctype>
#include <string>
#include <vector>

#include "api/prompt_commands.h"
#include "api/prompt_input.h"
#include "link/code_image.h"
#include "runtime/messages.h"
#include "runtime/settings.h"
#include "vm/call_trace.h"
#include "vm/debugger.h"
#include "vm/run_control.h"

namespace kj::api {

namespace {

const char* const k_help =
    "#break file line   set a breakpoint (file defaults to the current one)\n"
    "#clear file line   clear a breakpoint\n"
    "#clear all         clear all breakpoints\n"
    "#go                run to the next breakpoint\n"
    "#go file line      run to the line (or the next breakpoint)\n"
    "#help, ?           show this summary\n"
    "#help name         show the reference entry of a function\n"
    "#apropos word      list the functions whose entry mentions the word\n"
    "??                 show all symbols and the current break\n"
    "?symbol            show a variable\n"
    "#quit              stop debugging (also #stop, #end)\n"
    "#step in           step into functions (also an empty line)\n"
    "#step over         step over function calls\n"
    "#step out          run until the current function has returned\n"
    "#show              show the current break\n"
    "#show calls        show the call trace\n"
    "#show variable     show a variable\n"
    "#show breaks       list the breakpoints\n"
    "#show all          show all variables (#show full: with full values)\n"
    "#trace, #trace off switch line tracing on or off\n"
    "!command           run an operating-system command (!cd dir: change directory)\n"
    "enter an Kj expression, e.g. x[0][0]=1; or print(x);\n";

enum class Next { Stay, Resume, Quit };

// The words of a # command: the command word, then a file and a line in
// either order; a file in quotes or angle brackets may hold blanks.
struct Command {
    std::string word;
    std::string first;  // the first argument as written
    std::string file;
    int line = -1;
};

Command parse_command(const std::string& text) {
    Command c;
    std::size_t i = 1;
    auto skip = [&] {
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    };
    while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i]))) c.word += text[i++];
    for (int arg = 0; arg < 2; ++arg) {
        skip();
        if (i >= text.size()) break;
        std::string a;
        bool quoted = false;
        if (text[i] == '"' || text[i] == '<') {
            const char close = text[i] == '"' ? '"' : '>';
            ++i;
            while (i < text.size() && text[i] != close) a += text[i++];
            if (i < text.size()) ++i;
            quoted = true;
        } else {
            while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i]))) a += text[i++];
        }
        if (arg == 0) c.first = a;
        if (!quoted && !a.empty() && std::isdigit(static_cast<unsigned char>(a[0])))
            c.line = std::stoi(a);
        else
            c.file = a;
    }
    return c;
}

class DebugSession {
public:
    explicit DebugSession(vm::Engine& e) : m_engine(e) {}
    int run(int start);

private:
    void show_break();
    void notify(const std::string& file, int line, int kind);
    Next command(const std::string& text);
    Next hash_command(const std::string& text);
    std::string current_file() const { return vm::file_at(vm::debug_state().stop_ip); }
    FrameSlots frame() const { return running_frame(m_engine); }

    vm::Engine& m_engine;
};

void DebugSession::notify(const std::string& file, int line, int kind) {
    if (!runtime::settings().editor) return;
    runtime::puts(("@@(\"" + file + "\"," + std::to_string(line) + "," + std::to_string(kind) + ");\n").c_str());
}

void DebugSession::show_break() {
    // The location is that of the line about to run: the next line marker
    // of the function, or the one stopped at when the function returns first.
    int at = vm::debug_state().stop_ip;
    for (int i = m_engine.ip; i < link::code_size(); ++i) {
        const auto op = static_cast<link::Op>(link::code_instr(i).op);
        if (op == link::Op::Num) at = i;
        if (op == link::Op::Num || op == link::Op::Ret || op == link::Op::Rtl || op == link::Op::Ext) break;
    }
    std::string text = vm::location_text(at, m_engine.ap[-1], m_engine.ap, false);
    const std::size_t colon = text.rfind("): ");
    if (colon != std::string::npos) text = text.substr(0, colon + 3) + "break!";
    runtime::puts((text + "\n").c_str());
    notify(current_file(), vm::line_at(at), 0);
}

Next DebugSession::hash_command(const std::string& text) {
    const Command c = parse_command(text);
    vm::DebugState& st = vm::debug_state();
    const std::string file = c.file.empty() ? current_file() : c.file;
    if (c.word == "break" || c.word == "clear") {
        const bool set = c.word == "break";
        if (!set && c.first == "all") {
            for (const vm::Breakpoint& b : vm::breakpoints()) notify(b.file, b.line, 2);
            vm::clear_all_breakpoints();
            return Next::Stay;
        }
        const int line = vm::set_breakpoint(file, c.line, set);
        if (line < 0) {
            runtime::puts("Invalid breakpoint\n");
        } else {
            if (set && line > c.line) runtime::puts(("Breakpoint moved to line " + std::to_string(line) + "\n").c_str());
            notify(file, line, set ? 1 : 2);
        }
        return Next::Stay;
    }
    if (c.word == "go") {
        if (c.line >= 0) {
            const bool existing = [&] {
                for (const vm::Breakpoint& b : vm::breakpoints())
                    if (b.line == c.line && vm::file_at(b.at) == file) return true;
                return false;
            }();
            const int line = existing ? c.line : vm::set_breakpoint(file, c.line, true);
            if (line != c.line) {
                if (line >= 0) vm::set_breakpoint(file, line, false);
                runtime::puts("No break at this line\n");
            } else if (!existing) {
                for (const vm::Breakpoint& b : vm::breakpoints())
                    if (b.line == line && vm::file_at(b.at) == file) st.temporary = b.at;
            }
        }
        return Next::Resume;
    }
    if (c.word == "help" || c.word == "apropos") {
        if (c.word == "apropos") show_apropos(c.first);
        else if (c.first.empty()) runtime::puts(k_help);
        else show_help(c.first);
        return Next::Stay;
    }
    if (c.word == "quit" || c.word == "stop" || c.word == "end") return Next::Quit;
    if (c.word == "step") {
        const int ap = m_engine.index(m_engine.ap);
        if (c.first == "in") st.step = 1;
        else if (c.first == "over") st.over = ap;
        else if (c.first == "out") st.out = vm::result_slot(m_engine);
        else return Next::Stay;
        return Next::Resume;
    }
    if (c.word == "show") {
        if (c.first.empty()) show_break();
        else if (c.first == "calls") vm::print_call_trace(m_engine);
        else if (c.first == "breaks") {
            const auto list = vm::breakpoints();
            if (list.empty()) runtime::puts("No breaks set\n");
            for (const vm::Breakpoint& b : list) runtime::puts((b.file + " (" + std::to_string(b.line) + ")\n").c_str());
        } else if (c.first == "all" || c.first == "full") {
            show_all(frame(), c.first == "full");
        } else {
            show_variable(frame(), c.first, true);
        }
        return Next::Stay;
    }
    if (c.word == "trace") {
        st.trace = c.first != "off";
        return Next::Stay;
    }
    runtime::puts("Unknown debug command\n");
    return Next::Stay;
}

Next DebugSession::command(const std::string& raw) {
    const std::string text = trim(raw);
    if (text.empty()) {
        vm::debug_state().step = 1;
        return Next::Resume;
    }
    if (text == "?") {
        runtime::puts(k_help);
        return Next::Stay;
    }
    if (text == "??") {
        show_all(frame(), false);
        show_break();
        return Next::Stay;
    }
    if (text[0] == '?') {
        show_variable(frame(), trim(text.substr(1)), true);
        return Next::Stay;
    }
    if (text[0] == '!') {
        operating_system_command(text.substr(1));
        return Next::Stay;
    }
    if (text[0] == '#') return hash_command(text);
    StatementFrame f;
    f.slots = frame();
    f.first_free = m_engine.index(m_engine.sp) - m_engine.index(m_engine.bp) + 1;
    f.limit = f.first_free + compiler::k_interactive_locals;
    f.reserve = true;
    bool ok = false;
    run_statements(statement_text(text), f, ok);
    return Next::Stay;
}

int DebugSession::run(int start) {
    vm::reset_registers(m_engine);
    m_engine.ip = start - 1;
    vm::Value* const top = m_engine.base + 1;
    runtime::puts("Entering debug mode, use #quit to quit, ? for help.\n");
    vm::debug_state().step = 1;
    vm::Resume r = vm::resume(m_engine, top);
    while (r == vm::Resume::Stopped) {
        show_break();
        std::vector<std::string> names;
        for (const compiler::FrameName& n : frame().names) names.push_back(n.name);
        set_prompt_names(std::move(names));
        Next next = Next::Stay;
        CommandReader reader;
        while (next == Next::Stay) {
            std::string text;
            if (!reader.next("(debug) ", text)) {
                next = Next::Quit;
                break;
            }
            next = command(text);
        }
        if (next == Next::Quit) {
            vm::pop_to(m_engine, m_engine.base);
            return vm::finish_main_run(true);
        }
        r = vm::resume(m_engine, top);
    }
    return vm::finish_main_run(r == vm::Resume::Finished);
}

}  // namespace

int run_session(int start) {
    vm::begin_debugging();
    int result = 1;
    if (runtime::settings().debug) {
        DebugSession session(vm::main_engine());
        result = session.run(start);
    } else {
        // Interactive mode: main (an empty one without a source) runs first.
        vm::reset_registers(vm::main_engine());
        vm::main_engine().ip = start - 1;
        result = vm::finish_main_run(vm::run(vm::main_engine(), false, vm::main_engine().base + 1));
    }
    if (runtime::settings().interactive) result = interactive_loop() && result;
    vm::end_debugging();
    set_prompt_names({});
    return result;
}

}  // namespace kj::api
