// libsleef, the 1-ULP vector functions of the vector math kernels, loaded with
// the first kernel that needs it: its 900 symbol bindings would otherwise be
// paid by every run at start-up.
#pragma once

namespace kj::num {

// The address of one of its functions, or null (library or name missing).
void* sleef_symbol(const char* name);

}  // namespace kj::num
