// Autocorrelation estimators and the Durbin-Levinson recursion.
#include "num/timeseries/autocorrelation.h"

#include <cmath>
#include <vector>

namespace kj::num {

namespace {

constexpr double k_tiny_sum_of_squares = 1e-20;

}  // namespace

int acf_series(const double* x, int T, int lags, double* acf, bool covariance) {
    if (lags < 0 || lags >= T) return 0;
    int m = 0;
    double sum = 0;
    for (int t = 0; t < T; ++t)
        if (!std::isnan(x[t])) sum += x[t], ++m;
    if (m == 0) return 0;
    const double mean = sum / m;
    std::vector<double> d(static_cast<std::size_t>(T));
    double s0 = 0;
    for (int t = 0; t < T; ++t) {
        d[t] = std::isnan(x[t]) ? NAN : x[t] - mean;
        if (!std::isnan(x[t])) s0 += d[t] * d[t];
    }
    acf[0] = covariance ? s0 / m : 1.0;
    for (int k = 1; k <= lags; ++k) {
        if (s0 < k_tiny_sum_of_squares) {
            acf[k] = 0;
            continue;
        }
        double s = 0;
        for (int t = k; t < T; ++t) {
            const double p = d[t] * d[t - k];
            if (!std::isnan(p)) s += p;
        }
        acf[k] = s / s0;
    }
    return m;
}

int acf_cross(const double* x, const double* y, int T, int lags, double* acf) {
    if (lags < 0 || lags >= T) return 0;
    int m = 0;
    double sx = 0, sy = 0;
    for (int t = 0; t < T; ++t)
        if (!std::isnan(x[t]) && !std::isnan(y[t])) sx += x[t], sy += y[t], ++m;
    if (m == 0) return 0;
    const double mx = sx / m, my = sy / m;
    std::vector<double> dx(static_cast<std::size_t>(T)), dy(static_cast<std::size_t>(T));
    double sxx = 0, syy = 0;
    for (int t = 0; t < T; ++t) {
        const bool present = !std::isnan(x[t]) && !std::isnan(y[t]);
        dx[t] = present ? x[t] - mx : NAN;
        dy[t] = present ? y[t] - my : NAN;
        if (present) sxx += dx[t] * dx[t], syy += dy[t] * dy[t];
    }
    const double denominator = std::sqrt(sxx * syy);
    for (int k = 0; k <= lags; ++k) {
        double s = 0;
        for (int t = k; t < T; ++t) {
            const double p = dx[t] * dy[t - k];
            if (!std::isnan(p)) s += p;
        }
        acf[k] = denominator < k_tiny_sum_of_squares ? 0 : s / denominator;
    }
    return m;
}

int acf_running(const double* x, int T, int lags, double* acf, bool covariance) {
    if (lags < 0 || lags >= T) return 0;
    int m = 0;
    for (int t = 0; t < T; ++t) m += !std::isnan(x[t]);
    if (m == 0) return 0;
    for (int k = 0; k <= lags; ++k) {
        double s1 = 0, s2 = 0;
        int n = 0;
        for (int t = k; t < T; ++t)
            if (!std::isnan(x[t]) && !std::isnan(x[t - k])) s1 += x[t], s2 += x[t - k], ++n;
        if (n == 0) {
            acf[k] = 0;
            continue;
        }
        const double m1 = s1 / n, m2 = s2 / n;
        double c = 0, v1 = 0, v2 = 0;
        for (int t = k; t < T; ++t)
            if (!std::isnan(x[t]) && !std::isnan(x[t - k])) {
                const double a = x[t] - m1, b = x[t - k] - m2;
                c += a * b, v1 += a * a, v2 += b * b;
            }
        if (covariance)
            acf[k] = c / n;
        else
            acf[k] = v1 * v2 < k_tiny_sum_of_squares * k_tiny_sum_of_squares ? (k == 0 ? 1.0 : 0.0)
                                                                                : c / std::sqrt(v1 * v2);
    }
    return m;
}

double** acf_columns(double** result, double** data, int T, int n, int lags) {
    if (lags < 0 || lags >= T) return nullptr;
    std::vector<double> d(static_cast<std::size_t>(T));
    for (int j = 0; j < n; ++j) {
        double mean = 0;
        for (int t = 0; t < T; ++t) mean += data[t][j];
        mean /= T;
        double s0 = 0;
        for (int t = 0; t < T; ++t) {
            d[t] = data[t][j] - mean;
            s0 += d[t] * d[t];
        }
        // A NaN propagates: the comparison below is false for it.
        if (s0 < k_tiny_sum_of_squares) {
            for (int k = 0; k <= lags; ++k) result[k][j] = 0;
            continue;
        }
        for (int k = 0; k <= lags; ++k) {
            double s = 0;
            for (int t = k; t < T; ++t) s += d[t] * d[t - k];
            result[k][j] = s / s0;
        }
    }
    return result;
}

namespace {

// Durbin-Levinson: phi (order k, row-packed when `all` is given) and the
// prediction-error variances v[0..lags]. False when not positive definite.
bool durbin_levinson(const double* r, int lags, double* pacf, std::vector<double>* all, std::vector<double>& v) {
    v.assign(static_cast<std::size_t>(lags) + 1, 0);
    if (!(r[0] > 0)) return false;
    v[0] = r[0];
    if (pacf) pacf[0] = 1;
    std::vector<double> phi(static_cast<std::size_t>(lags) + 1, 0), prev(phi);
    for (int k = 1; k <= lags; ++k) {
        double s = r[k];
        for (int j = 1; j < k; ++j) s -= prev[j] * r[k - j];
        const double a = s / v[k - 1];
        if (!std::isfinite(a) || std::fabs(a) >= 1) return false;
        phi[k] = a;
        for (int j = 1; j < k; ++j) phi[j] = prev[j] - a * prev[k - j];
        v[k] = v[k - 1] * (1 - a * a);
        if (!(v[k] > 0)) return false;
        if (pacf) pacf[k] = a;
        if (all) all->insert(all->end(), phi.begin() + 1, phi.begin() + k + 1);
        prev = phi;
    }
    return true;
}

}  // namespace

bool partial_acf(const double* r, int lags, double* pacf) {
    std::vector<double> v;
    return lags >= 0 && durbin_levinson(r, lags, pacf, nullptr, v);
}

bool partial_acf_solve(const double* r, int T, double* pacf, double** x, int c, double* logdet) {
    if (T < 1) return false;
    std::vector<double> v, phi;
    const bool solve = x && c > 0;
    if (solve) phi.reserve(static_cast<std::size_t>(T) * (T - 1) / 2);
    if (!durbin_levinson(r, T - 1, pacf, solve ? &phi : nullptr, v)) return false;
    if (logdet) {
        double s = 0;
        for (int k = 0; k < T; ++k) s += std::log(v[k]);
        *logdet = s;
    }
    if (!solve) return true;
    // R⁻¹ = L'D⁻¹L with L unit lower triangular, row k holding minus the
    // order-k prediction coefficients (phi_{k,j} at column k − j).
    auto row = [&](int k) { return phi.data() + static_cast<std::size_t>(k) * (k - 1) / 2; };
    std::vector<double> y(static_cast<std::size_t>(T));
    for (int j = 0; j < c; ++j) {
        for (int k = T - 1; k >= 0; --k) {
            double s = x[k][j];
            const double* a = row(k);
            for (int i = 1; i <= k; ++i) s -= a[i - 1] * x[k - i][j];
            y[k] = s / v[k];
        }
        for (int k = 0; k < T; ++k) x[k][j] = y[k];
        // z = L'y: z_i = y_i − Σ_{k>i} phi_{k,k−i} y_k
        for (int i = 0; i < T; ++i) {
            double s = y[i];
            for (int k = i + 1; k < T; ++k) s -= row(k)[k - i - 1] * y[k];
            x[i][j] = s;
        }
    }
    return true;
}

}  // namespace kj::num
