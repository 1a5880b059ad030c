#include "num/linalg_kernels.h"

#include <cstring>

#include "num/linalg_choleski.h"
#include "num/linalg_eigen.h"
#include "num/linalg_eigensym.h"
#include "num/linalg_ldl.h"
#include "num/linalg_lu.h"
#include "num/linalg_qr.h"
#include "num/linalg_svd.h"
#include "num/matmul.h"
#include "num/timeseries/fourier.h"

namespace kj::num {

namespace {

constexpr Kernels k_defaults{choleski_default, invertsym_default, invert_default, eigensym_default, eigen_default,
                             decqr_default,    decsvd_default,    fft1d_default,  matmul_default};

Kernels g_kernels = k_defaults;

constexpr const char* k_names[k_kernel_count] = {
    "KjKnlCholeski", "KjKnlInvertsym", "KjKnlInvert", "KjKnlEigensym", "KjKnlEigen",
    "KjKnlDecqr",    "KjKnlDecsvd",    "KjKnlFFT1d",  "KjKnlMatmul",
};

int slot_of(const char* name) {
    if (!name) return -1;
    for (int i = 0; i < k_kernel_count; ++i)
        if (std::strcmp(name, k_names[i]) == 0) return i;
    return -1;
}

template <class F>
void install(F& slot, F fallback, void* fn) {
    slot = fn ? reinterpret_cast<F>(fn) : fallback;
}

}  // namespace

const Kernels& kernels() { return g_kernels; }
const Kernels& default_kernels() { return k_defaults; }

const char* kernel_name(int slot) { return slot >= 0 && slot < k_kernel_count ? k_names[slot] : nullptr; }

bool set_kernel(const char* name, void* fn) {
    Kernels& k = g_kernels;
    const Kernels& d = k_defaults;
    switch (slot_of(name)) {
        case 0: install(k.choleski, d.choleski, fn); return true;
        case 1: install(k.invertsym, d.invertsym, fn); return true;
        case 2: install(k.invert, d.invert, fn); return true;
        case 3: install(k.eigensym, d.eigensym, fn); return true;
        case 4: install(k.eigen, d.eigen, fn); return true;
        case 5: install(k.decqr, d.decqr, fn); return true;
        case 6: install(k.decsvd, d.decsvd, fn); return true;
        case 7: install(k.fft1d, d.fft1d, fn); return true;
        case 8: install(k.matmul, d.matmul, fn); return true;
        default: return false;
    }
}

void* kernel(const char* name) {
    const Kernels& k = g_kernels;
    switch (slot_of(name)) {
        case 0: return reinterpret_cast<void*>(k.choleski);
        case 1: return reinterpret_cast<void*>(k.invertsym);
        case 2: return reinterpret_cast<void*>(k.invert);
        case 3: return reinterpret_cast<void*>(k.eigensym);
        case 4: return reinterpret_cast<void*>(k.eigen);
        case 5: return reinterpret_cast<void*>(k.decqr);
        case 6: return reinterpret_cast<void*>(k.decsvd);
        case 7: return reinterpret_cast<void*>(k.fft1d);
        case 8: return reinterpret_cast<void*>(k.matmul);
        default: return nullptr;
    }
}

void restore_default_kernels() { g_kernels = k_defaults; }

}  // namespace kj::num
