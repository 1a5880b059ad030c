// The worker pool runs every job of a round exactly once, each on a thread
// of its own, the caller's among them, and is reused or restarted.
#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "vm/worker_pool.h"

namespace kj::vm {
namespace {

struct RoundRecord {
    std::mutex mutex;
    std::vector<int> jobs;
    std::set<std::thread::id> threads;
};

int run_round(int n, RoundRecord& record) {
    return run_on_threads(n, [&record](int job) {
        const std::lock_guard lock(record.mutex);
        record.jobs.push_back(job);
        record.threads.insert(std::this_thread::get_id());
    });
}

TEST(WorkerPool, EveryJobOnceOnThreadsOfItsOwn) {
    for (const int n : {1, 3, 4, 2}) {
        RoundRecord record;
        ASSERT_EQ(run_round(n, record), n);
        std::multiset<int> jobs(record.jobs.begin(), record.jobs.end());
        for (int job = 0; job < n; ++job) EXPECT_EQ(jobs.count(job), 1u) << "job " << job << " of " << n;
        EXPECT_EQ(record.jobs.size(), static_cast<std::size_t>(n));
        EXPECT_EQ(record.threads.size(), static_cast<std::size_t>(n));
        EXPECT_EQ(record.threads.count(std::this_thread::get_id()), 1u);
    }
}

TEST(WorkerPool, RoundsAfterAStopStartTheThreadsAgain) {
    RoundRecord first;
    run_round(3, first);
    stop_worker_pool();
    RoundRecord second;
    EXPECT_EQ(run_round(3, second), 3);
    EXPECT_EQ(second.jobs.size(), 3u);
    stop_worker_pool();
}

TEST(WorkerPool, ThreadCountSetAndReset) {
    set_parallel_threads(5);
    EXPECT_EQ(parallel_threads(), 5);
    set_parallel_threads(100000);
    EXPECT_EQ(parallel_threads(), k_max_threads);
    set_parallel_threads(0);
    EXPECT_EQ(parallel_threads(), std::max(1, static_cast<int>(std::thread::hardware_concurrency())));
}

}  // namespace
}  // namespace kj::vm
