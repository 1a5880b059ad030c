// Natural cubic smoothing splines (Reinsch's algorithm) with the smoothing
// parameter given or chosen by generalised cross-validation.
#pragma once

namespace kj::num {

struct SplineFit {
    double alpha = 0;       // smoothing parameter used
    double trace = 0;       // equivalent number of parameters (trace of the smoother)
    bool ok = false;
};

// Fits g minimising Σ (y_t − g(x_t))² + α∫g''² over the observations where
// both x_t and y_t are present, and writes g(x_t) into fitted for every t with
// x_t present (NaN elsewhere). alpha ≤ 0 chooses α by generalised
// cross-validation. Tied abscissae are merged with their mean.
SplineFit smoothing_spline(const double* x, const double* y, int T, double alpha, double* fitted);

}  // namespace kj::num
