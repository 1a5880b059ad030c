// The threads that run the iterations of parallel loops. The pool starts
// with the first loop that runs on more than one thread and is kept for the
// next ones; stop_worker_pool (from KjMainExit) joins it.
#pragma once

#include <functional>

namespace kj::vm {

// Threads a parallel loop runs on, the calling thread included: the count
// set last, else one per core.
int parallel_threads();
// n < 1 goes back to one per core; at most k_max_threads.
void set_parallel_threads(int n);
constexpr int k_max_threads = 256;

// Runs job(0) on the calling thread and job(1) .. job(n - 1) on threads of
// the pool, and returns when every one has returned; fewer when the system
// gives no further thread. Returns the number of jobs run. job must not throw
// and must not start another round (one round at a time).
int run_on_threads(int n, const std::function<void(int)>& job);

// Joins the pool's threads; the next round starts them again.
void stop_worker_pool();

}  // namespace kj::vm
