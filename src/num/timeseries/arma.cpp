// ARMA recursions, their autocovariances, fractional differencing and the
// dynamic forecasts of a linear system.
#include "num/timeseries/arma.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace kj::num {

void arma_residuals(double** x, int T, int n, const double* phi, int p, const double* theta, int q) {
    std::vector<double> col(static_cast<std::size_t>(T)), e(static_cast<std::size_t>(T));
    for (int j = 0; j < n; ++j) {
        for (int t = 0; t < T; ++t) col[t] = x[t][j];
        for (int t = 0; t < std::min(T, p); ++t) e[t] = 0;
        for (int t = p; t < T; ++t) {
            double s = col[t];
            for (int i = 1; i <= p; ++i) s -= phi[i - 1] * col[t - i];
            for (int k = 1; k <= std::min(q, t - p); ++k) s -= theta[k - 1] * e[t - k];
            e[t] = s;
        }
        for (int t = 0; t < T; ++t) x[t][j] = e[t];
    }
}

void arma_generate(double** x, double** e, int T, int n, const double* phi, int p, const double* theta, int q) {
    for (int j = 0; j < n; ++j)
        for (int t = p; t < T; ++t) {
            double s = x[t][j] + e[t][j];
            for (int i = 1; i <= p; ++i) s += phi[i - 1] * x[t - i][j];
            for (int k = 1; k <= std::min(q, t); ++k) s += theta[k - 1] * e[t - k][j];
            x[t][j] = s;
        }
}

void arma_forecast(double** f, int H, int n, const double* phi, int p, const double* theta, int q, double** y,
                   int ry, double** e, int re) {
    const int start = std::max(p, q);
    for (int j = 0; j < n; ++j)
        for (int h = 0; h < H; ++h) {
            double s = f[h][j];
            for (int i = 1; i <= p; ++i) {
                if (h - i >= 0)
                    s += phi[i - 1] * f[h - i][j];
                else if (y)
                    s += phi[i - 1] * y[ry - (i - h)][j];
            }
            if (h < start && e)
                for (int k = h + 1; k <= q; ++k) s += theta[k - 1] * e[re - (k - h)][j];
            f[h][j] = s;
        }
}

namespace {

// Solves a (n x n, row-major) x = b by elimination with partial pivoting.
bool solve_small(std::vector<double>& a, std::vector<double>& b, int n) {
    for (int c = 0; c < n; ++c) {
        int piv = c;
        for (int r = c + 1; r < n; ++r)
            if (std::fabs(a[r * n + c]) > std::fabs(a[piv * n + c])) piv = r;
        if (!(std::fabs(a[piv * n + c]) > 1e-14)) return false;
        if (piv != c) {
            for (int k = 0; k < n; ++k) std::swap(a[c * n + k], a[piv * n + k]);
            std::swap(b[c], b[piv]);
        }
        for (int r = c + 1; r < n; ++r) {
            const double f = a[r * n + c] / a[c * n + c];
            for (int k = c; k < n; ++k) a[r * n + k] -= f * a[c * n + k];
            b[r] -= f * b[c];
        }
    }
    for (int c = n - 1; c >= 0; --c) {
        double s = b[c];
        for (int k = c + 1; k < n; ++k) s -= a[c * n + k] * b[k];
        b[c] = s / a[c * n + c];
    }
    return true;
}

}  // namespace

bool arma_autocovariance(const double* phi, int p, const double* theta, int q, double s2, int T, double* gamma) {
    s2 = std::fabs(s2);
    // ψ_0..ψ_q and the right-hand sides c_k = σ² Σ_{j=k..q} θ_j ψ_{j−k} (θ_0 = 1).
    std::vector<double> psi(static_cast<std::size_t>(q) + 1);
    psi[0] = 1;
    for (int j = 1; j <= q; ++j) {
        double s = theta[j - 1];
        for (int i = 1; i <= std::min(p, j); ++i) s += phi[i - 1] * psi[j - i];
        psi[j] = s;
    }
    auto th = [&](int j) { return j == 0 ? 1.0 : theta[j - 1]; };
    const int top = std::max(p, q);
    std::vector<double> c(static_cast<std::size_t>(top) + 1, 0);
    for (int k = 0; k <= q; ++k) {
        double s = 0;
        for (int j = k; j <= q; ++j) s += th(j) * psi[j - k];
        c[k] = s2 * s;
    }
    // γ_k − Σ_i φ_i γ_{|k−i|} = c_k for k = 0..p: a (p + 1)-square system.
    std::vector<double> g(static_cast<std::size_t>(std::max(T, top + 1)), 0);
    const int m = p + 1;
    std::vector<double> a(static_cast<std::size_t>(m) * m, 0), b(c.begin(), c.begin() + m);
    for (int k = 0; k < m; ++k) {
        a[k * m + k] += 1;
        for (int i = 1; i <= p; ++i) a[k * m + std::abs(k - i)] -= phi[i - 1];
    }
    if (!solve_small(a, b, m)) return false;
    for (int k = 0; k < m; ++k) g[k] = b[k];
    for (int k = m; k < static_cast<int>(g.size()); ++k) {
        double s = k <= q ? c[k] : 0;
        for (int i = 1; i <= p; ++i) s += phi[i - 1] * g[k - i];
        g[k] = s;
    }
    if (!(g[0] > 0) || !std::isfinite(g[0])) return false;
    for (int k = 0; k < T; ++k) gamma[k] = g[k];
    return true;
}

void fractional_difference(double** x, int T, int n, double d) {
    if (d == 0) return;
    std::vector<double> w(static_cast<std::size_t>(T));
    if (T > 1) w[1] = -d;
    for (int k = 1; k + 1 < T; ++k) w[k + 1] = w[k] * (k - d) / (k + 1);
    std::vector<double> col(static_cast<std::size_t>(T));
    for (int j = 0; j < n; ++j) {
        for (int t = 0; t < T; ++t) col[t] = x[t][j];
        for (int t = 0; t < T; ++t) {
            double s = col[t];
            for (int k = 1; k <= t; ++k) s += w[k] * col[t - k];
            x[t][j] = s;
        }
    }
}

void model_forecast(double** data, int T, double** pi, const int* endo, int n, const int* rhs, const int* lag,
                    int m, double** u, int t1) {
    for (int t = t1; t < T; ++t)
        for (int j = 0; j < n; ++j) {
            double s = u ? u[t][j] : 0;
            for (int i = 0; i < m; ++i) s += pi[j][i] * data[t - lag[i]][rhs[i]];
            data[t][endo[j]] = s;
        }
}

}  // namespace kj::num
