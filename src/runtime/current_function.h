// The native function being called (kept in the run's context): the engine
// names it before each native call, and argument checks and library messages
// report under that name.
#pragma once

namespace kj::runtime {

// The pointer is kept, not copied; a descriptor is accepted too, and its name
// after '$' is what current_function returns. "?" when unset.
void set_current_function(const char* name_or_descriptor);
const char* current_function();

}  // namespace kj::runtime
