// A notebook cell's text, as the Jupyter kernel receives it: the kernel's
// editor helpers (completeness, the name at and the call around a position,
// character positions) on the bytes, then the text run in a fresh interactive
// session with its final expression's value kept (KjSessionRun). The run is
// a child process's, stopped after a second; texts that would run shell
// commands are skipped.
#include <cstddef>
#include <cstdint>
#include <string>

#include <kj80x.h>

#include "../../src/jupyter/cell_text.h"
#include "run_fuzz_support.h"

namespace {

// "!command" at the start of a line runs the shell.
bool runs_commands(const std::string& text) {
    bool line_start = true;
    for (char c : text) {
        if (line_start && c == '!') return true;
        if (c == '\n') line_start = true;
        else if (c != ' ' && c != '\t' && c != '\r') line_start = false;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (std::size_t at : {std::size_t{0}, size / 2, size}) {
        (void)kj::jupyter::name_at(text, at);
        (void)kj::jupyter::name_start(text, at);
        (void)kj::jupyter::open_call(text, at);
        (void)kj::jupyter::byte_offset(text, kj::jupyter::char_position(text, at));
    }
    (void)kj::jupyter::completeness(text);
    if (runs_commands(text)) return 0;
    static const bool ready = (KjMainInit(), kj::fuzz::prepare_runs(), true);
    (void)ready;
    kj::fuzz::run_session_text(text);
    return 0;
}
