#include "compiler/scanner_messages.h"

#include <kj80x.h>

#include "compiler/parser.h"
#include "compiler/compile_observer.h"
#include "compiler/scanner_state.h"
#include "data/printable_text.h"
#include "runtime/located_message.h"
#include "runtime/message_table.h"
#include "runtime/messages.h"

namespace kj::compiler {

namespace {

using enum runtime::MessageKind;

constexpr runtime::MessageTable k_table({
#define KJ_SCAN_MESSAGE KJ_MESSAGE_ROW
#include "compiler/scanner_messages.def"
});

}  // namespace

const char* scan_message_text(int code) { return k_table.text(code); }

bool scan_message_counts(int code) {
    return k_table.kind(code, Error) == Error;
}

std::string location_prefix() {
    const char* file = current_file();
    if (!*file) return {};
    int line = current_line();
    std::string prefix = file;
    if (line > 0)
        prefix += " (" + std::to_string(line) + "): ";
    else
        prefix += ": ";
    return prefix;
}

std::string located_compile_message(int line, int column, std::string_view quoted, const std::string& text,
                                    const char* kind) {
    const std::string_view source = current_source_line(line);
    if (!quoted.empty()) {
        std::size_t at = source.find(quoted);
        for (std::size_t next = at; next != std::string_view::npos && column >= 0 &&
                                    next <= static_cast<std::size_t>(column);
             next = source.find(quoted, next + 1))
            at = next;
        if (at != std::string_view::npos) column = static_cast<int>(at);
    }
    return runtime::located_message(current_file(), line, column, kind, text, source);
}

void scan_error(Parser& p, int code, const char* text) {
    observe_message(true, current_line(), code, text ? text : "");
    ScanState& s = p.scan;
    const bool counts = scan_message_counts(code);
    if (counts) ++s.errors;
    if (s.errors > k_max_printed_errors) return;
    std::string message;
    if (text && *text) {
        message += '\'';
        message += data::printable_text(text);
        message += "' ";
    }
    message += scan_message_text(code);
    if (runtime::file_line_form() && *current_file() && current_line() > 0)
        message = located_compile_message(current_line(), s.token_column, text ? text : "", message,
                                          counts ? "error" : "warning");
    else
        message = location_prefix() + message;
    runtime::message(message.c_str());
}

}  // namespace kj::compiler
