#include "compiler/scanner_messages.h"

#include <kj80x.h>

#include "compiler/compile_observer.h"
#include "compiler/scanner_state.h"
#include "data/printable_text.h"
#include "runtime/messages.h"

namespace kj::compiler {

namespace {

constexpr const char* k_rows[k_scan_message_count] = {
    "unexpected end of file",
    "unrecognized",
    "missing",
    "error in escape sequence",
    "* or / expected",
    "symbol too long",
    "out of memory",
    "ending \" missing for string literal",
    "error in double constant",
    "error in hexadecimal constant",
    "hexadecimal constant truncated",
    "comment not closed",
    "include file not found",
    "include files nested too deeply",
    "unrecognized preprocessor directive",
    "no matching #if",
    "too many #defines",
    "end of include string missing",
    "warning: dot part of number, not dot operator",
    "ending ' missing for character literal",
    "previously #defined with different value",
    "warning: #if... statement not closed",
    "warning: #import filename has extension",
    "header file not found",
    "header file for import not found",
    "invalid character found",
};

}  // namespace

const char* scan_message_text(int code) {
    return code >= 0 && code < k_scan_message_count ? k_rows[code] : "";
}

bool scan_message_counts(int code) {
    return code != S_DotInNumber && code != S_IfNotClosed && code != S_ImportHasExtension &&
           code != S_ImportHeaderNotFound;
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
