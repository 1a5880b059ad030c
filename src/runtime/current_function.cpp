#include "runtime/current_function.h"

#include <cstring>

namespace kj::runtime {

namespace {
const char* g_current = nullptr;
}  // namespace

// Called for every native call: the name is resolved only when a message needs it.
void set_current_function(const char* name_or_descriptor) { g_current = name_or_descriptor; }

const char* current_function() {
    if (!g_current) return "?";
    const char* dollar = std::strchr(g_current, '$');
    return dollar ? dollar + 1 : g_current;
}

}  // namespace kj::runtime
