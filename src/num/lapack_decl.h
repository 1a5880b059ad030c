// Signatures of the BLAS and LAPACK routines the numerical kernels call, as
// pointer types: the library that provides them is loaded on first use
// (num/blas_library.h). LAPACK matrices are column-major; character arguments
// carry their hidden lengths at the end of the argument list. The CBLAS
// routines take the storage order and transpose codes below.
#pragma once

#include <cstddef>

namespace kj::num::lapack {

constexpr int k_row_major = 101;
constexpr int k_no_trans = 111;
constexpr int k_trans = 112;
constexpr int k_upper = 121;
constexpr int k_lower = 122;

using Cblas_dgemm = void (*)(int order, int trans_a, int trans_b, int m, int n, int k, double alpha, const double* a,
                             int lda, const double* b, int ldb, double beta, double* c, int ldc);
using Cblas_dsyrk = void (*)(int order, int uplo, int trans, int n, int k, double alpha, const double* a, int lda,
                             double beta, double* c, int ldc);
using Cblas_ddot = double (*)(int n, const double* x, int incx, const double* y, int incy);

using Dgetrf = void (*)(const int* m, const int* n, double* a, const int* lda, int* ipiv, int* info);
using Dgetri = void (*)(const int* n, double* a, const int* lda, const int* ipiv, double* work, const int* lwork,
                        int* info);
using Dpotrf = void (*)(const char* uplo, const int* n, double* a, const int* lda, int* info, std::size_t);
using Dpotri = void (*)(const char* uplo, const int* n, double* a, const int* lda, int* info, std::size_t);
using Dsyevd = void (*)(const char* jobz, const char* uplo, const int* n, double* a, const int* lda, double* w,
                        double* work, const int* lwork, int* iwork, const int* liwork, int* info, std::size_t,
                        std::size_t);
using Dgesdd = void (*)(const char* jobz, const int* m, const int* n, double* a, const int* lda, double* s, double* u,
                        const int* ldu, double* vt, const int* ldvt, double* work, const int* lwork, int* iwork,
                        int* info, std::size_t);
using Dgeev = void (*)(const char* jobvl, const char* jobvr, const int* n, double* a, const int* lda, double* wr,
                       double* wi, double* vl, const int* ldvl, double* vr, const int* ldvr, double* work,
                       const int* lwork, int* info, std::size_t, std::size_t);
using Select2 = int (*)(const double* re, const double* im);
using Select3 = int (*)(const double* ar, const double* ai, const double* b);
using Dgees = void (*)(const char* jobvs, const char* sort, Select2 select, const int* n, double* a, const int* lda,
                       int* sdim, double* wr, double* wi, double* vs, const int* ldvs, double* work,
                       const int* lwork, int* bwork, int* info, std::size_t, std::size_t);
using Dgges = void (*)(const char* jobvsl, const char* jobvsr, const char* sort, Select3 select, const int* n,
                       double* a, const int* lda, double* b, const int* ldb, int* sdim, double* alphar,
                       double* alphai, double* beta, double* vsl, const int* ldvsl, double* vsr, const int* ldvsr,
                       double* work, const int* lwork, int* bwork, int* info, std::size_t, std::size_t,
                       std::size_t);

}  // namespace kj::num::lapack
