// "LE": the four-component combined Tausworthe generator LFSR113
// (L'Ecuyer, Math. Comp. 68, 1999).
#include "num/random/generator.h"

namespace kj::num {
namespace {

uint32_t lfsr113_int(KjRanState* s) {
    uint32_t* z = s->lfsr113_z;
    z[0] = ((z[0] & 0xFFFFFFFEu) << 18) ^ (((z[0] << 6) ^ z[0]) >> 13);
    z[1] = ((z[1] & 0xFFFFFFF8u) << 2) ^ (((z[1] << 2) ^ z[1]) >> 27);
    z[2] = ((z[2] & 0xFFFFFFF0u) << 7) ^ (((z[2] << 13) ^ z[2]) >> 21);
    z[3] = ((z[3] & 0xFFFFFF80u) << 13) ^ (((z[3] << 3) ^ z[3]) >> 12);
    return z[0] ^ z[1] ^ z[2] ^ z[3];
}

double lfsr113_uniform(KjRanState* s) { return lfsr113_int(s) * 2.3283064365387e-10; }

void set_defaults(uint32_t* z) {
    for (int k = 0; k < 4; ++k) z[k] = k_lfsr113_default[k];
}

// Each component needs a minimum of set bits; smaller values are raised.
void repair(uint32_t* z) {
    if (z[0] < 2) z[0] += 111;
    if (z[1] < 8) z[1] += 1111;
    if (z[2] < 16) z[2] += 11111;
    if (z[3] < 128) z[3] += 111111;
}

void lfsr113_set_seed(KjRanState* s, const int* seed, int n) {
    uint32_t* z = s->lfsr113_z;
    if (!seed || n <= 0 || seed[0] == 0) {
        set_defaults(z);
    } else if (n == 1) {
        uint32_t v = static_cast<uint32_t>(seed[0]);
        if (v < 127) v = 127;
        for (int k = 0; k < 4; ++k) z[k] = v;
    } else if (n == 4) {
        for (int k = 0; k < 4; ++k) z[k] = static_cast<uint32_t>(seed[k]);
        repair(z);
    }
}

int lfsr113_get_seed(KjRanState* s, int* seed, int n) {
    for (int k = 0; seed && k < n && k < 4; ++k) seed[k] = static_cast<int>(s->lfsr113_z[k]);
    return 4;
}

// Iteration i of a loop starts from the master offset and scaled by k = i + 1.
void lfsr113_derive(KjRanState* s, const KjRanState* master, int i) {
    const uint32_t k = static_cast<uint32_t>(i) + 1;
    const uint32_t* m = master->lfsr113_z;
    uint32_t* z = s->lfsr113_z;
    z[0] = k + m[0];
    if (z[0] == 0) {
        set_defaults(z);
        return;
    }
    z[1] = m[1] * k;
    z[2] = k + m[2];
    z[3] = m[3] * k;
    repair(z);
}

}  // namespace

const Generator k_lfsr113 = {"LE",           lfsr113_int,      lfsr113_uniform,  polar_normal, generic_fill_uniform,
                             generic_fill_normal, lfsr113_set_seed, lfsr113_get_seed, lfsr113_derive};

}  // namespace kj::num
