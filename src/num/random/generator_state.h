// The generator state record as a whole: defaults, selection by name, the
// reported name and caller generators. Which record a run draws from is the
// run's (runtime/random_record.h).
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

}  // namespace kj::num
