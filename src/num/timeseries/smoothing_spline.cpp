// Reinsch's algorithm: the interior second derivatives γ solve the
// pentadiagonal system (R + α QᵀW⁻¹Q) γ = Qᵀy, and g = y − α W⁻¹Qγ. The
// smoother's trace comes from the central band of the inverse of that system
// (the Hutchinson-de Hoog recursion).
#include "num/timeseries/smoothing_spline.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

namespace kj::num {

namespace {

// Distinct knots with weights (counts of merged observations) and means.
struct Knots {
    std::vector<double> x, y, w, h;
    int n() const { return static_cast<int>(x.size()); }
};

// One solution for a given α.
struct Solution {
    std::vector<double> g, gamma;  // fitted values at the knots; second derivatives (n, ends 0)
    double trace = 0, rss = 0;
    bool ok = false;
};

Solution solve(const Knots& k, double alpha) {
    const int n = k.n();
    Solution s;
    s.g = k.y;
    s.gamma.assign(static_cast<std::size_t>(n), 0);
    if (n < 3) {
        s.trace = n;
        s.ok = true;
        return s;
    }
    const int m = n - 2;
    const auto& h = k.h;
    // Q column c (knot c + 1): rows c, c + 1, c + 2.
    auto q = [&](int c, int r) {
        if (r == c) return 1 / h[c];
        if (r == c + 1) return -1 / h[c] - 1 / h[c + 1];
        if (r == c + 2) return 1 / h[c + 1];
        return 0.0;
    };
    // B = R + α QᵀW⁻¹Q, bands b0 (diagonal), b1, b2.
    std::vector<double> b0(m), b1(m, 0), b2(m, 0), rhs(m);
    for (int c = 0; c < m; ++c) {
        b0[c] = (h[c] + h[c + 1]) / 3;
        if (c + 1 < m) b1[c] = h[c + 1] / 6;
        for (int d = 0; d <= 2 && c + d < m; ++d) {
            double s2 = 0;
            for (int r = c + d; r <= c + 2; ++r) s2 += q(c, r) * q(c + d, r) / k.w[r];
            (d == 0 ? b0 : d == 1 ? b1 : b2)[c] += alpha * s2;
        }
        rhs[c] = (k.y[c + 2] - k.y[c + 1]) / h[c + 1] - (k.y[c + 1] - k.y[c]) / h[c];
    }
    // LDLᵀ with L unit lower of bandwidth 2.
    std::vector<double> D(m), L1(m, 0), L2(m, 0);
    for (int i = 0; i < m; ++i) {
        double d = b0[i];
        if (i >= 1) d -= L1[i - 1] * L1[i - 1] * D[i - 1];
        if (i >= 2) d -= L2[i - 2] * L2[i - 2] * D[i - 2];
        if (!(d > 0)) return s;
        D[i] = d;
        if (i + 1 < m) {
            double e = b1[i];
            if (i >= 1) e -= L1[i - 1] * L2[i - 1] * D[i - 1];
            L1[i] = e / d;
        }
        if (i + 2 < m) L2[i] = b2[i] / d;
    }
    std::vector<double> z(rhs);
    for (int i = 0; i < m; ++i) {
        if (i >= 1) z[i] -= L1[i - 1] * z[i - 1];
        if (i >= 2) z[i] -= L2[i - 2] * z[i - 2];
    }
    for (int i = 0; i < m; ++i) z[i] /= D[i];
    for (int i = m - 1; i >= 0; --i) {
        if (i + 1 < m) z[i] -= L1[i] * z[i + 1];
        if (i + 2 < m) z[i] -= L2[i] * z[i + 2];
    }
    for (int c = 0; c < m; ++c) s.gamma[c + 1] = z[c];
    for (int r = 0; r < n; ++r) {
        double qg = 0;
        for (int c = std::max(0, r - 2); c <= std::min(m - 1, r); ++c) qg += q(c, r) * z[c];
        s.g[r] = k.y[r] - alpha * qg / k.w[r];
    }
    // Central band of S = B⁻¹.
    std::vector<double> s0(m), s1(m, 0), s2(m, 0);
    for (int i = m - 1; i >= 0; --i) {
        const double l1 = i + 1 < m ? L1[i] : 0, l2 = i + 2 < m ? L2[i] : 0;
        const double s11 = i + 1 < m ? s0[i + 1] : 0, s12 = i + 1 < m ? s1[i + 1] : 0;
        const double s22 = i + 2 < m ? s0[i + 2] : 0;
        s2[i] = -l1 * s12 - l2 * s22;
        s1[i] = -l1 * s11 - l2 * s12;
        s0[i] = 1 / D[i] - l1 * s1[i] - l2 * s2[i];
    }
    auto band = [&](int a, int b) {
        if (a > b) std::swap(a, b);
        return b - a == 0 ? s0[a] : b - a == 1 ? s1[a] : b - a == 2 ? s2[a] : 0.0;
    };
    double tr = 0, rss = 0;
    for (int r = 0; r < n; ++r) {
        double v = 0;
        for (int c = std::max(0, r - 2); c <= std::min(m - 1, r); ++c)
            for (int e = std::max(0, r - 2); e <= std::min(m - 1, r); ++e) v += q(c, r) * band(c, e) * q(e, r);
        tr += 1 - alpha * v / k.w[r];
        rss += k.w[r] * (k.y[r] - s.g[r]) * (k.y[r] - s.g[r]);
    }
    s.trace = tr;
    s.rss = rss;
    s.ok = true;
    return s;
}

// The generalised cross-validation score over N observations.
double gcv(const Solution& s, double N) {
    const double d = 1 - s.trace / N;
    return s.ok && d > 0 ? s.rss / N / (d * d) : HUGE_VAL;
}

// g(t) from the knots, the fitted values and the second derivatives; linear
// beyond the end knots.
double evaluate(const Knots& k, const Solution& s, double t) {
    const int n = k.n();
    if (n == 1) return s.g[0];
    const auto& x = k.x;
    if (t <= x[0] || t >= x[n - 1]) {
        const int i = t <= x[0] ? 0 : n - 2;
        const double hi = k.h[i];
        const double slope = (s.g[i + 1] - s.g[i]) / hi - hi / 6 * (i == 0 ? s.gamma[1] : -s.gamma[n - 2]);
        return t <= x[0] ? s.g[0] + slope * (t - x[0]) : s.g[n - 1] + slope * (t - x[n - 1]);
    }
    const int i = static_cast<int>(std::upper_bound(x.begin(), x.end(), t) - x.begin()) - 1;
    const double hi = k.h[i], a = t - x[i], b = x[i + 1] - t;
    return (a * s.g[i + 1] + b * s.g[i]) / hi -
           a * b / 6 * ((1 + a / hi) * s.gamma[i + 1] + (1 + b / hi) * s.gamma[i]);
}

}  // namespace

SplineFit smoothing_spline(const double* x, const double* y, int T, double alpha, double* fitted) {
    SplineFit fit;
    std::vector<int> order;
    for (int t = 0; t < T; ++t)
        if (!std::isnan(x[t]) && !std::isnan(y[t])) order.push_back(t);
    for (int t = 0; t < T; ++t) fitted[t] = NAN;
    if (order.empty()) return fit;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return x[a] < x[b]; });
    Knots k;
    for (int t : order) {
        if (!k.x.empty() && x[t] == k.x.back()) {
            k.y.back() += y[t];
            k.w.back() += 1;
        } else {
            k.x.push_back(x[t]);
            k.y.push_back(y[t]);
            k.w.push_back(1);
        }
    }
    for (std::size_t i = 0; i < k.x.size(); ++i) k.y[i] /= k.w[i];
    for (std::size_t i = 0; i + 1 < k.x.size(); ++i) k.h.push_back(k.x[i + 1] - k.x[i]);
    const double N = static_cast<double>(order.size());
    Solution best;
    if (alpha > 0 || k.n() < 3) {
        best = solve(k, std::max(alpha, 0.0));
    } else {
        // Search log α around the scale at which both terms of B are comparable.
        const double span = k.x.back() - k.x.front();
        const double scale = std::pow(span / (k.n() - 1), 3);
        double lo = std::log(scale) - 12 * std::log(10.0), hi = std::log(scale) + 12 * std::log(10.0);
        const int grid = 49;
        double best_score = HUGE_VAL, best_la = lo;
        for (int i = 0; i < grid; ++i) {
            const double la = lo + (hi - lo) * i / (grid - 1);
            const double v = gcv(solve(k, std::exp(la)), N);
            if (v < best_score) best_score = v, best_la = la;
        }
        const double step = (hi - lo) / (grid - 1);
        double a = best_la - step, b = best_la + step;
        const double r = (std::sqrt(5.0) - 1) / 2;
        double c = b - r * (b - a), d = a + r * (b - a);
        double fc = gcv(solve(k, std::exp(c)), N), fd = gcv(solve(k, std::exp(d)), N);
        for (int it = 0; it < 40; ++it) {
            if (fc < fd)
                b = d, d = c, fd = fc, c = b - r * (b - a), fc = gcv(solve(k, std::exp(c)), N);
            else
                a = c, c = d, fc = fd, d = a + r * (b - a), fd = gcv(solve(k, std::exp(d)), N);
        }
        double la = (a + b) / 2;
        if (best_score < std::min(fc, fd)) la = best_la;
        alpha = std::exp(la);
        best = solve(k, alpha);
    }
    if (!best.ok) return fit;
    for (int t = 0; t < T; ++t)
        if (!std::isnan(x[t])) fitted[t] = evaluate(k, best, x[t]);
    fit.alpha = std::max(alpha, 0.0);
    fit.trace = best.trace;
    fit.ok = true;
    return fit;
}

}  // namespace kj::num
