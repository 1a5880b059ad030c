// Loop support: canonical for loops and foreach iteration.
#pragma once

#include "vm/engine.h"

namespace kj::vm {

// FOR k: n >= 0 foreach set-up, -1 foreach step, -2/-3 canonical foreach,
// -12/-13 canonical for. Loops run serially on the current engine.
void for_instruction(Engine& e, int k, bool debug);

}  // namespace kj::vm
