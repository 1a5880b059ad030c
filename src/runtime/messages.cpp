#include "runtime/messages.h"

#include <cstdio>

#include "runtime/host.h"
#include "runtime/run_context.h"

namespace kj::runtime {

void message(const char* text) {
    const HostState& s = state();
    if (s.print_level >= 0 && s.message_fn) s.message_fn(text);
}

void run_message(const char* text) {
    if (PrintSink* sink = run_context().print_sink; sink && sink->message(text)) return;
    const HostState& s = state();
    if (s.print_level >= 0 && s.run_message_fn) s.run_message_fn(text);
}

void puts(const char* text) {
    const HostState& s = state();
    if (s.print_level <= 0) return;
    if (has_output_pipe()) {
        s.puts_fn(text);
    } else {
        std::fputs(text, stdout);
    }
}

}  // namespace kj::runtime
