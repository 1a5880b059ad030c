// The process-wide host state: the callbacks through which all text, input,
// drawing and termination pass, the pipes, the print level and the arguments.
#pragma once

#include <kj80x.h>

#include <cstdarg>
#include <string>

namespace kj::runtime {

struct Pipe {
    char* buffer = nullptr;
    int size = 0;    // nominal size; allocated with 256 extra bytes
    int length = 0;  // bytes held (output) or bytes left to read (input)
    int pos = 0;     // input: read position
};

constexpr int k_max_exit_calls = 10;

struct HostState {
    KjMessageFn message_fn = nullptr;
    KjMessageFn run_message_fn = nullptr;
    KjMessageFn puts_fn = nullptr;
    KjGetsFn gets_fn = nullptr;
    KjExitFn exit_fn = nullptr;
    KjWindowFn text_window_fn = nullptr;
    KjWindowFn draw_window_fn = nullptr;
    void* data_window_fn = nullptr;
    KjDrawFn draw_fn = nullptr;
    Pipe out;
    Pipe in;
    int print_level = 1;
    int user_exit_code = 0;
    int main_argc = 0;
    char** main_argv = nullptr;
    int kj_argc = 0;
    char** kj_argv = nullptr;
    void (*exit_calls[k_max_exit_calls])() = {};
    int exit_call_count = 0;
    int initialised = 0;
};

HostState& state();

// Installs the console defaults for the message, run-message and exit callbacks.
void install_default_callbacks();
// size < 0 removes both pipes; otherwise the output pipe holds max(size or 4096,
// 1024) and the input pipe half that, each with 256 spare bytes.
void set_pipe(int size);
bool has_output_pipe();
bool has_input_pipe();
// The input pipe holds characters not read yet (the rest of what the host's
// input callback gave).
bool input_pending();
bool gets_is_default();

// Formatted program output (printing functions): nothing below print level 1;
// to the run context's print sink when it has one.
void output(const char* text, std::size_t len);
void output(const std::string& text);
void outputf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void voutputf(const char* fmt, va_list ap);
// Discard unread input; send pending output on.
void flush();
// Send the output pipe's content through KjPuts (unread input stays).
void drain_output();

// Input: a line of at most size - 1 characters (the rest stays buffered);
// false at end of input.
bool read_line(char* buffer, int size);
int read_char();                 // -1 at end of input
void unread_char();              // puts the last character back (input pipe only)

// Window and draw callbacks: 1 when none is installed.
int text_window(const char* action, const char* argument);
int draw_window(const char* action, const char* argument);

void clear_kj_args();
void run_exit_calls();           // in reverse order of registration

}  // namespace kj::runtime
