// "GM": two 16-bit multiply-with-carry generators combined into 32 bits.
#include "num/random/generator.h"

namespace kj::num {
namespace {

uint32_t mwc60_int(KjRanState* s) {
    s->mwc60_z = 36969 * (s->mwc60_z & 0xFFFF) + (s->mwc60_z >> 16);
    s->mwc60_w = 18000 * (s->mwc60_w & 0xFFFF) + (s->mwc60_w >> 16);
    return (s->mwc60_z << 16) + (s->mwc60_w & 0xFFFF);
}

double mwc60_uniform(KjRanState* s) { return mwc60_int(s) * 2.32830643708e-10; }

void mwc60_set_seed(KjRanState* s, const int* seed, int n) {
    if (!seed || n <= 0 || seed[0] == 0) {
        s->mwc60_z = k_mwc60_default_z;
        s->mwc60_w = k_mwc60_default_w;
    } else if (n == 1) {
        s->mwc60_z = s->mwc60_w = static_cast<uint32_t>(seed[0]);
    } else if (n == 2) {
        s->mwc60_z = static_cast<uint32_t>(seed[0]);
        s->mwc60_w = static_cast<uint32_t>(seed[1]);
    }
}

int mwc60_get_seed(KjRanState* s, int* seed, int n) {
    if (seed && n >= 1) seed[0] = static_cast<int>(s->mwc60_z);
    if (seed && n >= 2) seed[1] = static_cast<int>(s->mwc60_w);
    return 2;
}

void no_derive(KjRanState*, const KjRanState*, int) {}

}  // namespace

const Generator k_mwc60 = {"GM",           mwc60_int,      mwc60_uniform,  polar_normal, generic_fill_uniform,
                           generic_fill_normal, mwc60_set_seed, mwc60_get_seed, no_derive};

}  // namespace kj::num
