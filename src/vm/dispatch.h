// The dispatch loop.
#pragma once

#include <cstdint>

#include "vm/engine.h"

namespace kj::vm {

// Executes instructions from e.ip until EXT, until a JMP located at `stop`
// (stop > 0; the top becomes int 0), or until the debugger asks to stop.
// e.ip and e.sp are up to date whenever an instruction may raise an error.
void dispatch(Engine& e, bool debug, int32_t stop);

}  // namespace kj::vm
