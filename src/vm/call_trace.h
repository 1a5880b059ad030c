// Source locations of instructions and the call trace of error reports.
#pragma once

#include <string>

#include "vm/engine.h"

namespace kj::vm {

// The line of the first NUM at or after ip (a negative operand n stands for
// line -n - 1); 0 when an EXT comes first or the line is below 1.
int source_line(int ip);

// Name of the compiled function in a frame's callee slot; "?" for anything else.
const char* frame_function_name(const Value& callee);

// "file (line): function", "(line): function" without a file, or "" without a
// line; with_class adds "Class::" when the function runs as a member.
std::string location_text(int ip, const Value& callee, const Value* args, bool with_class);

// The call trace of e: from its running frame down, the return location of
// the first ten calls made from compiled code, one run message each.
void print_call_trace(const Engine& e);

// Installs the engine's error reporter (location, call trace, warning
// location, current function, unwinding) in the run-time error module.
void install_error_reporter();

}  // namespace kj::vm
