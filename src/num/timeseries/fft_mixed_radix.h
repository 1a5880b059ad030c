// Kj's own fast Fourier transform, for builds without FFTW and as a check on
// it: mixed radix (4, 2, 3 and the other primes up to 61) by recursive
// decimation in time, and Bluestein's chirp transform over a power-of-two
// length when n has a larger prime factor. Same conventions as the FFT kernel
// (num/timeseries/fourier.h): two rows of real and imaginary parts, direction
// 1 forward, 0 inverse divided by n, only the real row read when
// complex_input is 0.
#pragma once

namespace kj::num {

// Any n >= 1; result may alias input. Plans (factors, twiddle factors, the
// chirp) are made once per length and kept. Returns 1, or 0 for n < 1 or when
// memory runs out.
int fft1d_mixed_radix(double** result, double** input, int n, int direction, int complex_input);

// Frees the kept plans.
void fft_mixed_radix_release();

}  // namespace kj::num
