// Inversion of a continuous distribution function by Newton steps kept
// inside a shrinking bracket (bisection when a step leaves it), with a fixed
// bound on the number of steps. Below the median it solves F(x) = p, above
// it Q(x) = 1 - p with the directly computed tail, so both ends keep their
// relative accuracy.
#pragma once

#include <cmath>
#include <limits>

namespace kj::num {

// prob(x, upper) gives F(x) or 1 - F(x); dens(x) the density. The root lies
// in [lo, hi] (either may be infinite); x0 is the start.
template <class Prob, class Dens>
double invert_distribution(double p, Prob prob, Dens dens, double x0, double lo, double hi) {
    const bool upper = p > 0.5;
    const double target = upper ? 1 - p : p;
    auto g = [&](double x) { return upper ? target - prob(x, true) : prob(x, false) - target; };
    double x = x0;
    if (!(x > lo && x < hi) || !std::isfinite(x)) x = std::isfinite(lo) && std::isfinite(hi) ? 0.5 * (lo + hi) : (std::isfinite(lo) ? lo + 1 : (std::isfinite(hi) ? hi - 1 : 0));
    for (int it = 0; it < 300; ++it) {
        const double gx = g(x);
        if (std::isnan(gx)) return gx;
        if (gx == 0) return x;
        if (gx < 0) lo = x;
        else hi = x;
        const double fx = dens(x);
        double next = fx > 0 ? x - gx / fx : std::numeric_limits<double>::quiet_NaN();
        if (!(next > lo && next < hi)) {
            // Bisection, geometric on a positive bracket that spans many scales.
            if (!std::isfinite(hi)) next = x > 0 ? 2 * x + 1 : (x < 0 ? x / 2 + 1 : 1);
            else if (!std::isfinite(lo)) next = x < 0 ? 2 * x - 1 : (x > 0 ? x / 2 - 1 : -1);
            else if (lo > 0 && hi > 4 * lo) next = std::sqrt(lo * hi);
            else if (lo == 0 && hi > 0) next = hi / 16;
            else next = 0.5 * (lo + hi);
            if (!(next > lo && next < hi)) return x;
        }
        if (std::fabs(next - x) <= 2e-16 * std::fabs(x) || next == x) return next;
        x = next;
    }
    return x;
}

}  // namespace kj::num
