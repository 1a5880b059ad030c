#include "num/sleef_library.h"

#include "platform/dynamic_library.h"

namespace kj::num {

void* sleef_symbol(const char* name) {
    static void* const library = platform::load_library("libsleef.so.3");
    return library ? platform::library_symbol(library, name) : nullptr;
}

}  // namespace kj::num
