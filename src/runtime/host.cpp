#include "runtime/host.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runtime/alloc.h"
#include "runtime/fatal_error.h"
#include "runtime/messages.h"
#include "runtime/run_context.h"

namespace kj::runtime {

namespace {
HostState g_state;

void default_message(const char* text) {
    std::fputs(text, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}
void default_exit(int) {}
// Defaults installed with the pipes; a host replaces them after SetKjPipe.
void no_output_pipe_fn(const char*) {
    message("No output pipe\n");
    raise_fatal_error();
}
void no_input_pipe_fn(char*, int) {
    message("No input pipe\n");
    raise_fatal_error();
}

void free_pipe(Pipe& p) {
    raw_free(p.buffer);
    p = Pipe{};
}

// A buffer that cannot be allocated keeps the previous nominal size.
void alloc_pipe(Pipe& p, int nominal) {
    char* b = static_cast<char*>(raw_alloc(static_cast<std::size_t>(nominal) + 256));
    if (!b) return;
    raw_free(p.buffer);
    p.buffer = b;
    p.buffer[0] = '\0';
    p.size = nominal;
    p.length = p.pos = 0;
}

}  // namespace

// Sends the output pipe's content through KjPuts and empties it.
void drain_output() {
    Pipe& p = g_state.out;
    if (!p.buffer || p.length == 0) return;
    p.buffer[p.length] = '\0';
    p.length = 0;
    runtime::puts(p.buffer);
    p.buffer[0] = '\0';
}

namespace {
// Refills the input pipe through the gets callback; false when nothing came.
bool refill_input() {
    Pipe& p = g_state.in;
    p.buffer[0] = '\0';
    g_state.gets_fn(p.buffer, p.size);
    p.buffer[p.size] = '\0';
    p.length = static_cast<int>(std::strlen(p.buffer));
    p.pos = 0;
    return p.length > 0;
}
}  // namespace

HostState& state() { return g_state; }

// A callback the host installed before (say, between two runs of KjMain,
// since KjMainExit leaves callbacks in place) is kept.
void install_default_callbacks() {
    if (!g_state.message_fn) g_state.message_fn = default_message;
    if (!g_state.run_message_fn) g_state.run_message_fn = default_message;
    if (!g_state.exit_fn) g_state.exit_fn = default_exit;
}

void set_pipe(int size) {
    if (size < 0) {
        drain_output();  // nothing printed is lost when the pipes go
        free_pipe(g_state.out);
        free_pipe(g_state.in);
        return;
    }
    int nominal = size == 0 ? 4096 : size;
    if (nominal < 1024) nominal = 1024;
    alloc_pipe(g_state.out, nominal);
    alloc_pipe(g_state.in, nominal / 2);
    g_state.puts_fn = no_output_pipe_fn;
    g_state.gets_fn = no_input_pipe_fn;
}

bool has_output_pipe() { return g_state.out.buffer != nullptr; }
bool has_input_pipe() { return g_state.in.buffer != nullptr; }
bool input_pending() { return g_state.in.buffer && g_state.in.pos < g_state.in.length; }
bool gets_is_default() { return g_state.gets_fn == no_input_pipe_fn; }

void output(const char* text, std::size_t len) {
    if (g_state.print_level < 1 || len == 0) return;
    if (PrintSink* sink = run_context().print_sink) {
        sink->write(text, len);
        return;
    }
    Pipe& p = g_state.out;
    if (!p.buffer) {
        std::fwrite(text, 1, len, stdout);
        return;
    }
    while (len > 0) {
        // Room up to the nominal size; the 256 spare bytes keep the terminator.
        int room = p.size - p.length;
        if (room <= 0) {
            drain_output();
            room = p.size;
        }
        std::size_t n = len < static_cast<std::size_t>(room) ? len : static_cast<std::size_t>(room);
        std::memcpy(p.buffer + p.length, text, n);
        p.length += static_cast<int>(n);
        p.buffer[p.length] = '\0';
        text += n;
        len -= n;
        if (p.length > p.size - 256) drain_output();
    }
}

void output(const std::string& text) { output(text.data(), text.size()); }

void voutputf(const char* fmt, va_list ap) {
    if (g_state.print_level < 1) return;
    char small[512];
    va_list copy;
    va_copy(copy, ap);
    int n = std::vsnprintf(small, sizeof small, fmt, copy);
    va_end(copy);
    if (n < 0) return;
    if (static_cast<std::size_t>(n) < sizeof small) {
        output(small, static_cast<std::size_t>(n));
        return;
    }
    std::string big(static_cast<std::size_t>(n) + 1, '\0');
    std::vsnprintf(big.data(), big.size(), fmt, ap);
    output(big.data(), static_cast<std::size_t>(n));
}

void outputf(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    voutputf(fmt, ap);
    va_end(ap);
}

void flush() {
    if (g_state.in.buffer) {
        g_state.in.length = g_state.in.pos = 0;
        g_state.in.buffer[0] = '\0';
    }
    if (g_state.print_level > 0) {
        if (g_state.out.buffer)
            drain_output();
        else
            std::fflush(stdout);
    }
}

bool read_line(char* buffer, int size) {
    if (size < 1) return false;
    Pipe& p = g_state.in;
    if (!p.buffer) {
        std::fflush(stdout);
        if (!std::fgets(buffer, size, stdin)) {
            buffer[0] = '\0';
            return false;
        }
        return true;
    }
    if (p.pos >= p.length && !refill_input()) {
        buffer[0] = '\0';
        return false;
    }
    int n = 0;
    while (n < size - 1 && p.pos < p.length) {
        char ch = p.buffer[p.pos++];
        buffer[n++] = ch;
        if (ch == '\n') break;
    }
    buffer[n] = '\0';
    return true;
}

int read_char() {
    Pipe& p = g_state.in;
    if (!p.buffer) return std::getchar();
    if (p.pos >= p.length && !refill_input()) return -1;
    return static_cast<unsigned char>(p.buffer[p.pos++]);
}

void unread_char() {
    if (g_state.in.buffer && g_state.in.pos > 0) --g_state.in.pos;
}

int text_window(const char* action, const char* argument) {
    return g_state.text_window_fn ? g_state.text_window_fn(action, argument) : 1;
}
int draw_window(const char* action, const char* argument) {
    return g_state.draw_window_fn ? g_state.draw_window_fn(action, argument) : 1;
}

void clear_kj_args() {
    if (g_state.kj_argv) {
        for (int i = 0; i < g_state.kj_argc; ++i) raw_free(g_state.kj_argv[i]);
        raw_free(g_state.kj_argv);
    }
    g_state.kj_argv = nullptr;
    g_state.kj_argc = 0;
}

void run_exit_calls() {
    for (int i = g_state.exit_call_count - 1; i >= 0; --i) g_state.exit_calls[i]();
}

}  // namespace kj::runtime
