// Element blocks of many megabytes. A fresh block costs a page fault for every
// page on first touch, which for a large element-wise result is a third of the
// work; freed big blocks are therefore kept (a few, up to a byte limit) and
// handed out again for a request of about their size. New big blocks are
// aligned for, and advised to use, transparent huge pages.
#pragma once

#include <cstddef>

namespace kj::value {

// Blocks of at least this many bytes are big.
constexpr std::size_t k_big_block_bytes = std::size_t{4} << 20;

// A block of at least `bytes` (big or not); null on failure.
void* element_block_alloc(std::size_t bytes);
// Frees a block from element_block_alloc; a big one may be kept for reuse.
void element_block_free(void* p);
// Gives the kept blocks back to the system.
void release_big_blocks();
// Number and total bytes of the kept blocks (for tests).
struct BigBlockStats {
    int blocks = 0;
    std::size_t bytes = 0;
    long reused = 0;
};
BigBlockStats big_block_stats();

}  // namespace kj::value
