// Compile-time diagnostics: the table of diagnostics.def (index = code, each
// row an error, fatal error, warning or remark) and the limit of 25 counted
// errors per process.
#pragma once

#include <string>

#include "runtime/message_table.h"

namespace kj::compiler {

struct Parser;

enum Diag : int {
#define KJ_DIAGNOSTIC KJ_MESSAGE_CODE
#include "compiler/diagnostics.def"
    k_diagnostic_count  // one past the last code: the rows of the table
};
constexpr int k_max_compile_errors = 25;

const char* diagnostic_text(int code);  // "" past the table
// Error past the table.
runtime::MessageKind diagnostic_kind(int code);

// Reports code with optional text ("'text' " in front of the row), after the
// location prefix of the scanner. Code 6 appends the found token's name as
// "'name'" (found_token). Warnings print only with warnings on, remarks only
// when verbose; neither is counted. Fatal ones print "Fatal error: aborted"
// and stop the compilation; the 25th counted error prints "Maximum number of errors
// reached" and stops it.
void report(Parser& p, int code, const std::string& text = {}, int found_token = 0);
// As report, located at `line` of the current file instead of the scanner's line.
void report_at(Parser& p, int line, int code, const std::string& text = {});

// Errors counted since the last reset_diagnostics.
int compile_error_count();
// Also ends silencing.
void reset_diagnostics();
// After an error that ends the unit's parse: nothing more is reported (or
// counted) until reset_diagnostics.
void silence_diagnostics();
bool diagnostics_silenced();

}  // namespace kj::compiler
