#include "support/capture.h"

namespace kj::test {

namespace {
Captured g_captured;
void on_message(const char* t) { g_captured.messages.emplace_back(t); }
void on_run_message(const char* t) { g_captured.run_messages.emplace_back(t); }
void on_puts(const char* t) { g_captured.puts += t; }
void on_exit(int code) { g_captured.exit_codes.push_back(code); }
void throw_run_error(int code) { throw runtime::RunError{code}; }
}  // namespace

Captured& captured() { return g_captured; }

CaptureScope::CaptureScope() : m_saved(runtime::state()), m_saved_reporter(runtime::error_reporter()) {
    g_captured = Captured{};
    auto& s = runtime::state();
    s.message_fn = on_message;
    s.run_message_fn = on_run_message;
    s.puts_fn = on_puts;
    s.exit_fn = on_exit;
    runtime::error_reporter().unwind = throw_run_error;
    s.print_level = 1;
}

CaptureScope::~CaptureScope() {
    auto& s = runtime::state();
    // Pipes created inside the scope are the scope's to free.
    if (s.out.buffer != m_saved.out.buffer || s.in.buffer != m_saved.in.buffer) runtime::set_pipe(-1);
    s = m_saved;
    runtime::error_reporter() = m_saved_reporter;
}

}  // namespace kj::test
