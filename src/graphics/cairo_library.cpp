#include "graphics/cairo_library.h"

#include <mutex>

#include "platform/dynamic_library.h"

namespace kj::graphics {

namespace {

bool bind_all(CairoLibrary& c) {
    void* lib = platform::load_library("libcairo.so.2");
    if (!lib) return false;
    bool all = true;
#define KJ_CAIRO_BIND(name)                                                                             \
    c.name = reinterpret_cast<decltype(c.name)>(platform::library_symbol(lib, "cairo_" #name)); \
    all = all && c.name;
    KJ_CAIRO_FUNCTIONS(KJ_CAIRO_BIND)
#undef KJ_CAIRO_BIND
    return all;
}

}  // namespace

const CairoLibrary* cairo_library() {
    static CairoLibrary c{};
    static bool usable = false;
    static std::once_flag once;
    std::call_once(once, [] { usable = bind_all(c); });
    return usable ? &c : nullptr;
}

}  // namespace kj::graphics
