#include "platform/dynamic_library.h"

#include <dlfcn.h>

namespace kj::platform {

void* load_library(const char* name) { return name ? dlopen(name, RTLD_NOW | RTLD_LOCAL) : nullptr; }

void* library_symbol(void* library, const char* name) {
    return library && name ? dlsym(library, name) : nullptr;
}

}  // namespace kj::platform
