// Exported time-series, Fourier and ARMA routines.
#include <kj80x.h>

#include "num/timeseries/arma.h"
#include "num/timeseries/autocorrelation.h"
#include "num/timeseries/fourier.h"
#include "num/timeseries/density_estimate.h"

namespace kn = kj::num;

extern "C" {

int IGetAcf(const double* x, int T, int lags, double* acf, int covariance) {
    return kn::acf_series(x, T, lags, acf, covariance != 0);
}
int FGetAcf(const double* x, int T, int lags, double* acf) { return IGetAcf(x, T, lags, acf, 0) > 0; }
int IGetAcfCross(const double* x, const double* y, int T, int lags, double* acf) {
    return kn::acf_cross(x, y, T, lags, acf);
}
int IGetAcfRun(const double* x, int T, int lags, double* acf, int covariance) {
    return kn::acf_running(x, T, lags, acf, covariance != 0);
}
int FGetAcfRun(const double* x, int T, int lags, double* acf) { return IGetAcfRun(x, T, lags, acf, 0) > 0; }
int FGetPartAcf(const double* acf, int lags, double* pacf) { return kn::partial_acf(acf, lags, pacf); }
int MatPartAcf(const double* acf, int T, double* pacf, double** x, int c, double* logdet) {
    return kn::partial_acf_solve(acf, T, pacf, x, c, logdet);
}
double** MatAcf(double** result, double** data, int T, int n, int lags) {
    return kn::acf_columns(result, data, T, n, lags);
}
int FPeriodogramAcf(double* acf, int T, int m, int points, double* result, int window) {
    kn::density_from_acf(acf, T, m, points, result, window != 0);
    return 1;
}
int FPeriodogram(const double* x, int T, int m, int points, double* result, int mode) {
    return kn::density_estimate(x, T, m, points, result, mode);
}
int FftComplex(double* re, double* im, int p, int direction) { return kn::fft_complex_inplace(re, im, p, direction); }
int FftReal(double* re, double* im, int p, int direction) { return kn::fft_real_inplace(re, im, p, direction); }
int FFT1d(double** result, double** input, int n, int direction, int complex_input) {
    return kn::fft1d(result, input, n, direction, complex_input);
}
int FftDiscrete(double** result, double** input, int n, int direction, int complex_input) {
    return kn::fft_discrete(result, input, n, direction, complex_input);
}
void MatArma0(double** x, int T, int n, const double* phi, int p, const double* theta, int q) {
    kn::arma_residuals(x, T, n, phi, p, theta, q);
}
void MatArmaGen(double** x, double** e, int T, int n, const double* phi, int p, const double* theta, int q) {
    kn::arma_generate(x, e, T, n, phi, p, theta, q);
}
void MatArmaForc(double** f, int H, int n, const double* phi, int p, const double* theta, int q, double** y, int ry,
                 double** e, int re) {
    kn::arma_forecast(f, H, n, phi, p, theta, q, y, ry, e, re);
}
int FArmaVar(const double* phi, int p, const double* theta, int q, double s2, int T, double* gamma) {
    return kn::arma_autocovariance(phi, p, theta, q, s2, T, gamma);
}
void MatDiffPow(double** x, int T, int n, double d) { kn::fractional_difference(x, T, n, d); }

}  // extern "C"
