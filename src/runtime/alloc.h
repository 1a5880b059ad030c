// Raw allocation for payloads, with a test hook that fails the n-th allocation
// so that every "out of memory" path can be exercised.
#pragma once

#include <cstddef>

namespace kj::value {

void* raw_alloc(std::size_t bytes);            // null on failure (or when the hook fires)
void* raw_calloc(std::size_t n, std::size_t size);
void raw_free(void* p);

// Test hook: the n-th allocation from now fails (n >= 1); 0 switches it off.
void fail_allocation_after(int n);

}  // namespace kj::value
