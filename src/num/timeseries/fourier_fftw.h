// The FFT kernel over FFTW, in builds with it (KJ_FFTW): the conventions of
// fft1d_default (num/timeseries/fourier.h).
#pragma once

namespace kj::num {

// Whether FFTW could be loaded (it is, on the first call).
bool fftw_available();

// Plans are made once per length, direction and input kind and kept. Call
// only when FFTW is available.
int fft1d_fftw(double** result, double** input, int n, int direction, int complex_input);

// Destroys the kept plans.
void fft_fftw_release();

}  // namespace kj::num
