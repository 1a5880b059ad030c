// Sums of the form Σ_i w_i v_i with Poisson weights w_i = e^-h h^i / i!, the
// shape of the non-central chi-squared and F distribution functions. The sum
// starts at the mode k = ⌊h⌋ and runs forward and backward from it, so that no
// weight underflows before the terms that matter; the v_i follow from v_k by
// v_(i+1) = v_i ∓ g_i with g_(i+1) = g_i · ratio(a_i), a_i = base + i (the
// recurrences of the incomplete gamma and beta functions in their first
// parameter). At most 200000 terms on each side.
#pragma once

#include <algorithm>
#include <cmath>

namespace kj::num {

// make_start(a_k, &v_k, &g_k) gives the first term's v and step at a_k = base + k;
// `upper` sums the upper tails (v grows by g forward).
template <class Start, class Ratio>
double poisson_mixture(double h, double base, bool upper, Start make_start, Ratio ratio) {
    const double k = std::floor(std::min(h, 1e15));
    const double w0 = std::exp(k * std::log(h) - h - std::lgamma(k + 1));
    double v0, g0;
    make_start(base + k, &v0, &g0);
    double sum = 0, w = w0, g = g0, v = v0;
    for (int i = 0; i < 200000; ++i) {
        const double term = w * v;
        sum += term;
        v += upper ? g : -g;
        g *= ratio(base + k + i);
        w *= h / (k + i + 1);
        // Past the mode the weights fall geometrically; v stays below 1.
        if (k + i > h && (std::fabs(term) <= 1e-17 * sum || w == 0)) break;
    }
    w = w0, g = g0, v = v0;
    for (double i = k - 1; i >= 0 && i > k - 200000; i -= 1) {
        g /= ratio(base + i);
        v += upper ? -g : g;
        w *= (i + 1) / h;
        const double term = w * v;
        sum += term;
        if (std::fabs(term) <= 1e-17 * sum || !std::isfinite(g)) break;
    }
    return std::min(1.0, std::max(0.0, sum));
}

}  // namespace kj::num
