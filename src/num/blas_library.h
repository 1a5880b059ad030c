// The BLAS/LAPACK library, loaded on first use, so that a program that never
// calls it does not pay for loading it or for its worker threads. Before
// loading, an OpenBLAS core type is chosen for processors the library does
// not recognise (num/blas_core_type.h).
//
// OpenBLAS maps a work buffer of about 130 MB per thread, when the thread
// first works, and asks again without end for one it cannot map. So under an
// address-space limit (ulimit -v) it runs on one thread, is loaded only while
// the limit leaves it room, and maps its buffer right after loading, before
// the caller's own work space can take that room.
#pragma once

#include <string>

#include "num/lapack_decl.h"

namespace kj::num {

struct BlasApi {
    lapack::Cblas_dgemm dgemm = nullptr;
    lapack::Cblas_dsyrk dsyrk = nullptr;
    lapack::Cblas_ddot ddot = nullptr;
    lapack::Dgetrf dgetrf = nullptr;
    lapack::Dgetri dgetri = nullptr;
    lapack::Dpotrf dpotrf = nullptr;
    lapack::Dpotri dpotri = nullptr;
    lapack::Dsyevd dsyevd = nullptr;
    lapack::Dgesdd dgesdd = nullptr;
    lapack::Dgeev dgeev = nullptr;
    lapack::Dgees dgees = nullptr;
    lapack::Dgges dgges = nullptr;
};

// The routines, loading the library on the first call; null when no usable
// library is installed (the kernels then use their own loops, and the
// routines that only exist in LAPACK fail with their error code), or while
// the address-space limit leaves it no room (then each call tries again).
const BlasApi* blas();
// For a routine that only exists in LAPACK: as blas(), but std::bad_alloc
// while the address-space limit leaves the library no room.
const BlasApi* required_blas();
// True once the library has been loaded (does not load it).
bool blas_loaded();
// The library's own threads, when it has that setting and is loaded: sets n
// (n > 0) and returns the count before; 0 otherwise.
int set_blas_threads(int n);
// One line for verbose output: library, version and active kernel, and
// whether the core type was chosen here. Loads the library.
std::string blas_description();

}  // namespace kj::num
