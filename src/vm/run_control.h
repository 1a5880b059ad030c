// Run control behind IKjRunInit, FKjRun, KjRunAbort and KjRunExit.
#pragma once

namespace kj::vm {

// Creates the main engine's stack (capacity from the -s setting), prepares the
// matrix cache and the random numbers, appends
// the start sequence PSH 0, LOD main, CAL 0, EXT and checks the linked
// globals. Returns the address of the start sequence's LOD, -1 when the check
// found link errors, -2 when the stack could not be allocated.
int run_init();

// Binds the start sequence at `start` to `name` (null: main); false, with the
// reason reported, when it cannot be bound.
bool bind_start(int start, const char* name);
// Runs the bound start sequence on the main engine. Returns 1 after a run
// without error, else 0.
int run_main(int start);
// Debugging and interactive mode read commands: false (reported, with exit
// code E_NoPipe) when the host set pipes but no input callback.
bool session_input_ready();
// After a session's run of main: an int result on the main engine's top
// becomes the user exit code, the stack is emptied, the exit calls run and
// the output reaches the host. Returns 1 when ok, else 0.
int finish_main_run(bool ok);

// Sets the abort flag of the current engine (the main one when none runs);
// under the debugger, stops at the next line. When nothing runs (a prompt
// waits for input), notes an interrupt of the input instead.
void request_abort();
// Whether the input was interrupted since the last call (which clears it):
// the prompt drops what was typed of the command.
bool take_input_interrupt();

// Frees the engines and the stack, releasing every owned record on it, and
// the owned values of all global symbols and static members.
void run_exit();

}  // namespace kj::vm
