// Ziggurat tables and the rejection steps (Marsaglia and Tsang, J. Stat.
// Software 5, 2000, with 128 layers).
#include "num/random/ziggurat.h"

#include "num/random/generator.h"

namespace kj::num {

void ziggurat_tables(KjRanState& s) {
    const double v = 0.00991256303526217;
    const double fr = std::exp(-5.925815736115027);
    double* x = s.zig_x;
    x[0] = v / fr;
    x[1] = k_zig_r;
    for (int k = 2; k < 128; ++k) x[k] = std::sqrt(-2 * std::log(v / x[k - 1] + std::exp(-x[k - 1] * x[k - 1] / 2)));
    x[128] = 0;
    for (int k = 0; k < 128; ++k) s.zig_r[k] = x[k + 1] / x[k];
}

bool ziggurat_slow(KjRanState& s, double u, int k, double* out) {
    if (k == 0) {
        double x, y;
        do {
            x = std::log(s.uniform(&s)) / k_zig_r;
            y = std::log(s.uniform(&s));
        } while (x * x > -2 * y);
        *out = u < 0 ? x - k_zig_r : k_zig_r - x;
        return true;
    }
    const double z = u * s.zig_x[k];
    const double f1 = std::exp(-(s.zig_x[k + 1] * s.zig_x[k + 1] - z * z) / 2);
    const double f0 = std::exp(-(s.zig_x[k] * s.zig_x[k] - z * z) / 2);
    if (s.uniform(&s) * (f0 - f1) + f1 < 1) {
        *out = z;
        return true;
    }
    return false;
}

}  // namespace kj::num
