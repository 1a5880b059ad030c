// The debugger and the interactive prompt: the session runner that the
// engine's run control hands a bound program to in debug or interactive mode.
#pragma once

namespace kj::api {

// Runs main under the debugger (debug mode) and then, in interactive mode,
// reads statements at the prompt until #quit or the end of input. Returns 1
// when the run did not fail.
int run_session(int start);

// The command loop of interactive mode (interactive_session.cpp).
int interactive_loop();

}  // namespace kj::api
