#include "runtime/random_record.h"

#include "num/random/generator_state.h"
#include "runtime/run_context.h"

namespace kj::runtime {

namespace {
RandomRecord g_process;
KjRanLockerFn g_locker = nullptr;
}  // namespace

RandomRecord& random_record() {
    RandomRecord* in_use = run_context().random;
    return in_use ? *in_use : g_process;
}

KjRanState& global_ran_state() { return g_process.state; }

void set_ran_locker(KjRanLockerFn fn) { g_locker = fn; }

// A worker of a parallel loop draws from its own record only.
RanLock::RanLock(bool marks_use) : m_locked(g_locker != nullptr && !run_context().parallel_worker) {
    RandomRecord& record = random_record();
    m_state = &record.state;
    if (m_locked) {
        KjRanState* s = g_locker(1);
        if (s) m_state = s;
    }
    if (m_state->lcg31_x == 0) num::ran_reset(*m_state);
    if (record.derive_pending) {
        record.derive_pending = false;
        m_state->spare_flag = 0;
        if (m_state->derive) m_state->derive(m_state, &record.master, record.derive_index);
    }
    if (marks_use) record.used = true;
}

RanLock::~RanLock() {
    if (m_locked && g_locker) g_locker(0);
}

void ran_loop_seed(int i, int mode) {
    RandomRecord& r = random_record();
    if (mode == -1) {
        if (!r.master_saved) {
            r.master = r.state;
            r.master_saved = true;
            r.used = false;
        }
        r.derive_pending = false;
    } else if (mode == 0) {
        // Derived by the first routine that takes the state (RanLock).
        r.derive_pending = true;
        r.derive_index = i;
    } else if (mode == 1) {
        r.derive_pending = false;
        if (r.master_saved) {
            r.state = r.master;
            r.master_saved = false;
        }
        if (r.used) {
            for (int k = 0; k < 256; ++k) r.state.int_draw(&r.state);
            r.used = false;
        }
    }
}

void ran_loop_reset() {
    RandomRecord& r = random_record();
    r.master_saved = false;
    r.derive_pending = false;
}

}  // namespace kj::runtime
