// The random-number record a run draws from: the generator state, and the
// master that loop seeding derives each iteration's state from. The run
// context names the record in use (the process's when it names none); a
// host's locker (SetRanLocker), while installed, supplies the state instead.
// The generators themselves work on a state they are given (num/random/).
#pragma once

#include <kj80x.h>

namespace kj::runtime {

struct RandomRecord {
    KjRanState state{};
    KjRanState master{};        // the state at the start of a seeded loop
    bool master_saved = false;
    bool used = false;          // drawn from, or seeded, since the loop started
    // The iteration whose state is still to be derived from the master: an
    // iteration that draws nothing does not pay for the derivation.
    bool derive_pending = false;
    int derive_index = 0;
};

// The run context's record, else the process's.
RandomRecord& random_record();
// The state of the process's record.
KjRanState& global_ran_state();
void set_ran_locker(KjRanLockerFn fn);

// The state a routine works on: the locker's (or that of the record in use)
// from construction to destruction. Every draw and seed change marks the
// record as used; selection does not.
class RanLock {
public:
    explicit RanLock(bool marks_use = true);
    ~RanLock();
    RanLock(const RanLock&) = delete;
    RanLock& operator=(const RanLock&) = delete;
    KjRanState& state() const { return *m_state; }

private:
    KjRanState* m_state;
    bool m_locked;
};

// Loop seeding: mode -1 loop start, 0 before the iteration with loop value i,
// 1 loop end.
void ran_loop_seed(int i, int mode);
// Forgets a master left by a run that ended inside a loop.
void ran_loop_reset();

}  // namespace kj::runtime
