// The console program: hands its arguments to the library's driver. Program
// output goes to standard output, every message (errors, warnings, the
// banner) to standard error. The process exit status is the program's own
// exit code after a successful run and non-zero after any failure.
#include <csignal>
#include <cstdio>
#include <initializer_list>
#include <unistd.h>

#include <kj80x.h>

#include "host/line_editor.h"

namespace {

// Output already printed comes before the message that follows it.
void to_stderr(const char* text) {
    std::fflush(stdout);
    std::fputs(text, stderr);
    std::fputc('\n', stderr);
}

// A crash still delivers what the program printed before it.
void flush_and_reraise(int sig) {
    std::fflush(stdout);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
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
    SetKjRunMessage(to_stderr);
    const bool prompt = kj::console::wants_prompt(argc, argv);
    if (prompt) {
        // KjMain initialises the library only when it has not been: the
        // pipes and callbacks set here stay in place for the run.
        KjMainInit();
        kj::console::install_line_editor();
        kj::console::install_interrupt();
    }
    KjMain(argc, argv);
    if (prompt) kj::console::save_history();
    // Runs that keep the runtime for a host (-r-, the usage text) end here.
    KjMainExit();
    std::fflush(stdout);
    return KjGetUserExitCode();
}
