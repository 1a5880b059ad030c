// The uniform generators behind the state record: each generator is a set of
// slot functions that read and write only its own fields of the record.
#pragma once

#include <kj80x.h>

#include <cstdint>

namespace kj::num {

struct Generator {
    const char* name;  // the reported name
    KjRanIntFn int_draw;
    KjRanDoubleFn uniform;
    KjRanDoubleFn normal;
    KjRanFillFn fill_uniform;
    KjRanFillFn fill_normal;
    KjRanSetSeedFn set_seed;
    KjRanGetSeedFn get_seed;
    KjRanDeriveFn derive;
};

extern const Generator k_lcg31;    // "PM"
extern const Generator k_mwc60;    // "GM"
extern const Generator k_lfsr113;  // "LE"
extern const Generator k_mwc32;    // "MWC_32"
extern const Generator k_mwc52;    // "MWC_52", the default

// Default seeds of the generators.
constexpr uint32_t k_lcg31_default = 198195252;
constexpr uint32_t k_mwc60_default_z = 362436069, k_mwc60_default_w = 521288629;
constexpr uint32_t k_lfsr113_default[4] = {112, 1118, 11126, 111238};
constexpr uint32_t k_mwc_default_i = 255, k_mwc_default_c = 362436;

// The table rule: from start value s, the non-zero values of
// s <- 1664525 s + 1013904223 (mod 2^32) fill q[0..255] in order.
void table_rule(uint32_t s, uint32_t* q);

// Polar normals and the matrix fills that repeat the scalar slots, shared by
// the generators without an open-coded fill and by caller generators.
double polar_normal(KjRanState* s);
void generic_fill_uniform(KjRanState* s, double* x, std::size_t n);
void generic_fill_normal(KjRanState* s, double* x, std::size_t n);

// Ziggurat tables of a record (abscissae and ratios).
void ziggurat_tables(KjRanState& s);

}  // namespace kj::num
