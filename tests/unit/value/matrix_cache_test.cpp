#include <gtest/gtest.h>

#include "support/capture.h"
#include "runtime/run_context.h"
#include "value/matrix_cache.h"

namespace kv = kj::value;

namespace {
struct CacheScope {
    CacheScope(int size, int limit) {
        kv::mat_cache_set_size(size, limit);
        kv::mat_cache_init(nullptr);
    }
    ~CacheScope() { kv::mat_cache_destroy(nullptr); }
};
}  // namespace

TEST(MatrixCache, CacheableSizes) {
    CacheScope cache(10, 100);
    const struct {
        const char* name;
        int r, c;
        bool cached;
    } cases[] = {{"9x11 = 99 elements", 9, 11, true},
                 {"10x10 = 100 elements", 10, 10, false},
                 {"1024x0", 1024, 0, false},
                 {"0 rows", 0, 5, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int misses = kv::global_cache().misses;
        double** m = kv::mat_alloc_cached(c.r, c.c);
        EXPECT_EQ(kv::global_cache().misses - misses, c.cached ? 1 : 0);
        kv::mat_free_cached(m, c.r, c.c);
    }
}

TEST(MatrixCache, HitsHintAndFlushes) {
    CacheScope cache(2, 1000);
    auto& rec = kv::global_cache();
    double** a = kv::mat_alloc_cached(3, 3);
    double** b = kv::mat_alloc_cached(4, 4);
    double** c = kv::mat_alloc_cached(5, 5);
    EXPECT_EQ(rec.misses, 3);
    kv::mat_free_cached(a, 3, 3);  // slot 0, stamp 0
    kv::mat_free_cached(b, 4, 4);  // slot 1, stamp 1
    kv::mat_free_cached(c, 5, 5);  // evicts the oldest (slot 0)
    EXPECT_EQ(rec.flushes, 1);
    EXPECT_EQ(rec.rows[0], 5);

    double** again = kv::mat_alloc_cached(4, 4);  // hit in slot 1, hint set
    EXPECT_EQ(again, b);
    EXPECT_EQ(rec.hits, 1);
    EXPECT_EQ(rec.hint, 1);
    double** other = kv::mat_alloc_cached(2, 2);
    kv::mat_free_cached(other, 2, 2);  // goes to the hinted slot without a search
    EXPECT_EQ(rec.rows[1], 2);
    EXPECT_EQ(rec.hint, -1);
    kv::mat_free_cached(again, 4, 4);  // searches: all full, evicts slot 0 (stamp 2)
    EXPECT_EQ(rec.flushes, 2);
    EXPECT_EQ(rec.rows[0], 4);
}

TEST(MatrixCache, OffWhenEitherNumberIsZeroAndReport) {
    kv::mat_cache_set_size(10, 0);
    EXPECT_EQ(kv::global_cache().size, 0);
    kv::mat_cache_set_size(0, 10);
    EXPECT_EQ(kv::global_cache().limit, 0);

    kj::test::CaptureScope capture;
    CacheScope cache(4, 50);
    kv::mat_free_cached(kv::mat_alloc_cached(2, 2), 2, 2);
    kv::mat_free_cached(kv::mat_alloc_cached(2, 2), 2, 2);
    kv::mat_cache_report();
    ASSERT_EQ(kj::test::captured().messages.size(), 1u);
    EXPECT_EQ(kj::test::captured().messages[0],
              "\nCache status: size 4 limit 50 hits 1 misses 1 flushes 0\n");
}

// A run context with a cache of its own takes and gives back its blocks there.
TEST(MatrixCache, RunContextChoosesTheRecord) {
    CacheScope cache(2, 100);
    kv::MatrixCache own;
    own.size = 2;
    own.limit = 100;
    kv::mat_cache_init(&own);
    kj::runtime::RunContext context;
    context.matrix_cache = &own;
    {
        kj::runtime::RunContextScope scope(context);
        kv::mat_free_cached(kv::mat_alloc_cached(3, 3), 3, 3);
    }
    EXPECT_EQ(own.misses, 1);
    EXPECT_EQ(own.rows[0], 3);
    EXPECT_EQ(kv::global_cache().misses, 0);
    double** m = kv::mat_alloc_cached(3, 3);  // not in the process's cache
    EXPECT_EQ(kv::global_cache().misses, 1);
    kv::mat_free_cached(m, 3, 3);
    {
        kj::runtime::RunContextScope scope(context);
        kv::mat_free_cached(kv::mat_alloc_cached(3, 3), 3, 3);
    }
    EXPECT_EQ(own.hits, 1);
    kv::mat_cache_destroy(&own);
}
