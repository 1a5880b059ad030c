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

using enum runtime::MessageKind;

constexpr runtime::MessageTable k_table({
#define KJ_DIAGNOSTIC KJ_MESSAGE_ROW
#include "compiler/diagnostics.def"
});

}  // namespace

const char* diagnostic_text(int code) { return k_table.text(code); }

runtime::MessageKind diagnostic_kind(int code) { return k_table.kind(code, Error); }

namespace {
std::string prefix(Parser& p) {
    const int line_override = p.line_override;
    if (line_override <= 0) return location_prefix();
    return std::string(current_file()) + " (" + std::to_string(line_override) + "): ";
}

// The message in the file:line form (-fe): the caret under the text the
// message names, or under the parser's token when that is on the line.
std::string located(Parser& p, const std::string& message, const std::string& text, bool warning, bool remark) {
    const int line_override = p.line_override;
    const int line = line_override > 0 ? line_override : current_line();
    const int column = cur(p).line == line ? cur(p).column : -1;
    return located_compile_message(line, column, text, message, remark ? "note" : warning ? "warning" : "error");
}
}  // namespace

void report_at(Parser& p, int line, int code, const std::string& text) {
    p.line_override = line;
    report(p, code, text);
    p.line_override = 0;
}

void report(Parser& p, int code, const std::string& text, int found_token) {
    Session& s = p.session;
    if (s.silenced) return;
    const int line_override = p.line_override;
    observe_message(false, line_override > 0 ? line_override : current_line(), code, text, found_token);
    const runtime::MessageKind kind = diagnostic_kind(code);
    const bool warning = kind == Warning;
    const bool remark = kind == Remark;
    if (warning && runtime::settings().warning_level <= 0) return;
    if (remark && runtime::settings().verbose <= 0) return;
    std::string message;
    if (!text.empty()) message += "'" + data::printable_text(text) + "' ";
    message += diagnostic_text(code);
    if (code == D_Expected) message += std::string("'") + token_name(found_token) + "'";
    if (runtime::file_line_form() && *current_file() && (line_override > 0 || current_line() > 0))
        message = located(p, message, code == D_Expected ? std::string() : text, warning, remark);
    else
        message = prefix(p) + message;
    runtime::message(message.c_str());
    if (kind == Fatal) {
        runtime::message("Fatal error: aborted");
        runtime::raise_fatal_error();
    }
    if (warning || remark) return;
    if (++s.errors >= k_max_compile_errors) {
        runtime::message("Maximum number of errors reached");
        runtime::raise_fatal_error();
    }
}

int compile_error_count() { return parser().session.errors; }
void reset_diagnostics() {
    Parser& p = parser();
    p.session.errors = 0;
    p.session.silenced = false;
}
void silence_diagnostics() { parser().session.silenced = true; }
bool diagnostics_silenced() { return parser().session.silenced; }

}  // namespace kj::compiler
