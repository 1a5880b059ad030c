// Density estimates by the cosine sum over (windowed) autocorrelations.
#include "num/timeseries/density_estimate.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "num/timeseries/autocorrelation.h"

namespace kj::num {

int density_points(int T, int points) { return points > 0 ? points : T / 2 + 1; }

void density_from_acf(double* r, int T, int m, int points, double* result, bool window) {
    if (window && m > 0)
        for (int k = 0; k <= m; ++k) {
            const double u = static_cast<double>(k) / m;
            r[k] *= 2 * k <= m ? 1 - 6 * u * u + 6 * u * u * u : 2 * (1 - u) * (1 - u) * (1 - u);
        }
    const int n = density_points(T, points);
    const double step = points > 0 ? (points > 1 ? std::numbers::pi / (points - 1) : 0) : 2 * std::numbers::pi / T;
    for (int j = 0; j < n; ++j) {
        const double w = step * j;
        const double cw = std::cos(w), sw = std::sin(w);
        double c = 1, s = 0, sum = 0;
        for (int k = 1; k <= m; ++k) {
            const double c1 = c * cw - s * sw;
            s = s * cw + c * sw;
            c = c1;
            sum += r[k] * c;
        }
        result[j] = (r[0] + 2 * sum) / (2 * std::numbers::pi);
    }
    if (!window && m == T - 1 && points <= 0 && n > 0) result[0] = 0;
}

bool density_estimate(const double* x, int T, int m, int points, double* result, int mode) {
    if (T < 2) return false;
    if (mode == 0 || m < 1 || m > T - 1) m = T - 1;
    std::vector<double> r(static_cast<std::size_t>(m) + 1);
    const int present = acf_series(x, T, m, r.data(), false);
    if (present == 0) return false;
    if (mode == 3) {
        double c0 = 0;
        acf_series(x, T, 0, &c0, true);  // S0 / m
        const double scale = c0 * present / T;
        for (double& v : r) v *= scale;
    }
    density_from_acf(r.data(), T, m, points, result, mode >= 2);
    return true;
}

}  // namespace kj::num
