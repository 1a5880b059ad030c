// Run-time errors and warnings. An error is reported where it is raised (while
// the frames still exist), then unwinds with RunError to the run boundary.
#pragma once

#include <string_view>

#include <kj80x.h>

namespace kj::runtime {

// Thrown after the error has been reported; caught at the run boundaries only.
struct RunError {
    int code;
};

// The code of a RunError that ends the program as if main had returned (the
// library function exit): nothing is reported, the run does not fail, and the
// engine leaves the exit code as main's result. Set by request_program_exit.
constexpr int k_program_exit = -2;
// Unwinds the running program with k_program_exit; `code` becomes main's result.
[[noreturn]] void request_program_exit(int code);
int program_exit_code();

constexpr int k_warning_base = 68;  // warning kind k is message 68 + k

enum RunCode : int {
#define KJ_RUN_ERROR(name, code, text) name = code,
#include "runtime/run_errors.def"
};

enum WarningKind : int {
#define KJ_RUN_WARNING(name, kind, text) name = kind,
#include "runtime/run_errors.def"
    W_Named = 5,  // a warning with its own text (run_warning_message)
};

constexpr int k_message_count = k_warning_base + W_Named;

const char* run_message_text(int code);  // "" past the table

// Reports and unwinds (KjRunError). Never returns.
[[noreturn, gnu::cold, gnu::noinline]] void raise_run_error(int code, std::string_view text = {});
// Prints text (when given) with location and trace, then unwinds (KjRunErrorMessage).
[[noreturn, gnu::cold, gnu::noinline]] void raise_run_error_message(const char* text);

void run_warning(const char* name, int kind);
void run_warning_message(const char* name, const char* text);
int warning_mask();
void set_warning_mask(int mask);

// Hooks the engine installs at start-up (api/upward_hooks.h): location and
// call trace of the current instruction for error reports, the location line
// after a warning, and the unwinding of the run. Upward calls (the engine sits
// above this layer), hence pointers.
struct ErrorReporter {
    void (*error_location)() = nullptr;     // "Runtime error occurred in ..." and trace
    void (*warning_location)() = nullptr;   // location text after a warning
    const char* (*current_function)() = nullptr;  // running function's name, or null
    // The message in the file:line form (-fe, located_message.h) at the
    // current instruction, with the call trace as notes when asked; false
    // (nothing printed) when the instruction's file and line are not known.
    bool (*located)(const char* kind, const char* text, bool trace) = nullptr;
    // Unwinds the running program after a report; does not return. Without
    // one (or when it returns) the stop is fatal.
    void (*unwind)(int code) = nullptr;
};
ErrorReporter& error_reporter();

}  // namespace kj::runtime
