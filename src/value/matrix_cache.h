// The matrix cache: a small set of freed blocks kept for reuse by the
// interpreter, which creates and drops many temporaries of equal shape.
#pragma once

#include <cstdint>

namespace kj::value {

struct MatrixCache {
    int32_t size = 0;         // number of slots; 0 = off
    int32_t limit = 0;        // cacheable only if r*c < limit
    double*** blocks = nullptr;
    int32_t* rows = nullptr;  // rows 0 and cols 0: empty slot
    int32_t* cols = nullptr;
    uint32_t* stamps = nullptr;
    int32_t hint = -1;        // slot to fill on the next store; -1 none
    int32_t counter = 0;      // store counter
    int32_t reported_size = 0;
    int32_t reported_limit = 0;
    int32_t hits = 0;
    int32_t misses = 0;
    int32_t flushes = 0;
};

// Blocks are taken from and given back to the run context's cache (the
// process's, global_cache, when the context has none); the process's record
// decides the size and limit.
MatrixCache& global_cache();
double** mat_alloc_cached(int r, int c);
double** mat_dup_cached(double** src, int r, int c);
void mat_free_cached(double** m, int r, int c);
void mat_cache_set_size(int size, int limit);
void mat_cache_init(MatrixCache* cache);      // null = global
void mat_cache_destroy(MatrixCache* cache);   // null = global
void mat_cache_report();

}  // namespace kj::value
