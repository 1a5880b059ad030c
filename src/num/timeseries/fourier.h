// Discrete Fourier transforms of complex data held as two rows (real parts,
// imaginary parts). Direction 1 is the forward transform
// X_k = Σ_t z_t e^(−2πi·kt/n); direction 0 the inverse, divided by n.
// With complex_input 0 only the real row of the input is read.
#pragma once

namespace kj::num {

// Signature of the replaceable one-dimensional FFT kernel.
using Fft1dKernel = int (*)(double** result, double** input, int n, int direction, int complex_input);

// The default kernel: FFTW's (num/timeseries/fourier_fftw.h), or in a build
// without FFTW Kj's own (num/timeseries/fft_mixed_radix.h); plans are made
// once per length and kept for the process. Any n ≥ 1; result may alias
// input. Returns 1, or 0 for n < 1 or when memory runs out.
int fft1d_default(double** result, double** input, int n, int direction, int complex_input);

// Lengths 1 and 2 directly, longer ones through the kernel. Returns 1 or 0.
int fft1d(double** result, double** input, int n, int direction, int complex_input);

// The direct O(n²) sum, for any n. Returns 1 or 0.
int fft_discrete(double** result, double** input, int n, int direction, int complex_input);

// In place on re/im of length 2^p (p < 32); im is ignored on input by the real
// variant. Returns 1, or 0 for a bad p or when memory runs out.
int fft_complex_inplace(double* re, double* im, int p, int direction);
int fft_real_inplace(double* re, double* im, int p, int direction);

// Releases the cached plans (at library exit).
void fft_release_plans();

}  // namespace kj::num
