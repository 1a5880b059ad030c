#include "runtime/alloc.h"

#include <malloc.h>

#include <cstdlib>
#include <new>

#include "platform/memory.h"

namespace kj::runtime {

namespace {
int g_fail_countdown = 0;
std::uint64_t g_limit = 0;  // 0: not yet read
#ifdef KJ_ALLOCATION_FAILURES
long g_counted = 0;  // allocations since the last arming
#endif

bool hook_fires() {
#ifdef KJ_ALLOCATION_FAILURES
    ++g_counted;
#endif
    if (g_fail_countdown <= 0) return false;
    return --g_fail_countdown == 0;
}

bool refused(std::size_t bytes) { return hook_fires() || bytes > allocation_limit(); }
}  // namespace

void fail_allocation_after(int n) { g_fail_countdown = n > 0 ? n : 0; }

#ifdef KJ_ALLOCATION_FAILURES
void arm_allocation_failure_from_environment() {
    const char* n = std::getenv("KJ_FAIL_ALLOCATION");
    g_counted = 0;
    fail_allocation_after(n ? std::atoi(n) : 0);
}
#else
void arm_allocation_failure_from_environment() {}
#endif

std::uint64_t allocation_limit() {
    if (g_limit == 0) g_limit = platform::physical_memory_bytes();
    return g_limit;
}

void set_allocation_limit(std::uint64_t bytes) { g_limit = bytes; }

std::uint64_t payload_bytes(std::uint64_t count, std::uint64_t elem_size) {
    if (count == 0 || elem_size == 0) return 0;
    if (count > allocation_limit() / elem_size) return 0;
    return count * elem_size;
}

void* raw_alloc(std::size_t bytes) {
    if (refused(bytes)) return nullptr;
    return std::malloc(bytes ? bytes : 1);
}

void* raw_calloc(std::size_t n, std::size_t size) {
    if (n == 0 || size == 0) {
        if (hook_fires()) return nullptr;
        return std::calloc(1, 1);
    }
    const std::uint64_t bytes = payload_bytes(n, size);
    if (bytes == 0 || refused(bytes)) return nullptr;
    return std::calloc(n, size);
}

void* raw_realloc(void* p, std::size_t bytes) {
    if (refused(bytes)) return nullptr;
    return std::realloc(p, bytes ? bytes : 1);
}

std::size_t raw_capacity(void* p) { return p ? malloc_usable_size(p) : 0; }

void raw_free(void* p) { std::free(p); }

}  // namespace kj::runtime

#ifdef KJ_ALLOCATION_FAILURES
// The test build's allocation counter, for hosts that sweep failures over a
// run (found with dlsym: it is no part of the C interface).
extern "C" __attribute__((visibility("default"))) long kj_counted_allocations() {
    return kj::runtime::g_counted;
}

// Every allocation of the process through new counts as one of the test
// hook's (the library exports these, so they replace the C++ library's own).
void* operator new(std::size_t bytes) {
    void* p = kj::runtime::hook_fires() ? nullptr : std::malloc(bytes ? bytes : 1);
    if (!p) throw std::bad_alloc();
    return p;
}
void* operator new[](std::size_t bytes) { return operator new(bytes); }
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept {
    return kj::runtime::hook_fires() ? nullptr : std::malloc(bytes ? bytes : 1);
}
void* operator new[](std::size_t bytes, const std::nothrow_t& tag) noexcept { return operator new(bytes, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
#endif
