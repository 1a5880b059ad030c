#include "vm/run_error.h"

#include <cstdio>
#include <string>

#include "api/host.h"
#include "api/settings.h"
#include "data/printable_text.h"
#include "value/value.h"

namespace kj::vm {

namespace {
// Indexed by code; 0..67 errors, 68..72 warnings. Followed by an empty entry.
const char* const k_messages[k_message_count + 1] = {
    "run-time error", "fatal error", "error in library function", "stack overflow",
    "out of memory", "attempt to call non-function or missing operand", "divide by zero",
    "member function call requires object", "undeclared member", "singular matrix",
    "bad operand", "incompatible type", "variable has no value", "wrong number of arguments",
    "wrong type", "index out of range", "cannot index this type", "scalar expected",
    "scalar or matrix expected", "scalar or string expected", "cannot assign to constant",
    "class expected", "undefined member function", "not a function member",
    "undefined function", "invalid class", "cannot delete a constant", "cannot take reference",
    "negative power of zero", "SVD failed", "cannot typecast", "invalid index range",
    "range invalid for array", "overflow in int ^ int", "arguments must be different",
    "cannot callback to member function", "callback function expected", "argument error",
    "index missing", "negative dimension", "argument error", "in callback function",
    "invalid number in operation", "overflow", "floating point exception",
    "cannot cast to int", "cannot cast to double", "cannot cast to matrix",
    "cannot cast to vector", "1", "2", "3", "4", "5", "6", "vector expected",
    "invalid address for jump", "can only index one array item at a time",
    "no input or output pipe", "user abort", "public data member expected", "string expected",
    "cannot use constant", "lambda function called out of context",
    "variable changed in for each", "Stack error", "for loop error", "infinite loop",
    "decomposition failed", "maximum no. of iterations reached",
    "concatenation dimensions don't match, padded with zeros",
    "non-integer value converted to integer", "indexed a matrix as a vector", ""};

int g_warning_mask = 127;
int g_program_exit_code = 0;
ErrorReporter g_reporter;

// Mask bit of each warning kind: 0->1, 1->2, 2->4, 4->8, 5->16, 3->32.
int mask_bit(int kind) {
    static const int bits[6] = {1, 2, 4, 32, 8, 16};
    return kind >= 0 && kind < 6 ? bits[kind] : 0;
}

[[noreturn]] void unwind(int code) {
    host::HostState& h = host::state();
    if (h.recovery) h.recovery(code);
    // No run to return to: the stop is fatal.
    host::fatal_stop();
}
}  // namespace

const char* run_message_text(int code) {
    if (code < 0 || code >= k_message_count) return "";
    return k_messages[code];
}

void set_error_reporter(const ErrorReporter& r) { g_reporter = r; }

void request_program_exit(int code) {
    g_program_exit_code = code;
    throw RunError{k_program_exit};
}
int program_exit_code() { return g_program_exit_code; }
int warning_mask() { return g_warning_mask; }
void set_warning_mask(int mask) { g_warning_mask = mask; }

void raise_run_error(int code, std::string_view text) {
    host::HostState& h = host::state();
    h.print_level = 1;
    if (code < k_warning_base) {
        std::string line = "Runtime error: ";
        if (!text.empty()) {
            line += '\'';
            line += data::printable_text(text);
            line += "' ";
        }
        line += run_message_text(code);
        KjRunMessage(line.c_str());
    }
    if (g_reporter.error_location) g_reporter.error_location();
    if (code == E_StackOverflow) {
        const int size = api::settings().stack_size;
        const std::string hint = "The stack holds " + std::to_string(size) +
                                 " records; a larger one is set with the switch -s#,# (e.g. -s3000," +
                                 std::to_string(size < 1000000 ? size * 10 : 10000000) + ")";
        KjRunMessage(hint.c_str());
    }
    if (code >= 1) h.exit_fn(code);
    h.exit_fn(0);
    unwind(code);
}

void raise_run_error_message(const char* text) {
    host::HostState& h = host::state();
    h.print_level = 1;
    if (text) {
        KjRunMessage(data::printable_text(text).c_str());
        if (g_reporter.error_location) g_reporter.error_location();
    }
    h.exit_fn(0);
    unwind(E_RunTime);
}

void run_warning(const char* name, int kind) {
    if ((g_warning_mask & mask_bit(kind)) == 0) return;
    std::string line = "Warning";
    if (name) {
        line += ": ";
        line += name;
    }
    if (kind >= 0 && kind <= 4) {
        line += ": ";
        line += run_message_text(k_warning_base + kind);
    }
    KjRunMessage(line.c_str());
    if (g_reporter.warning_location) g_reporter.warning_location();
}

void run_warning_message(const char* name, const char* text) {
    if ((g_warning_mask & 64) == 0) return;
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
    KjRunMessage(line.c_str());
}

namespace {
bool g_one_based = false;

std::string index_text(int first, int last, bool range, IndexForm form) {
    const int shift = g_one_based ? 1 : 0;
    char body[64];
    if (range)
        std::snprintf(body, sizeof body, "%d : %d", first + shift, last + shift);
    else
        std::snprintf(body, sizeof body, "%d", first + shift);
    std::string t;
    switch (form) {
        case IndexForm::Single: t = std::string("[") + body + "]"; break;
        case IndexForm::Row: t = std::string("[") + body + "][]"; break;
        case IndexForm::Column: t = std::string("[][") + body + "]"; break;
    }
    return t;
}
}  // namespace

void set_one_based_index_reports(bool on) { g_one_based = on; }

void raise_index_error(int index, IndexForm form, const KjValue& v) {
    raise_run_error(E_IndexRange, index_text(index, 0, false, form) + " in " + value::describe(v));
}

void raise_range_error(int first, int last, IndexForm form, const KjValue& v) {
    raise_run_error(E_InvalidRange, index_text(first, last, true, form) + " in " + value::describe(v));
}

void raise_cannot_index(const KjValue& v) { raise_run_error(E_CannotIndex, value::describe(v)); }

}  // namespace kj::vm

extern "C" {
void KjRunError(int code, const char* text) { kj::vm::raise_run_error(code, text ? text : ""); }
void KjRunErrorMessage(const char* text) { kj::vm::raise_run_error_message(text); }
void KjRunWarning(const char* name, int kind) { kj::vm::run_warning(name, kind); }
void KjRunWarningMessage(const char* name, const char* text) { kj::vm::run_warning_message(name, text); }
}
