// The polar method (Marsaglia and Bray) for the generators without a
// ziggurat, with the second normal of each pair kept in the record; and the
// matrix fills that repeat the scalar slots.
#include <cmath>

#include "num/random/generator.h"

namespace kj::num {

double polar_normal(KjRanState* s) {
    if (s->spare_flag) {
        s->spare_flag = 0;
        return s->spare;
    }
    double u1, u2, q;
    do {
        u1 = 2 * s->uniform(s) - 1;
        u2 = 2 * s->uniform(s) - 1;
        q = u1 * u1 + u2 * u2;
    } while (q >= 1 || q == 0);
    const double f = std::sqrt(-2 * std::log(q) / q);
    s->spare = u2 * f;
    s->spare_flag = 1;
    return u1 * f;
}

void generic_fill_uniform(KjRanState* s, double* x, std::size_t n) {
    const KjRanDoubleFn u = s->uniform;
    for (std::size_t j = 0; j < n; ++j) x[j] = u(s);
}

void generic_fill_normal(KjRanState* s, double* x, std::size_t n) {
    const KjRanDoubleFn z = s->normal;
    for (std::size_t j = 0; j < n; ++j) x[j] = z(s);
}

void table_rule(uint32_t s, uint32_t* q) {
    for (int k = 0; k < 256;) {
        s = 1664525u * s + 1013904223u;
        if (s != 0) q[k++] = s;
    }
}

}  // namespace kj::num
