#include "runtime/run_error.h"

#include <iterator>
#include <string>

#include "data/printable_text.h"
#include "runtime/fatal_error.h"
#include "runtime/host.h"
#include "runtime/located_message.h"
#include "runtime/message_table.h"
#include "runtime/messages.h"
#include "runtime/run_context.h"
#include "runtime/settings.h"

namespace kj::runtime {

namespace {
// Indexed by code: the errors, then the warnings from k_warning_base on,
// then an empty entry.
const char* const k_messages[k_message_count + 1] = {
#define KJ_RUN_ERROR(name, code, text) text,
#include "runtime/run_errors.def"
#define KJ_RUN_WARNING(name, kind, text) text,
#include "runtime/run_errors.def"
    ""};

// The table is dense: the codes run 0, 1, 2, ... up to the warnings.
constexpr int k_codes[] = {
#define KJ_RUN_ERROR(name, code, text) code,
#include "runtime/run_errors.def"
};
static_assert(codes_are_dense(k_codes) && std::size(k_codes) == k_warning_base);

ErrorReporter g_reporter;

// Mask bit of each warning kind: 0->1, 1->2, 2->4, 4->8, 5->16, 3->32.
int mask_bit(int kind) {
    static const int bits[6] = {1, 2, 4, 32, 8, 16};
    return kind >= 0 && kind < 6 ? bits[kind] : 0;
}

[[noreturn]] void unwind(int code) {
    if (g_reporter.unwind) g_reporter.unwind(code);
    // No run to return to: the stop is fatal.
    raise_fatal_error();
}
}  // namespace

const char* run_message_text(int code) {
    if (code < 0 || code >= k_message_count) return "";
    return k_messages[code];
}

ErrorReporter& error_reporter() { return g_reporter; }

void request_program_exit(int code) {
    run_context().program_exit_code = code;
    throw RunError{k_program_exit};
}
int program_exit_code() { return run_context().program_exit_code; }
int warning_mask() { return run_context().warning_mask; }
void set_warning_mask(int mask) { run_context().warning_mask = mask; }

namespace {
// In the file:line form (-fe) when the location is known.
bool located(const char* kind, const std::string& text, bool trace) {
    return file_line_form() && g_reporter.located && g_reporter.located(kind, text.c_str(), trace);
}
}  // namespace

void raise_run_error(int code, std::string_view text) {
    if (run_context().parallel_worker && code < k_warning_base) unwind(code);
    HostState& h = state();
    h.print_level = 1;
    std::string message;
    if (!text.empty()) {
        message += '\'';
        message += data::printable_text(text);
        message += "' ";
    }
    message += run_message_text(code);
    const bool error = code < k_warning_base;
    if (!error || !located("runtime error", message, true)) {
        if (error) run_message(("Runtime error: " + message).c_str());
        if (g_reporter.error_location) g_reporter.error_location();
    }
    if (code == E_StackOverflow) {
        const int size = settings().stack_size;
        const std::string hint = "The stack holds " + std::to_string(size) +
                                 " records; a larger one is set with the switch -s#,# (e.g. -s3000," +
                                 std::to_string(size < 1000000 ? size * 10 : 10000000) + ")";
        run_message(hint.c_str());
    }
    if (code >= 1) h.exit_fn(code);
    h.exit_fn(0);
    unwind(code);
}

void raise_run_error_message(const char* text) {
    if (run_context().parallel_worker) unwind(E_RunTime);
    HostState& h = state();
    h.print_level = 1;
    if (text && !located("runtime error", data::printable_text(text), true)) {
        run_message(data::printable_text(text).c_str());
        if (g_reporter.error_location) g_reporter.error_location();
    }
    h.exit_fn(0);
    unwind(E_RunTime);
}

void run_warning(const char* name, int kind) {
    if ((warning_mask() & mask_bit(kind)) == 0) return;
    std::string line = "Warning";
    if (name) {
        line += ": ";
        line += name;
    }
    if (kind >= 0 && kind <= 4) {
        line += ": ";
        line += run_message_text(k_warning_base + kind);
    }
    // "Warning: " is what the kind says in the file:line form.
    if (line.size() > 9 && located("warning", line.substr(9), false)) return;
    run_message(line.c_str());
    if (g_reporter.warning_location) g_reporter.warning_location();
}

void run_warning_message(const char* name, const char* text) {
    if ((warning_mask() & 64) == 0) return;
    std::string line = "Warning: ";
    if (name) {
        line += name;
    } else {
        const char* fn = g_reporter.current_function ? g_reporter.current_function() : nullptr;
        line += fn ? fn : "?";
    }
    if (text) {
        line += ": ";
        line += text;
    }
    run_message(line.c_str());
}

}  // namespace kj::runtime

extern "C" {
// Inside a run both unwind to the run's error exit. Called by a host with no
// run to unwind, the error is reported, the exit callback is told 1, and the
// call returns: the library never ends the host's process.
void KjRunError(int code, const char* text) {
    try {
        kj::runtime::raise_run_error(code, text ? text : "");
    } catch (const kj::runtime::FatalError&) {
    }
}
void KjRunErrorMessage(const char* text) {
    try {
        kj::runtime::raise_run_error_message(text);
    } catch (const kj::runtime::FatalError&) {
    }
}
void KjRunWarning(const char* name, int kind) { kj::runtime::run_warning(name, kind); }
void KjRunWarningMessage(const char* name, const char* text) { kj::runtime::run_warning_message(name, text); }
}
