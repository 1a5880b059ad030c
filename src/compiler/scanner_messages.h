// The scanner's message table (scanner_messages.def) and its reporting,
// shared by the preprocessor, the parser and the GAUSS front end.
#pragma once

#include <string>
#include <string_view>

#include "runtime/message_table.h"

namespace kj::compiler {

struct Parser;

enum ScanMessage : int {
#define KJ_SCAN_MESSAGE KJ_MESSAGE_CODE
#include "compiler/scanner_messages.def"
    k_scan_message_count  // one past the last code: the rows of the table
};
constexpr int k_max_printed_errors = 100;

// Row text of the table; "" past it.
const char* scan_message_text(int code);
// Whether reporting code adds to the error count (its kind is Error).
bool scan_message_counts(int code);

// "file (line): " for the current position, "file: " without a line, "" when
// no source is open.
std::string location_prefix();

// The compile message `text` about line `line` of the current file in the
// file:line form of runtime/located_message.h (-fe). The caret goes under
// `quoted` (the offending text the message names) where the line holds it,
// the occurrence nearest before `column`; else under `column` itself.
std::string located_compile_message(int line, int column, std::string_view quoted, const std::string& text,
                                    const char* kind);

// Reports message code with optional offending text ("'text' " in front of
// the row) through KjMessage, after the location prefix. Counted codes add
// one to the error count; nothing is printed once the count exceeds 100.
void scan_error(Parser& p, int code, const char* text = nullptr);

}  // namespace kj::compiler
