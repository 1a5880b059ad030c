// The generator state record as a whole: defaults, selection by name, the
// reported name, caller generators, and the global record with its locker,
// used flag and loop master.
#pragma once

#include <kj80x.h>

namespace kj::num {

// Every field to its default and "MWC_52" selected.
void ran_reset(KjRanState& s);
// Selects a generator by name (any name not in the table selects "MWC_52");
// clears the spare flag, and sets the defaults first in a record never set up.
void ran_select(KjRanState& s, const char* name);
// The reported name of the active generator ("?" for a caller's generator).
const char* ran_name(const KjRanState& s);
// Installs a caller's generator: its uniform is the integer draw times 2^-32.
void ran_install(KjRanState& s, KjRanIntFn int_draw, KjRanSetSeedFn set_seed, KjRanGetSeedFn get_seed,
                 KjRanDeriveFn derive);
// Whether the active integer draw is the lag-table one of the MWC generators.
bool ran_is_mwc(const KjRanState& s);

// Draws through the slots.
inline double ran_u(KjRanState& s) { return s.uniform(&s); }
inline double ran_n(KjRanState& s) { return s.normal(&s); }
inline uint32_t ran_int(KjRanState& s) { return s.int_draw(&s); }

KjRanState& global_ran_state();
void set_ran_locker(KjRanLockerFn fn);

// The record a routine works on: the locker's (or the global one) from
// construction to destruction. Every draw and seed change marks the record
// set as used; selection does not.
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

}  // namespace kj::num
