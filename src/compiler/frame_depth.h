// How deep a compiled function's expressions grow the value stack, and the
// reservation of that depth when the function is entered. The engine checks
// the stack's capacity when a frame is set up (its locals) and keeps some
// headroom beyond it for the pushes of an expression; a function whose
// expressions may push more than the headroom (a call with thousands of
// arguments, a long chain of pending operands) checks its whole depth once
// at entry instead, so that no single push needs a test of its own.
#pragma once

#include "link/file_code.h"

namespace kj::compiler {

struct Parser;

// Pushes of an expression that the engine's headroom covers without a check.
constexpr int k_unchecked_depth = link::k_unchecked_pushes;

// Upper estimate of the records the code in [from, to) keeps on the stack
// above its frame's locals at any one time.
int expression_depth(int from, int to);

// Called once the function's code is complete (its last instruction emitted)
// with the INT that reserves its locals: when the expressions may need more
// than the headroom, the entry goes through a reservation of locals + depth.
void reserve_frame_depth(Parser& p, int int_at, int from);

// A lambda runs on top of whatever stack its caller has, not on its defining
// frame: its body reserves its own depth, through the NOP emitted at its
// entry. Called after the lambda's return instruction.
void reserve_lambda_depth(Parser& p, int nop_at);

}  // namespace kj::compiler
