// Payloads replaced under pending aliases. An argument or operand is pushed as
// an alias of a variable's payload; evaluating a later argument may store into
// that variable (through a reference, an assignment, or a function that sets
// a global). The old payload then goes to the deepest such alias on the
// stack, which lives longest, instead of being freed under it.
#pragma once

#include "value/value.h"

namespace kj::vm {

// The value layer's payload rescuer (value/value.h): true when an alias on the
// current engine's stack took over the payload of `owner`.
bool rescue_pending_alias(value::Value& owner);

}  // namespace kj::vm
