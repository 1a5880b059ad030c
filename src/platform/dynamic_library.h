// Dynamic libraries: loaded by name through the system's search rules and
// kept until the process ends.
#pragma once

namespace kj::platform {

// The handle of the library, or null when it cannot be loaded.
void* load_library(const char* name);
// The address of an exported symbol, or null.
void* library_symbol(void* library, const char* name);

}  // namespace kj::platform
