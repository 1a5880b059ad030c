#include "runtime/alloc.h"

#include <cstdlib>

namespace kj::value {

namespace {
int g_fail_countdown = 0;

bool hook_fires() {
    if (g_fail_countdown <= 0) return false;
    return --g_fail_countdown == 0;
}
}  // namespace

void fail_allocation_after(int n) { g_fail_countdown = n > 0 ? n : 0; }

void* raw_alloc(std::size_t bytes) {
    if (hook_fires()) return nullptr;
    return std::malloc(bytes ? bytes : 1);
}

void* raw_calloc(std::size_t n, std::size_t size) {
    if (hook_fires()) return nullptr;
    return std::calloc(n ? n : 1, size ? size : 1);
}

void raw_free(void* p) { std::free(p); }

}  // namespace kj::value
