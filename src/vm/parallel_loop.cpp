#include "vm/parallel_loop.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "num/blas_library.h"
#include "num/inner_threads.h"
#include "runtime/host.h"
#include "runtime/messages.h"
#include "runtime/random_record.h"
#include "runtime/run_context.h"
#include "runtime/run_error.h"
#include "value/matrix_cache.h"
#include "vm/worker_pool.h"

namespace kj::vm {

namespace {

// --- the serial lock ---------------------------------------------------------

std::recursive_mutex g_serial;
thread_local int t_serial_depth = 0;  // times the thread holds the lock

void release_serial_lock() {
    for (; t_serial_depth > 0; --t_serial_depth) g_serial.unlock();
}

// --- workers that KjRunAbort reaches -----------------------------------------

// Engines of a round live here, so that an abort from another thread or a
// signal handler never writes to a stack frame that has gone. Each has cache
// lines of its own: a worker writes its registers all the time.
struct alignas(64) WorkerEngine {
    Engine e;
};
WorkerEngine g_engines[k_max_threads];
std::atomic<bool> g_in_round[k_max_threads];
std::atomic<int> g_aborting{0};  // aborts now setting workers' requests

// --- output of the iterations --------------------------------------------------

// What an iteration writes, kept in order: text for the output, or lines for
// the message channel (warnings).
struct Piece {
    bool message;
    std::string text;
};

struct IterationOutput {
    int64_t iteration;
    std::vector<Piece> pieces;
};

class BufferSink : public runtime::PrintSink {
public:
    void write(const char* text, std::size_t len) override {
        if (m_pieces.empty() || m_pieces.back().message) m_pieces.push_back({false, {}});
        m_pieces.back().text.append(text, len);
    }
    bool message(const char* text) override {
        m_pieces.push_back({true, text});
        return true;
    }
    // The iteration's pieces, if any, join `done`.
    void close(int64_t iteration, std::vector<IterationOutput>& done) {
        if (m_pieces.empty()) return;
        done.push_back({iteration, std::move(m_pieces)});
        m_pieces.clear();
    }

private:
    std::vector<Piece> m_pieces;
};

// --- a round ---------------------------------------------------------------------

struct Failure {
    int64_t failed = -1;  // the lowest iteration that failed, -1 none
    int code = 0;
};

struct Round {
    Engine* origin;
    runtime::RunContext* origin_context;
    int64_t count;
    int64_t chunk;
    IterationFn fn;
    const void* loop;
    runtime::RandomRecord random;  // the origin's record at the loop's head
    int cache_size, cache_limit;
    std::atomic<int64_t> next{0};
    std::atomic<int64_t> stop_at;  // iterations from here on are not started
    std::mutex failure_mutex;
    Failure failure;
    std::vector<std::vector<IterationOutput>> output;  // by thread
    std::vector<char> drew;                             // by thread: random numbers drawn
};

void fail(Round& r, int64_t n, int code) {
    std::lock_guard lock(r.failure_mutex);
    if (r.failure.failed >= 0 && r.failure.failed <= n) return;
    r.failure = {n, code};
    r.stop_at.store(n, std::memory_order_relaxed);
}

// A worker's engine: the origin's stack up to its top.
bool make_worker(Engine& w, Engine& origin) {
    if (origin.index(origin.sp) + 1 >= origin.capacity || !create_engine(w, origin.capacity, false)) return false;
    {
        // Workers that are already running store serial variables into the
        // origin's slots under this lock: copy none half-written.
        const std::lock_guard lock(g_serial);
        copy_stack(w, origin);
    }
    w.origin = &origin;
    w.shared = origin.index(origin.sp) + 1;
    return true;
}

// Runs one iteration; false when it failed.
bool run_iteration(Round& r, Engine& w, int64_t n) {
    Value* const top = w.sp;
    Value* const ap = w.ap;
    Value* const bp = w.bp;
    int code = -1;
    try {
        r.fn(w, n, r.loop);
        return true;
    } catch (const runtime::RunError& err) {
        code = err.code;
    } catch (const std::bad_alloc&) {
        code = runtime::E_OutOfMemory;
    } catch (...) {
        code = runtime::E_RunTime;
    }
    release_serial_lock();
    fail(r, n, code);
    pop_to(w, top);
    w.ap = ap;
    w.bp = bp;
    return false;
}

void run_worker(Round& r, int thread) {
    value::MatrixCache cache;
    cache.size = r.cache_size;
    cache.limit = r.cache_limit;
    value::mat_cache_init(&cache);
    runtime::RandomRecord random = r.random;
    BufferSink sink;
    runtime::RunContext context = *r.origin_context;
    context.engine = nullptr;
    context.native_function = nullptr;
    context.matrix_cache = &cache;
    context.random = &random;
    context.print_sink = &sink;
    context.parallel_worker = true;
    const runtime::RunContextScope in_context(context);

    Engine& w = g_engines[thread].e;
    if (!make_worker(w, *r.origin)) {
        fail(r, std::min(r.next.load(), r.count - 1), runtime::E_OutOfMemory);
    } else {
        g_in_round[thread].store(true);
        {
            const CurrentEngineScope current(w);
            w.running = 1;
            // Claims run in increasing order: once an iteration is at or past
            // the lowest failure, so is every later one.
            for (bool more = true; more;) {
                const int64_t first = r.next.fetch_add(r.chunk, std::memory_order_relaxed);
                const int64_t last = std::min(first + r.chunk, r.count);
                more = first < r.count;
                for (int64_t n = first; more && n < last; ++n) {
                    more = n < r.stop_at.load(std::memory_order_relaxed) && !abort_requested(*r.origin);
                    if (!more) break;
                    run_iteration(r, w, n);
                    sink.close(n, r.output[thread]);
                }
            }
            w.running = 0;
        }
        g_in_round[thread].store(false);
        // An abort that saw this worker in the round may still be writing to
        // its engine: the record is cleared only after it has finished.
        while (g_aborting.load() != 0) std::this_thread::yield();
        destroy_engine(w);
    }
    r.drew[thread] = random.used;
    value::mat_cache_destroy(&cache);
}

// The output of iterations below `end`, in iteration order.
void write_output(Round& r, int64_t end) {
    std::vector<IterationOutput> all;
    for (auto& part : r.output)
        for (auto& o : part)
            if (o.iteration < end) all.push_back(std::move(o));
    std::sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.iteration < b.iteration; });
    for (const IterationOutput& o : all)
        for (const Piece& p : o.pieces) {
            if (p.message)
                runtime::run_message(p.text.c_str());
            else
                runtime::output(p.text);
        }
}

// Runs the failing iteration again on the calling thread, on a worker's
// engine whose errors are reported: the report and its trace are a serial
// run's. Returns when the iteration does not fail a second time.
void run_again(Engine& e, int64_t n, IterationFn fn, const void* loop) {
    Engine w;
    if (!make_worker(w, e)) runtime::raise_run_error(runtime::E_OutOfMemory);
    struct Destroy {
        Engine& w;
        ~Destroy() { destroy_engine(w); }
    } destroy{w};
    const CurrentEngineScope current(w);
    w.running = 1;
    try {
        fn(w, n, loop);
    } catch (...) {
        release_serial_lock();
        throw;
    }
}

// While a round runs the cores are the round's: the library's own kernels
// and the BLAS keep to one thread each.
class OneThreadKernels {
public:
    OneThreadKernels() : m_inner(num::set_inner_threads_allowed(false)), m_blas(num::set_blas_threads(1)) {}
    ~OneThreadKernels() {
        num::set_inner_threads_allowed(m_inner);
        if (m_blas > 1) num::set_blas_threads(m_blas);
    }
    OneThreadKernels(const OneThreadKernels&) = delete;
    OneThreadKernels& operator=(const OneThreadKernels&) = delete;

private:
    bool m_inner;
    int m_blas;
};

}  // namespace

void run_parallel_iterations(Engine& e, int64_t count, int threads, IterationFn fn, const void* loop) {
    if (count <= 0) return;
    threads = static_cast<int>(std::clamp<int64_t>(threads, 1, std::min<int64_t>(count, k_max_threads)));
    Round r;
    r.origin = &e;
    r.origin_context = &runtime::run_context();
    r.count = count;
    // Small chunks balance iterations of uneven cost; a few per claim keep
    // the shared counter cool.
    r.chunk = std::clamp<int64_t>(count / (static_cast<int64_t>(threads) * 16), 1, 64);
    r.fn = fn;
    r.loop = loop;
    runtime::RandomRecord& random = runtime::random_record();
    r.random = random;
    const value::MatrixCache& cache = value::global_cache();
    r.cache_size = cache.size;
    r.cache_limit = cache.limit;
    r.stop_at.store(count);
    r.output.resize(static_cast<std::size_t>(threads));
    r.drew.assign(static_cast<std::size_t>(threads), 0);
    {
        const OneThreadKernels one_thread;
        run_on_threads(threads, [&r](int thread) {
            try {
                run_worker(r, thread);
            } catch (...) {
                // Out of memory for the worker's own records: the loop fails
                // where this worker stood.
                fail(r, std::min(r.next.load(), r.count - 1), runtime::E_OutOfMemory);
            }
        });
    }
    for (const char d : r.drew)
        if (d) random.used = true;
    const int64_t failed = r.failure.failed;
    write_output(r, failed >= 0 ? failed : count);
    if (abort_requested(e)) runtime::raise_run_error(runtime::E_UserAbort);
    if (failed < 0) return;
    run_again(e, failed, fn, loop);
    // Not again (an abort meanwhile, say): the error as it was.
    runtime::raise_run_error(r.failure.code);
}

void serial_marker(int k) {
    if (k > 0) {
        g_serial.lock();
        ++t_serial_depth;
    } else if (k < 0 && t_serial_depth > 0) {
        --t_serial_depth;
        g_serial.unlock();
    }
}

void load_origin_slot(Value& top, const Value& slot) {
    const std::lock_guard lock(g_serial);
    if (value::is_null(slot)) runtime::raise_run_error(runtime::E_NoValue);
    value::release(top);
    value::duplicate(top, slot);
}

void store_origin_slot(Value& slot, const Value& top) {
    const std::lock_guard lock(g_serial);
    Value copy{};
    value::duplicate(copy, top);
    value::assign(slot, copy);
    value::release(copy);
}

void refuse_on_worker(std::string_view text) {
    const std::string line = "Runtime error: " + std::string(text);
    runtime::raise_run_error_message(line.c_str());
}

void refuse_global_store(const value::NamedValue& global) {
    refuse_on_worker(std::string("'") + (global.name ? global.name : "?") +
                     "' is a global variable: a parallel loop cannot assign it");
}

void refuse_serial_call(std::string_view name) {
    refuse_on_worker("'" + std::string(name) + "' is serial: a parallel loop cannot call it");
}

void abort_parallel_workers() {
    // Atomics only: a signal handler may be the caller.
    g_aborting.fetch_add(1);
    for (int i = 0; i < k_max_threads; ++i)
        if (g_in_round[i].load()) set_abort_request(g_engines[i].e, 1);
    g_aborting.fetch_sub(1);
}

}  // namespace kj::vm
