#include "num/linalg_eps.h"

#include <cmath>

namespace kj::num {

namespace {
double g_eps = k_default_invert_eps;
}

double invert_eps() { return g_eps; }

void set_invert_eps(double eps) {
    if (eps >= 0) g_eps = eps;
}

double invert_eps_norm(double** a, int n) {
    double norm = 0;
    for (int i = 0; i < n; ++i) {
        double s = 0;
        for (int j = 0; j < n; ++j) s += std::fabs(a[i][j]);
        if (s > norm) norm = s;
    }
    return g_eps * norm;
}

}  // namespace kj::num
