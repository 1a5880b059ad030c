#include "runtime/current_function.h"

#include <cstring>

#include "runtime/run_context.h"

namespace kj::runtime {

// The name is resolved only when a message needs it.
void set_current_function(const char* name_or_descriptor) { run_context().native_function = name_or_descriptor; }

const char* current_function() {
    const char* current = run_context().native_function;
    if (!current) return "?";
    const char* dollar = std::strchr(current, '$');
    return dollar ? dollar + 1 : current;
}

}  // namespace kj::runtime
