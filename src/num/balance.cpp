#include "num/balance.h"

#include <cmath>

namespace kj::num {

void balance_matrix(double* a, double* d, int n) {
    constexpr double radix = 2.0;
    for (int i = 0; i < n; ++i) d[i] = 1.0;
    bool done = false;
    while (!done) {
        done = true;
        for (int i = 0; i < n; ++i) {
            double r = 0, c = 0;
            for (int j = 0; j < n; ++j) {
                if (j == i) continue;
                c += std::fabs(a[j * n + i]);
                r += std::fabs(a[i * n + j]);
            }
            if (c == 0 || r == 0) continue;
            double g = r / radix, f = 1.0;
            const double s = c + r;
            while (c < g) {
                f *= radix;
                c *= radix * radix;
            }
            g = r * radix;
            while (c > g) {
                f /= radix;
                c /= radix * radix;
            }
            if ((c + r) / f < 0.95 * s) {
                done = false;
                d[i] *= f;
                for (int j = 0; j < n; ++j) a[i * n + j] /= f;
                for (int j = 0; j < n; ++j) a[j * n + i] *= f;
            }
        }
    }
}

}  // namespace kj::num
