// The kernel slots: nine process-wide function pointers behind the central
// numerical routines, each with a built-in default. A kernel library (or a
// host through the C interface) may replace any of them; installing null
// restores the default. The contracts are those of the exported typedefs in
// kj80x.h (KjKnl...Fn), but for one: the defaults, as every decomposition
// here, throw std::bad_alloc when their work space cannot be allocated (the
// run's "out of memory", never a failed decomposition); the C interface turns
// that into the failure code.
#pragma once

namespace kj::num {

using CholeskiKernel = int (*)(double** a, int n);
using InvertsymKernel = int (*)(double** a, int n, double* logdet);
using InvertKernel = int (*)(double** a, int n, double* logdet, int* sign);
using EigensymKernel = int (*)(double** a, int n, double* eval, int want_vectors);
using EigenKernel = int (*)(double** a, int n, double* re, double* im, double** vectors);
using DecqrKernel = int (*)(double** xt, int c, int r, double* rdiag, int* pivots);
using DecsvdKernel = int (*)(double** a, int r, int c, double* w, double** u, double** v, int sort);
using FFT1dKernel = int (*)(double** result, double** input, int n, int direction, int complex_input);
using MatmulKernelFn = void (*)(double** y, double** a, int ra, int ca, double** b, int rb, int cb,
                                int transpose_a, int transpose_b);

struct Kernels {
    CholeskiKernel choleski;
    InvertsymKernel invertsym;
    InvertKernel invert;
    EigensymKernel eigensym;
    EigenKernel eigen;
    DecqrKernel decqr;
    DecsvdKernel decsvd;
    FFT1dKernel fft1d;
    MatmulKernelFn matmul;
};

// The installed kernels (never null).
const Kernels& kernels();
const Kernels& default_kernels();

// The slot names in table order ("KjKnlCholeski", ..., "KjKnlMatmul").
constexpr int k_kernel_count = 9;
const char* kernel_name(int slot);
// Installs fn in the named slot (null restores the default); false for an
// unknown name.
bool set_kernel(const char* name, void* fn);
// The installed kernel of the named slot, or null for an unknown name.
void* kernel(const char* name);
void restore_default_kernels();

}  // namespace kj::num
