#include "value/matrix_cache.h"

#include <cstdio>

#include <kj80x.h>

#include "runtime/alloc.h"
#include "runtime/messages.h"
#include "runtime/run_context.h"

namespace kj::value {

using runtime::raw_calloc;
using runtime::raw_free;

namespace {
MatrixCache g_cache;

// The process's record decides, even when a run context has a cache of its own. A size
// set by a switch takes effect once the cache exists (at run start); blocks
// made before then, say for constants while compiling, bypass it.
bool cacheable(int r, int c) {
    return g_cache.size != 0 && g_cache.blocks && r != 0 && r < 1024 && c < 1024 &&
           static_cast<int32_t>(static_cast<uint32_t>(r) * static_cast<uint32_t>(c)) < g_cache.limit;
}

// The run context's cache, else the process's.
MatrixCache* in_use() {
    MatrixCache* rec = runtime::run_context().matrix_cache;
    return rec ? rec : &g_cache;
}
}  // namespace

MatrixCache& global_cache() { return g_cache; }

double** mat_alloc_cached(int r, int c) {
    if (!cacheable(r, c)) return MatAllocBlock(r, c);
    MatrixCache* rec = in_use();
    for (int i = 0; i < rec->size; ++i) {
        if (rec->rows[i] == r && rec->cols[i] == c) {
            // The slot empties; the block is the caller's now.
            rec->rows[i] = 0;
            rec->cols[i] = 0;
            rec->hint = i;
            ++rec->hits;
            return rec->blocks[i];
        }
    }
    ++rec->misses;
    return MatAllocBlock(r, c);
}

double** mat_dup_cached(double** src, int r, int c) {
    double** m = mat_alloc_cached(r, c);
    if (m) MatCopy(m, src, r, c);
    return m;
}

void mat_free_cached(double** m, int r, int c) {
    if (!m) return;
    if (!cacheable(r, c)) {
        MatFreeBlock(m);
        return;
    }
    MatrixCache* rec = in_use();
    int target = -1;
    if (rec->hint >= 0) {
        target = rec->hint;
        rec->hint = -1;
    } else {
        int oldest = -1;
        for (int i = 0; i < rec->size; ++i) {
            if (rec->rows[i] == 0 && rec->cols[i] == 0) {
                target = i;
                break;
            }
            if (oldest < 0 || rec->stamps[i] < rec->stamps[oldest]) oldest = i;
        }
        if (target < 0) {
            // Evict the entry stored longest ago.
            ++rec->flushes;
            MatFreeBlock(rec->blocks[oldest]);
            target = oldest;
        }
    }
    rec->rows[target] = r;
    rec->cols[target] = c;
    rec->stamps[target] = static_cast<uint32_t>(rec->counter);
    ++rec->counter;
    rec->blocks[target] = m;
}

void mat_cache_set_size(int size, int limit) {
    if (size == 0 || limit == 0) size = limit = 0;
    // Entries of a cache made for another size cannot stay.
    if (g_cache.blocks && size != g_cache.size) mat_cache_destroy(nullptr);
    g_cache.size = size;
    g_cache.limit = limit;
}

void mat_cache_init(MatrixCache* cache) {
    MatrixCache* rec = cache ? cache : &g_cache;
    rec->blocks = nullptr;
    rec->rows = nullptr;
    rec->cols = nullptr;
    rec->stamps = nullptr;
    rec->hint = -1;
    rec->counter = 0;
    rec->hits = rec->misses = rec->flushes = 0;
    if (rec->size > 0) {
        const auto n = static_cast<std::size_t>(rec->size);
        rec->blocks = static_cast<double***>(raw_calloc(n, sizeof(double**)));
        rec->rows = static_cast<int32_t*>(raw_calloc(n, sizeof(int32_t)));
        rec->cols = static_cast<int32_t*>(raw_calloc(n, sizeof(int32_t)));
        rec->stamps = static_cast<uint32_t*>(raw_calloc(n, sizeof(uint32_t)));
        if (!rec->blocks || !rec->rows || !rec->cols || !rec->stamps) {
            raw_free(rec->blocks);
            raw_free(rec->rows);
            raw_free(rec->cols);
            raw_free(rec->stamps);
            rec->blocks = nullptr;
            rec->rows = rec->cols = nullptr;
            rec->stamps = nullptr;
            rec->size = rec->limit = 0;
        }
    }
    rec->reported_size = rec->size;
    rec->reported_limit = rec->limit;
}

void mat_cache_destroy(MatrixCache* cache) {
    MatrixCache* rec = cache ? cache : &g_cache;
    for (int i = 0; i < rec->size && rec->rows; ++i)
        if (rec->rows[i] != 0 || rec->cols[i] != 0) MatFreeBlock(rec->blocks[i]);
    raw_free(rec->blocks);
    raw_free(rec->rows);
    raw_free(rec->cols);
    raw_free(rec->stamps);
    *rec = MatrixCache{};
    rec->hint = 0;
}

void mat_cache_report() {
    char line[160];
    std::snprintf(line, sizeof line, "\nCache status: size %d limit %d hits %d misses %d flushes %d\n",
                  g_cache.reported_size, g_cache.reported_limit, g_cache.hits, g_cache.misses,
                  g_cache.flushes);
    runtime::message(line);
}

}  // namespace kj::value
