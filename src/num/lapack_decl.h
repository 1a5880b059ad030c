// Fortran prototypes of the LAPACK routines the numerical kernels call.
// Matrices are column-major; character arguments carry their hidden lengths
// at the end of the argument list.
#pragma once

#include <cstddef>

extern "C" {

// Eigenvalues (wr + i·wi) and optionally eigenvectors of a general matrix.
void dgeev_(const char* jobvl, const char* jobvr, const int* n, double* a, const int* lda, double* wr,
            double* wi, double* vl, const int* ldvl, double* vr, const int* ldvr, double* work,
            const int* lwork, int* info, std::size_t jobvl_len, std::size_t jobvr_len);

}  // extern "C"
