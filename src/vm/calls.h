// Calls and returns. Each works on the synchronised registers of the engine
// and leaves them ready for the dispatch loop, which advances ip afterwards.
#pragma once

#include "vm/engine.h"

namespace kj::vm {

// CAL n: the callee is n records below the top, its arguments above it.
// Spread arguments are expanded first. A compiled function or a lambda gets a
// frame (ip := entry - 1); a native function runs at once and its result
// replaces the callee; a string names the function to call (a global symbol,
// else a library function); anything else is "attempt to call non-function".
void call(Engine& e, int n);

// RET r: 1 the top is the result, 0 int 0, -1 int 0 without value. The result
// goes to the callee slot, the frame is popped and the caller's registers
// restored from the frame marker.
void return_from(Engine& e, int r);

// Moves a function's result into its callee slot as RET r leaves it: 1 the
// record `top` made private and owned (top becomes int 0), 0 int 0, -1 int 0
// without value.
void store_result(Value& callee, Value& top, int r);

// The callee kinds, for the member and callback paths.
void call_compiled(Engine& e, Value* callee, int n);
void call_native(Engine& e, Value* callee, int n);

// Prepares an argument as it is passed: a shared array becomes private, a
// "vector" is materialised.
void prepare_argument(Value& arg);

}  // namespace kj::vm
