#include "vm/worker_pool.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace kj::vm {

namespace {

struct Pool {
    std::mutex mutex;
    std::condition_variable start;
    std::condition_variable done;
    std::vector<std::thread> threads;            // pool thread i runs job(i + 1)
    const std::function<void(int)>* job = nullptr;
    int taking_part = 0;                         // jobs of the round, the caller's included
    int running = 0;                             // pool threads still in the round's job
    uint64_t round = 0;
    bool stopping = false;
    // A host that never calls KjMainExit: the threads are joined at exit.
    ~Pool() {
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        start.notify_all();
        for (std::thread& t : threads) t.join();
    }
};

Pool g_pool;
std::atomic<int> g_threads{0};  // 0: one per core

void pool_thread(int index, uint64_t seen) {
    std::unique_lock lock(g_pool.mutex);
    for (;;) {
        g_pool.start.wait(lock, [&] { return g_pool.stopping || g_pool.round != seen; });
        if (g_pool.stopping) return;
        seen = g_pool.round;
        if (index >= g_pool.taking_part) continue;
        const std::function<void(int)>* job = g_pool.job;
        lock.unlock();
        (*job)(index);
        lock.lock();
        if (--g_pool.running == 0) g_pool.done.notify_all();
    }
}

}  // namespace

int parallel_threads() {
    const int set = g_threads.load(std::memory_order_relaxed);
    if (set > 0) return set;
    const unsigned cores = std::thread::hardware_concurrency();
    return std::clamp(static_cast<int>(cores), 1, k_max_threads);
}

void set_parallel_threads(int n) { g_threads.store(n < 1 ? 0 : std::min(n, k_max_threads), std::memory_order_relaxed); }

int run_on_threads(int n, const std::function<void(int)>& job) {
    {
        std::lock_guard lock(g_pool.mutex);
        while (static_cast<int>(g_pool.threads.size()) < n - 1) {
            try {
                const int index = static_cast<int>(g_pool.threads.size()) + 1;
                g_pool.threads.emplace_back(pool_thread, index, g_pool.round);
            } catch (const std::system_error&) {
                break;
            }
        }
        n = std::min(n, static_cast<int>(g_pool.threads.size()) + 1);
        g_pool.job = &job;
        g_pool.taking_part = n;
        g_pool.running = n - 1;
        ++g_pool.round;
    }
    g_pool.start.notify_all();
    job(0);
    std::unique_lock lock(g_pool.mutex);
    g_pool.done.wait(lock, [] { return g_pool.running == 0; });
    g_pool.job = nullptr;
    return n;
}

void stop_worker_pool() {
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(g_pool.mutex);
        g_pool.stopping = true;
        threads.swap(g_pool.threads);
    }
    g_pool.start.notify_all();
    for (std::thread& t : threads) t.join();
    std::lock_guard lock(g_pool.mutex);
    g_pool.stopping = false;
}

}  // namespace kj::vm
