// Exported generator routines: each works on the state of the installed
// locker (without one, on the record in use: random_record.h).
#include <kj80x.h>

#include "num/random/generator.h"
#include "num/random/generator_state.h"
#include "runtime/random_record.h"

using kj::runtime::RanLock;

namespace {

// Fills the r x c block row by row (one contiguous run when the rows are).
double** fill_block(double** m, int r, int c, bool normal) {
    if (!m || r <= 0 || c <= 0) return m;
    RanLock lock;
    KjRanState& s = lock.state();
    const KjRanFillFn fill = normal ? s.fill_normal : s.fill_uniform;
    bool contiguous = true;
    for (int i = 1; i < r && contiguous; ++i) contiguous = m[i] == m[0] + static_cast<std::size_t>(i) * c;
    if (contiguous)
        fill(&s, m[0], static_cast<std::size_t>(r) * c);
    else
        for (int i = 0; i < r; ++i) fill(&s, m[i], static_cast<std::size_t>(c));
    return m;
}

}  // namespace

extern "C" {

double DRanU(void) {
    RanLock lock;
    return kj::num::ran_u(lock.state());
}

uint32_t IRanU(void) {
    RanLock lock;
    return kj::num::ran_int(lock.state());
}

double DRanNormal(void) {
    RanLock lock;
    return kj::num::ran_n(lock.state());
}

double DRanNormalPM(void) {
    RanLock lock;
    return kj::num::polar_normal(&lock.state());
}

double** MatRan(double** m, int r, int c) { return fill_block(m, r, c, false); }
double** MatRann(double** m, int r, int c) { return fill_block(m, r, c, true); }

void RanSetSeed(const int* seed, int n) {
    RanLock lock;
    KjRanState& s = lock.state();
    if (s.set_seed) s.set_seed(&s, seed, seed ? n : 0);
    s.spare_flag = 0;
}

int RanGetSeed(int* seed, int n) {
    RanLock lock(false);
    KjRanState& s = lock.state();
    return s.get_seed ? s.get_seed(&s, seed, n) : 0;
}

void RanSetRan(const char* name) {
    if (!name || !*name) return;
    RanLock lock(false);
    kj::num::ran_select(lock.state(), name);
}

void RanNewRNG(KjRanIntFn int_draw, KjRanSetSeedFn set_seed, KjRanGetSeedFn get_seed, KjRanDeriveFn derive) {
    if (!int_draw) return;
    RanLock lock(false);
    kj::num::ran_install(lock.state(), int_draw, set_seed, get_seed, derive);
}

void RanInit(KjRanState* s) {
    if (s) {
        kj::num::ran_reset(*s);
        return;
    }
    kj::runtime::RandomRecord& r = kj::runtime::random_record();
    if (r.derive_pending) RanLock settle(false);  // the iteration's state first
    KjRanState& g = r.state;
    if (g.lcg31_x != 0 && kj::num::ran_is_mwc(g)) return;
    kj::num::ran_reset(g);
}

void SetRanLocker(KjRanLockerFn fn) { kj::runtime::set_ran_locker(fn); }

}  // extern "C"
