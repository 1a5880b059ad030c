#include "num/fuzziness.h"

#include <algorithm>
#include <cmath>

namespace kj::num {

namespace {
double g_fuzziness = 1e-13;
}

double fuzziness() { return g_fuzziness; }

double set_fuzziness(double eps) {
    if (eps > 0) g_fuzziness = eps;
    return g_fuzziness;
}

bool fuzzy_equal(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    if (a == b) return true;
    return std::fabs(a - b) <= g_fuzziness * std::max({1.0, std::fabs(a), std::fabs(b)});
}

double fuzzy_trunc(double x) {
    const double t = std::trunc(x);
    if (!std::isfinite(x) || t == x) return t;
    const double next = t + (x < 0 ? -1.0 : 1.0);
    return fuzzy_equal(x, next) ? next : t;
}

}  // namespace kj::num
