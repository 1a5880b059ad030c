// The ziggurat normal sampler of the MWC generators (128 layers). The first
// step (a uniform U in (-1, 1) and a layer k) is the generator's own; the
// rest is shared.
#pragma once

#include <kj80x.h>

#include <cmath>

namespace kj::num {

// The right end of the base layer, also used by the tail.
constexpr double k_zig_r = 3.442619855899;

// Steps after a failed |U| < R[k] test: the tail (k = 0) or the wedge test.
// True with the draw in *out when accepted; false to start again.
bool ziggurat_slow(KjRanState& s, double u, int k, double* out);

// One normal draw; first(s, u, k) draws U and the layer.
template <class First>
inline double ziggurat_draw(KjRanState& s, First first) {
    for (;;) {
        double u;
        int k;
        first(s, u, k);
        if (std::fabs(u) < s.zig_r[k]) return u * s.zig_x[k];
        double z;
        if (ziggurat_slow(s, u, k, &z)) return z;
    }
}

}  // namespace kj::num
