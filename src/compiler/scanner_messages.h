// The scanner's message table and its reporting, shared by the preprocessor,
// the parser and the GAUSS front end.
#pragma once

#include <string>
#include <string_view>

namespace kj::compiler {

enum ScanMessage : int {
    S_UnexpectedEof = 0, S_Unrecognized = 1, S_Missing = 2, S_BadEscape = 3,
    S_StarOrSlashExpected = 4, S_SymbolTooLong = 5, S_OutOfMemory = 6, S_StringNotClosed = 7,
    S_BadDouble = 8, S_BadHex = 9, S_HexTruncated = 10, S_CommentNotClosed = 11,
    S_IncludeNotFound = 12, S_IncludeTooDeep = 13, S_BadDirective = 14, S_NoMatchingIf = 15,
    S_TooManyDefines = 16, S_IncludeNameNotClosed = 17, S_DotInNumber = 18,
    S_CharNotClosed = 19, S_Redefined = 20, S_IfNotClosed = 21, S_ImportHasExtension = 22,
    S_HeaderNotFound = 23, S_ImportHeaderNotFound = 24, S_InvalidCharacter = 25,
};

constexpr int k_scan_message_count = 26;
constexpr int k_max_printed_errors = 100;

// Row text of the table; "" past it.
const char* scan_message_text(int code);
// Whether reporting code adds to the error count (all but the warnings 18, 21,
// 22 and the soft report 24).
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
void scan_error(int code, const char* text = nullptr);

}  // namespace kj::compiler
