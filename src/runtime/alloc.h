// Raw allocation for payloads, with a test hook that fails the n-th allocation
// so that every "out of memory" path can be exercised.
//
// No single request may exceed the allocation limit (the machine's physical
// memory): a larger one would be granted by the system and then only swap or
// be killed when touched, so it fails here, before anything is allocated.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kj::runtime {

void* raw_alloc(std::size_t bytes);            // null on failure (or when the hook fires)
void* raw_calloc(std::size_t n, std::size_t size);
void* raw_realloc(void* p, std::size_t bytes); // null on failure; p is then still valid
void raw_free(void* p);

// Bytes that p (from raw_alloc/raw_realloc) can hold; 0 for null.
std::size_t raw_capacity(void* p);

// The limit of one request in bytes.
std::uint64_t allocation_limit();
// Tests: a smaller limit, so that refusals need no real memory; 0 restores it.
void set_allocation_limit(std::uint64_t bytes);

// count elements of elem_size bytes, formed in 64 bits: the byte count, or 0
// when it overflows or exceeds the limit (count 0 also gives 0).
std::uint64_t payload_bytes(std::uint64_t count, std::uint64_t elem_size);

// Test hook: the n-th allocation from now fails (n >= 1); 0 switches it off.
void fail_allocation_after(int n);

// At the start of each run of the driver. In the test library
// libkj80x_allocfail (tests/reliability/), built from the same objects with
// this file compiled with KJ_ALLOCATION_FAILURES: arms the hook from the
// environment variable KJ_FAIL_ALLOCATION (unset or 0: off) and restarts the
// count of allocations, which there include every operator new of the
// process. In the library itself it does nothing.
void arm_allocation_failure_from_environment();

}  // namespace kj::runtime
