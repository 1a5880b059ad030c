#include "compiler/scanner_messages.h"

#include <kj80x.h>

#include "compiler/compile_observer.h"
#include "compiler/scanner_state.h"
#include "data/printable_text.h"
#include "runtime/message_table.h"
#include "runtime/messages.h"

namespace kj::compiler {

namespace {

using enum runtime::MessageKind;

constexpr runtime::MessageRow k_rows[] = {
#define KJ_SCAN_MESSAGE(name, code, kind, text) {kind, text},
#include "compiler/scanner_messages.def"
};

constexpr int k_codes[] = {
#define KJ_SCAN_MESSAGE(name, code, kind, text) code,
#include "compiler/scanner_messages.def"
};
static_assert(runtime::codes_are_dense(k_codes));

}  // namespace

const char* scan_message_text(int code) {
    return code >= 0 && code < k_scan_message_count ? k_rows[code].text : "";
}

bool scan_message_counts(int code) {
    return code < 0 || code >= k_scan_message_count || k_rows[code].kind == Error;
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

void scan_error(int code, const char* text) {
    observe_message(true, current_line(), code, text ? text : "");
    ScanState& s = scan_state();
    if (scan_message_counts(code)) ++s.errors;
    if (s.errors > k_max_printed_errors) return;
    std::string message = location_prefix();
    if (text && *text) {
        message += '\'';
        message += data::printable_text(text);
        message += "' ";
    }
    message += scan_message_text(code);
    runtime::message(message.c_str());
}

}  // namespace kj::compiler
