// Lambdas: functions compiled inside another function that reach its locals
// through the defining frame, recorded when the lambda value is made.
#pragma once

#include "vm/engine.h"

namespace kj::vm {

// NTP 13 at e.ip: top-2 the parameter count, top-1 the distance from the
// lambda's entry instruction back to this NTP, top the local slot of the first
// parameter in the defining (current) frame. top-2 becomes the lambda value,
// bound to the current ap and bp by stack index; two records are popped.
void make_lambda(Engine& e);

// CAL of the lambda at `callee` with n arguments: each argument moves into its
// parameter slot of the defining frame, a frame marker is pushed, ap and bp
// become the defining frame's, an int 0 is pushed as the working record and
// execution continues after the entry instruction.
void call_lambda(Engine& e, Value* callee, int n);

// RTL r: the record below the top must be a frame marker and the one below
// it the lambda ("missing lambda return" otherwise). The result goes into the
// lambda's slot as RET r would leave it; the caller's registers come back.
void return_from_lambda(Engine& e, int r);

}  // namespace kj::vm
