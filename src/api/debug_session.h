// The debugger and the interactive prompt: FKjRun hands them the bound
// program in debug or interactive mode.
#pragma once

#include <string>

#include "value/value.h"

namespace kj::api {

// Runs main under the debugger (debug mode) and then, in interactive mode,
// reads statements at the prompt until #quit or the end of input. Returns 1
// when the run did not fail.
int run_session(int start);

// The command loop of interactive mode (interactive_session.cpp).
int interactive_loop();

// The interactive session of a host that hands over text instead of lines at
// a prompt (interactive_session.cpp; the C calls in session_api.cpp). Opened
// once the interactive program is linked and its main has run; one at a time.
void open_hosted_session();
bool hosted_session_open();
// Runs text as lines typed at the prompt; false when a command failed, which
// ends the text. With result_call (the name of a function of one argument), a
// bare expression that ends the text is passed to it instead of printed.
bool run_hosted_text(const std::string& text, const char* result_call);
// A variable of the session's frame; null when there is none.
const value::Value* hosted_variable(const std::string& name);
void close_hosted_session();

}  // namespace kj::api
