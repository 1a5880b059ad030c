#include "compiler/diagnostics.h"

#include <kj80x.h>

#include "runtime/fatal_error.h"
#include "runtime/located_message.h"
#include "runtime/messages.h"
#include "runtime/settings.h"
#include "compiler/parser.h"
#include "compiler/scanner.h"
#include "compiler/scanner_messages.h"
#include "compiler/compile_observer.h"
#include "compiler/token_names.h"
#include "data/printable_text.h"

namespace kj::compiler {

namespace {

constexpr const char* k_rows[k_diagnostic_count] = {
    "duplicate identifier", "constant buffer full", "code buffer full", "symbol table full",
    "out of memory", "undeclared identifier", "expected but found ", "divide by zero",
    "undeclared member", "undeclared member function", "not a function", "out of place",
    "left-value expected (need storage object)", "invalid class member", "member declaration expected",
    "function declaration expected", "illegal redefinition", "class name expected",
    "too many nested loops", "redefinition of formal parameter", "cannot be first formal parameter",
    "wrong number of arguments", "cannot initialize external variable", "redefinition of argument count",
    "redefinition of argument qualifier", "expression must be constant", "bad operand",
    "type specifier unexpected", "constant expression must be integer",
    "constant expression must be integer or double", "cannot take reference of constant",
    "cannot assign to constant", "class expected", "function member not found",
    "can only initialize static members", "member function already defined", "function body expected",
    "only allowed in non-static member function", "unexpected end of file", "is not a static member",
    "de/constructor cannot return a value", "found class but expected object before . or ->",
    "de/constructor cannot be static", "static member function can only access static members",
    "public data member expected", "member function must have definition outside class",
    "redefinition of class", "destructor may not have any arguments",
    "destructor must have same name as class", "file not found", "link errors", "duplicate label",
    "too many labels", "undefined label", "matrix of constant infinite size",
    "constant expression must be scalar", "dimension must be >= 1",
    "nested multiple assignments not allowed", "default value not allowed",
    "default value can only be set once", "too many locals for interactive mode",
    "redefinition of constant", "elements in a matrix constant must be separated by , or ;",
    "assignment in test expression", "nested namespaces not supported", "empty namespaces not supported",
    "wrong number of elements supplied", "cannot use clear or let on function", "default must be last case",
    "[&] type lambda function not supported", "nested lambda function",
    "lambda function cannot modify local variables", "first term in foreach must be a local variable",
    "foreach indexand must be a local variable", "foreach target variable modified or referenced",
    "cannot take reference of serial variable", "block must be closed", "for or foreach expected",
    "default arguments not allowed here", "Warning: isolated ; is empty statement",
    "Warning: assignment in test expression", "Warning: duplicate identifier",
    "Warning: undeclared global identifier", "Warning: string longer than 8 characters",
    "Warning: loop cannot be made parallel", "Remark: canonical loop is parallel",
    "Remark: canonical loop has been compiled", "expression or block nested too deeply (more than 512 levels)",
};

int g_errors = 0;
bool g_silenced = false;

}  // namespace

const char* diagnostic_text(int code) { return code >= 0 && code < k_diagnostic_count ? k_rows[code] : ""; }

namespace {
int g_line_override = 0;

std::string prefix() {
    if (g_line_override <= 0) return location_prefix();
    return std::string(current_file()) + " (" + std::to_string(g_line_override) + "): ";
}

// The message in the file:line form (-fe): the caret under the text the
// message names, or under the parser's token when that is on the line.
std::string located(const std::string& message, const std::string& text, bool warning, bool remark) {
    const int line = g_line_override > 0 ? g_line_override : current_line();
    const int column = cur().line == line ? cur().column : -1;
    return located_compile_message(line, column, text, message, remark ? "note" : warning ? "warning" : "error");
}
}  // namespace

void report_at(int line, int code, const std::string& text) {
    g_line_override = line;
    report(code, text);
    g_line_override = 0;
}

void report(int code, const std::string& text, int found_token) {
    const bool warning = code >= W_EmptyStatement && code <= W_NotParallel;
    if (g_silenced) return;
    observe_message(false, g_line_override > 0 ? g_line_override : current_line(), code, text, found_token);
    const bool remark = code == R_ParallelLoop || code == R_CanonicalLoop;
    if (warning && runtime::settings().warning_level <= 0) return;
    if (remark && runtime::settings().verbose <= 0) return;
    std::string message;
    if (!text.empty()) message += "'" + data::printable_text(text) + "' ";
    message += diagnostic_text(code);
    if (code == D_Expected) message += std::string("'") + token_name(found_token) + "'";
    if (runtime::file_line_form() && *current_file() && (g_line_override > 0 || current_line() > 0))
        message = located(message, code == D_Expected ? std::string() : text, warning, remark);
    else
        message = prefix() + message;
    runtime::message(message.c_str());
    if (code >= D_ConstantBufferFull && code <= D_OutOfMemory) {
        runtime::message("Fatal error: aborted");
        runtime::raise_fatal_error();
    }
    if (warning || remark) return;
    if (++g_errors >= k_max_compile_errors) {
        runtime::message("Maximum number of errors reached");
        runtime::raise_fatal_error();
    }
}

int compile_error_count() { return g_errors; }
void reset_diagnostics() {
    g_errors = 0;
    g_silenced = false;
}
void silence_diagnostics() { g_silenced = true; }
bool diagnostics_silenced() { return g_silenced; }

}  // namespace kj::compiler
