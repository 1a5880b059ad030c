#include "value/big_blocks.h"

#include <malloc.h>
#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <mutex>

#include "runtime/alloc.h"

namespace kj::value {

using runtime::raw_alloc;
using runtime::raw_free;

namespace {
constexpr int k_kept = 6;                                    // blocks kept at most
constexpr std::size_t k_kept_bytes = std::size_t{1} << 30;   // and bytes at most
constexpr std::size_t k_huge_page = std::size_t{2} << 20;

struct Kept {
    void* block = nullptr;
    std::size_t bytes = 0;
    uint64_t stamp = 0;
};

struct Pool {
    std::mutex lock;
    Kept kept[k_kept];
    std::size_t total = 0;
    uint64_t clock = 0;
    long reused = 0;
};

Pool& pool() {
    static Pool p;
    return p;
}

void* fresh_big_block(std::size_t bytes) {
    void* p = nullptr;
    if (posix_memalign(&p, k_huge_page, bytes) != 0) return nullptr;
    // Whole huge pages inside the block; a refusal only costs speed.
    const auto start = (reinterpret_cast<std::uintptr_t>(p) + k_huge_page - 1) & ~(k_huge_page - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(p) + bytes) & ~(k_huge_page - 1);
    if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
    return p;
}
}  // namespace

void* element_block_alloc(std::size_t bytes) {
    if (bytes < k_big_block_bytes) return raw_alloc(bytes);
    Pool& p = pool();
    {
        std::lock_guard<std::mutex> guard(p.lock);
        // The smallest kept block that fits without wasting more than a quarter.
        int best = -1;
        for (int i = 0; i < k_kept; ++i) {
            const Kept& k = p.kept[i];
            if (!k.block || k.bytes < bytes || k.bytes - bytes > bytes / 4) continue;
            if (best < 0 || k.bytes < p.kept[best].bytes) best = i;
        }
        if (best >= 0) {
            void* block = p.kept[best].block;
            p.total -= p.kept[best].bytes;
            p.kept[best] = Kept{};
            ++p.reused;
            return block;
        }
    }
    // The failure hook of raw allocation applies to fresh big blocks too.
    void* probe = raw_alloc(1);
    if (!probe) return nullptr;
    raw_free(probe);
    return fresh_big_block(bytes);
}

void element_block_free(void* block) {
    if (!block) return;
    const std::size_t bytes = malloc_usable_size(block);
    if (bytes < k_big_block_bytes || bytes > k_kept_bytes) {
        raw_free(block);
        return;
    }
    Pool& p = pool();
    void* evicted[k_kept] = {};
    int n_evicted = 0;
    {
        std::lock_guard<std::mutex> guard(p.lock);
        // Room by evicting the blocks kept longest.
        for (;;) {
            int empty = -1, oldest = -1;
            for (int i = 0; i < k_kept; ++i) {
                if (!p.kept[i].block) {
                    if (empty < 0) empty = i;
                } else if (oldest < 0 || p.kept[i].stamp < p.kept[oldest].stamp) {
                    oldest = i;
                }
            }
            if (empty >= 0 && p.total + bytes <= k_kept_bytes) {
                p.kept[empty] = {block, bytes, ++p.clock};
                p.total += bytes;
                block = nullptr;
                break;
            }
            if (oldest < 0) break;
            evicted[n_evicted++] = p.kept[oldest].block;
            p.total -= p.kept[oldest].bytes;
            p.kept[oldest] = Kept{};
        }
    }
    for (int i = 0; i < n_evicted; ++i) std::free(evicted[i]);
    if (block) std::free(block);
}

void release_big_blocks() {
    Pool& p = pool();
    std::lock_guard<std::mutex> guard(p.lock);
    for (Kept& k : p.kept) {
        std::free(k.block);
        k = Kept{};
    }
    p.total = 0;
}

BigBlockStats big_block_stats() {
    Pool& p = pool();
    std::lock_guard<std::mutex> guard(p.lock);
    BigBlockStats s;
    for (const Kept& k : p.kept)
        if (k.block) {
            ++s.blocks;
            s.bytes += k.bytes;
        }
    s.reused = p.reused;
    return s;
}

}  // namespace kj::value
