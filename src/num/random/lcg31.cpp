// "PM": the multiplicative congruential generator x <- 48271 x mod (2^31 - 1).
#include "num/random/generator.h"

namespace kj::num {
namespace {

constexpr int64_t k_modulus = 2147483647;

// Schrage's decomposition m = 48271 q + r with q = 44488, r = 3399; the
// quotient x / q comes from the reciprocal 2^46 / q rounded up.
uint32_t lcg31_int(KjRanState* s) {
    const int64_t x = s->lcg31_x;
    const int64_t q = static_cast<int64_t>((static_cast<uint64_t>(x) * 1581746633u) >> (14 + 32));
    const int64_t r = x - q * 44488;
    int64_t next = 48271 * r - 3399 * q;
    if (next < 1) next += k_modulus;
    s->lcg31_x = static_cast<uint32_t>(next);
    return s->lcg31_x;
}

double lcg31_uniform(KjRanState* s) { return lcg31_int(s) * 4.656612875245797e-10; }

void lcg31_set_seed(KjRanState* s, const int* seed, int n) {
    if (!seed || n <= 0 || seed[0] == 0)
        s->lcg31_x = k_lcg31_default;
    else if (seed[0] < 0)
        s->lcg31_x = static_cast<uint32_t>(static_cast<int64_t>(seed[0]) + k_modulus);
    else
        s->lcg31_x = static_cast<uint32_t>(seed[0]);
}

int lcg31_get_seed(KjRanState* s, int* seed, int n) {
    if (seed && n >= 1) seed[0] = static_cast<int>(s->lcg31_x);
    return 1;
}

void no_derive(KjRanState*, const KjRanState*, int) {}

}  // namespace

const Generator k_lcg31 = {"PM",           lcg31_int,      lcg31_uniform,  polar_normal, generic_fill_uniform,
                           generic_fill_normal, lcg31_set_seed, lcg31_get_seed, no_derive};

}  // namespace kj::num
