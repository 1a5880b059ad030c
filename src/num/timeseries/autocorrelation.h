// Autocorrelations, cross-correlations and partial autocorrelations of series
// held as plain vectors (or as columns of row-pointer blocks).
#pragma once

namespace kj::num {

// Autocorrelations at lags 0..lags of x[0..T-1]; NaN observations are left
// out (pairs involving one drop out of the sums, the divisor stays the full
// sum of squares). Entry 0 is 1, or S0/m with `covariance`. A series with a
// sum of squares below 1e-20 gets 0 beyond lag 0. Returns m, the number of
// observations present; 0 (result untouched) when lags < 0 or lags >= T.
int acf_series(const double* x, int T, int lags, double* acf, bool covariance);

// Cross-correlations Σ (x_t − x̄)(y_{t−k} − ȳ) / √(Sxx·Syy) for k = 0..lags,
// over the times where both series are present. Returns the number of such
// times; 0 when lags is out of range.
int acf_cross(const double* x, const double* y, int T, int lags, double* acf);

// Running autocorrelations: lag k is the correlation of the pairs
// (x_t, x_{t−k}) with the means and sums of squares of those pairs alone
// (with `covariance` their covariance). Returns the number of present
// observations; 0 when lags is out of range.
int acf_running(const double* x, int T, int lags, double* acf, bool covariance);

// Autocorrelations of each column of data (T x n) into result (lags + 1 x n),
// every observation counting; a column with a sum of squares below 1e-20 gets
// 0 throughout. Returns result, or null when lags is out of range.
double** acf_columns(double** result, double** data, int T, int n, int lags);

// Partial autocorrelations from r[0..lags] (autocorrelations or
// autocovariances) by the Durbin-Levinson recursion: pacf[0] = 1, pacf[k] the
// last coefficient of the order-k autoregression. Returns false when the
// Toeplitz matrix of r is not positive definite.
bool partial_acf(const double* r, int lags, double* pacf);

// For the T x T Toeplitz matrix R[i][j] = r[|i − j|]: partial
// autocorrelations into pacf (may be null), log|R| into logdet (may be null),
// and x (T x c, may be null) replaced by R⁻¹x. False when R is not positive
// definite (nothing written into x).
bool partial_acf_solve(const double* r, int T, double* pacf, double** x, int c, double* logdet);

}  // namespace kj::num
