// Compiled loop bodies: a canonical for loop whose body is straight-line
// arithmetic on int and double locals runs as a tree of type-specialised
// steps instead of through the dispatch loop.
//
// On the loop's first run the body is read once: each statement (an
// expression stored into a local and popped) becomes a tree whose nodes apply
// the scalar operator table for the operand types seen at that moment. The
// types must be stable: every local the body reads before writing it must end
// the body with the type it began with, so that one type check at the loop's
// entry covers every iteration. Nothing in such a body allocates, calls or
// touches anything but its own frame.
//
// A statement that would raise (a zero divisor of `%`) is left before it
// stores anything, and the dispatch loop runs the rest of the loop from that
// statement, where it raises as it always does; an abort request hands the
// current iteration to the dispatch loop in the same way. Debug runs, code
// compiled with optimisations off and loops of fewer than a few iterations
// never get here.
#pragma once

#include <cstdint>

#include "vm/engine.h"

namespace kj::vm {

// The canonical loop whose FOR is at `at` has been set up by
// start_counted_for, with at least one iteration to run: its state is on top
// of e's stack and its counter holds the start value; bp and ap are the
// frame's registers. Runs the loop when its body compiles, and
// returns the instruction before the one the dispatch loop runs next: the
// back-edge JMP when the loop is done, a statement's first instruction less
// one when the dispatch loop takes over. Returns -1, with nothing changed,
// when the body does not compile.
int32_t run_compiled_loop(Engine& e, int32_t at, Value* bp, Value* ap);

// Loops run compiled on this thread since it started (for tests).
uint64_t compiled_loop_runs();

}  // namespace kj::vm
