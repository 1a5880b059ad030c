// ARMA filters on the columns of T x n row-pointer blocks, in place, and
// fractional differencing. phi[0..p-1] are the autoregressive coefficients,
// theta[0..q-1] the moving-average ones, for the model
// x_t = Σ φ_i x_{t−i} + ε_t + Σ θ_k ε_{t−k}.
#pragma once

namespace kj::num {

// x (T x n) replaced by its residuals: 0 before row p, then
// e_t = x_t − Σ φ_i x_{t−i} − Σ_{k ≤ t−p} θ_k e_{t−k}.
void arma_residuals(double** x, int T, int n, const double* phi, int p, const double* theta, int q);

// x (T x n, start values and a mean part) replaced by the series generated
// from the innovations e (T x n): rows before p stay, then
// y_t = x_t + Σ φ_i y_{t−i} + e_t + Σ_{k ≤ t} θ_k e_{t−k}.
void arma_generate(double** x, double** e, int T, int n, const double* phi, int p, const double* theta, int q);

// Forecasts added into f (H x n): y (ry x n, ry ≥ p, may be null) pre-sample
// observations, e (re x n, re ≥ q, may be null) pre-sample innovations, each
// with its last row just before the forecast period.
void arma_forecast(double** f, int H, int n, const double* phi, int p, const double* theta, int q, double** y,
                   int ry, double** e, int re);

// Autocovariances γ_0..γ_{T−1} of the stationary ARMA(p, q) process with
// innovation variance s2. False when the low-order system is singular or
// γ_0 ≤ 0.
bool arma_autocovariance(const double* phi, int p, const double* theta, int q, double s2, int T, double* gamma);

// Each column of x (T x n) filtered by (1 − L)^d truncated at the start.
void fractional_difference(double** x, int T, int n, double d);

// Dynamic forecasts of a linear system, in place on data (T x k): for
// t = t1..T−1 and j = 0..n−1, data[t][endo_j] = Σ_i pi[j][i]·data[t − lag_i][rhs_i]
// + (u ? u[t][j] : 0).
void model_forecast(double** data, int T, double** pi, const int* endo, int n, const int* rhs, const int* lag,
                    int m, double** u, int t1);

}  // namespace kj::num
