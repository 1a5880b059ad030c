// Frequency-domain density estimates from autocorrelations: the raw periodogram and the
// Parzen-windowed estimate, on either frequency grid.
#pragma once

namespace kj::num {

// Number of frequencies: `points` when positive, else T/2 + 1.
int density_points(int T, int points);

// f(ω_j) = (r_0 + 2 Σ_{k=1..m} r_k cos kω_j) / 2π into result (density_points
// values). With `window` r (m + 1 values) is first multiplied in place by the
// Parzen weights. Frequencies πj/(points − 1) when points > 0, else 2πj/T. The
// raw periodogram (no window, m = T − 1, default grid) is 0 at frequency 0.
void density_from_acf(double* r, int T, int m, int points, double* result, bool window);

// Density estimate of x[0..T-1] (NaN observations left out as in the
// autocorrelations). Modes: 0 raw periodogram (m = T − 1, no window), 1
// autocorrelations truncated at m, 2 Parzen window on the autocorrelations, 3
// Parzen window on the autocovariances divided by T. m outside 1..T−1 is
// taken as T − 1. False when T < 2 or no observation is present.
bool density_estimate(const double* x, int T, int m, int points, double* result, int mode);

}  // namespace kj::num
