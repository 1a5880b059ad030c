// The console program: hands its arguments to the library's driver. Program
// output goes to standard output, every message (errors, warnings, the
// banner) to standard error. The process exit status is the program's own
// exit code after a successful run and non-zero after any failure.
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <unistd.h>
#include <vector>

#include <kj80x.h>

#include "host/line_editor.h"
#include "host/progress_bar.h"

namespace {

// Output already printed comes before the message that follows it.
void to_stderr(const char* text) {
    std::fflush(stdout);
    kj::console::end_progress_line(stderr);
    std::fputs(text, stderr);
    std::fputc('\n', stderr);
}

// Run messages: progress is drawn as a bar (on a terminal), the rest printed.
void run_message_to_stderr(const char* text) {
    if (!kj::console::show_progress(text, stderr)) to_stderr(text);
}

// A crash still delivers what the program printed before it.
void flush_and_reraise(int sig) {
    std::fflush(stdout);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

// A console has no window to show a graph in: "Show" saves the graph as SVG
// in the current folder, named after the program (prog.svg, prog-2.svg, ...),
// and says where; the next drawing starts a new graph.
std::string g_graph_stem = "kj";
int g_graphs_shown = 0;

int show_graph_as_file(const char* action, const char* argument) {
    if (!action || std::strcmp(action, "Show") != 0) return KjDefaultDrawWindow(action, argument);
    ++g_graphs_shown;
    std::string name = g_graph_stem + (g_graphs_shown > 1 ? "-" + std::to_string(g_graphs_shown) : "") + ".svg";
    KjDefaultDrawWindow("Save", name.c_str());
    KjDefaultDrawWindow("Close", nullptr);
    to_stderr(("Graph saved to " + name).c_str());
    return 1;
}

// The stem of the first argument that is not a switch.
void name_graphs_after_program(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-') continue;
        std::string stem = argv[i];
        stem = stem.substr(stem.find_last_of('/') + 1);
        const std::size_t dot = stem.find_last_of('.');
        if (dot != std::string::npos && dot > 0) stem.resize(dot);
        if (!stem.empty()) g_graph_stem = stem;
        return;
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Line-wise on a terminal, so that output appears as it is printed.
    if (isatty(fileno(stdout))) std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    std::signal(SIGABRT, flush_and_reraise);
#ifndef __SANITIZE_ADDRESS__  // the sanitizer reports these itself
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL}) std::signal(sig, flush_and_reraise);
#endif
    SetKjMessage(to_stderr);
    SetKjRunMessage(run_message_to_stderr);
    name_graphs_after_program(argc, argv);
    SetKjDrawWindow(show_graph_as_file);
    const bool prompt = kj::console::wants_prompt(argc, argv);
    // A script piped into the prompt prints no banner unless -v asks for one.
    std::vector<char*> args(argv, argv + argc);
    static char no_banner[] = "-b";
    if (kj::console::reads_script(argc, argv) && std::strcmp(argv[1], "-b") != 0 &&
        std::none_of(args.begin() + 1, args.end(), [](const char* a) { return std::strncmp(a, "-v", 2) == 0; }))
        args.insert(args.begin() + 1, no_banner);
    args.push_back(nullptr);
    if (prompt) {
        // KjMain initialises the library only when it has not been: the
        // pipes and callbacks set here stay in place for the run.
        KjMainInit();
        kj::console::install_line_editor();
        kj::console::install_interrupt();
    }
    KjMain(static_cast<int>(args.size()) - 1, args.data());
    if (prompt) kj::console::save_history();
    // Runs that keep the runtime for a host (-r-, the usage text) end here.
    KjMainExit();
    std::fflush(stdout);
    return KjGetUserExitCode();
}
