// The exported dense linear algebra: thin shells over src/num.
#include <kj80x.h>

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>
#include <vector>

#include "num/linalg_choleski.h"
#include "num/linalg_eigen.h"
#include "num/linalg_eigensym.h"
#include "num/linalg_eps.h"
#include "num/linalg_kernels.h"
#include "num/linalg_ldl.h"
#include "num/linalg_lu.h"
#include "num/linalg_ols.h"
#include "num/linalg_qr.h"
#include "num/linalg_rank.h"
#include "num/linalg_svd.h"
#include "num/matmul.h"
#include "num/polynomial.h"

using namespace kj;

namespace {

// Nothing passes the C interface: work space that cannot be allocated is the
// routine's failure code there.
template <class F>
auto guarded(decltype(std::declval<F>()()) failure, F&& f) noexcept -> decltype(f()) {
    try {
        return f();
    } catch (const std::bad_alloc&) {
        return failure;
    }
}
template <class F>
void guarded(F&& f) noexcept {
    try {
        f();
    } catch (const std::bad_alloc&) {
        // What was not yet written stays as it was.
    }
}

// A default kernel as the C interface hands it out (KjGetKernel): guarded.
template <auto Kernel, int Failure>
struct CKernel;
template <class... A, int (*Kernel)(A...), int Failure>
struct CKernel<Kernel, Failure> {
    static int call(A... a) noexcept { return guarded(Failure, [&] { return Kernel(a...); }); }
};

// The defaults that allocate work space, each with its guarded form.
struct GuardedKernel {
    void* fn;
    void* guarded;
};
const GuardedKernel k_guarded_kernels[] = {
    {reinterpret_cast<void*>(num::choleski_default), reinterpret_cast<void*>(CKernel<num::choleski_default, 1>::call)},
    {reinterpret_cast<void*>(num::invertsym_default),
     reinterpret_cast<void*>(CKernel<num::invertsym_default, num::Ldl_NullArgument>::call)},
    {reinterpret_cast<void*>(num::invert_default), reinterpret_cast<void*>(CKernel<num::invert_default, 1>::call)},
    {reinterpret_cast<void*>(num::eigensym_default),
     reinterpret_cast<void*>(CKernel<num::eigensym_default, num::Eigen_BadArgument>::call)},
    {reinterpret_cast<void*>(num::eigen_default), reinterpret_cast<void*>(CKernel<num::eigen_default, 2>::call)},
    {reinterpret_cast<void*>(num::decsvd_default), reinterpret_cast<void*>(CKernel<num::decsvd_default, 2>::call)},
};

}  // namespace

extern "C" {

void SetInvertEps(double eps) { num::set_invert_eps(eps); }
double DGetInvertEps(void) { return num::invert_eps(); }
double DGetInvertEpsNorm(double** a, int n) { return n < 1 || !a ? 0.0 : num::invert_eps_norm(a, n); }

int ILUPdec(double** a, int n, int* pivots, double* logdet, int* sign, double** work) {
    return guarded(-1, [&] { return num::lup_decompose(a, n, pivots, logdet, sign, work); });
}
int ILUPlogdet(double** a, int n, int* pivots, double* logdet, int* sign, double**) {
    return guarded(-1, [&] { return num::lup_logdet(a, n, pivots, logdet, sign); });
}
void LUPsolve(double** l, double** u, const int* pivots, double* b, int n) {
    if (b) num::lup_solve(l, u, pivots, b, n);
}
void LUPsolveInv(double** lu, double** result, const int* pivots, int n) {
    if (lu && result) num::lup_solve_inverse(lu, result, pivots, n);
}
int IInvert(double** a, int n) {
    return guarded(1, [&] { return num::invert(a, n); });
}
int IInvDet(double** a, int n, double* logdet, int* sign) {
    return guarded(1, [&] { return num::invert(a, n, logdet, sign); });
}
int FPPtDec(double** a, int n) {
    return guarded(0, [&] { return num::choleski(a, n) ? 1 : 0; });
}
int ILDLdec(double** a, double* dinv, int n) {
    return guarded(int{num::Ldl_NullArgument}, [&] { return num::ldl_decompose(a, dinv, n); });
}
void LDLsolve(double** l, const double* dinv, double* b, int n) {
    if (l && dinv && b) num::ldl_solve(l, dinv, b, n);
}
void LDLsolveInv(double** l, const double* dinv, double** result, int n) {
    if (l && dinv && result) num::ldl_solve_inverse(l, dinv, result, n);
}
int ISymInv(double** a, int n) {
    return guarded(int{num::Ldl_NullArgument}, [&] { return num::invertsym(a, n); });
}
int ISymInvDet(double** a, int n, double* logdet) {
    return guarded(int{num::Ldl_NullArgument}, [&] { return num::invertsym(a, n, logdet); });
}
int ILDLbandDec(double** band, double* dinv, int n, int p) {
    return guarded(int{num::Ldl_NullArgument}, [&] { return num::ldl_band_decompose(band, dinv, n, p); });
}
void LDLbandSolve(double** l, const double* dinv, double* b, int n, int p) {
    if (l && dinv && b) num::ldl_band_solve(l, dinv, b, n, p);
}

int IEigValSym(double** a, int n, double* eval) {
    return guarded(int{num::Eigen_BadArgument}, [&] { return num::eigensym_ql(a, n, eval, 0); });
}
int IEigVecSym(double** a, int n, double* eval) {
    return guarded(int{num::Eigen_BadArgument}, [&] { return num::eigensym_ql(a, n, eval, 1); });
}
int IEigenSym(double** a, int n, double* eval, int vectors) {
    return guarded(int{num::Eigen_BadArgument}, [&] { return num::eigensym(a, n, eval, vectors); });
}
int IGenEigVecSym(double** a, double** b, int n, double* eval) {
    return guarded(int{num::Eigen_BadArgument}, [&] { return num::eigensym_generalized(a, b, n, eval); });
}
int IEigen(double** a, int n, double* re, double* im, double** vectors) {
    return guarded(2, [&] { return num::eigen(a, n, re, im, vectors); });
}
int IEigValReal(double** a, int n, double* re, double* im) {
    return guarded(2, [&] { return num::eigen_default(a, n, re, im, nullptr); });
}
int IEigVecReal(double** a, int n, double* re, double* im) {
    return re && im ? guarded(2, [&] { return num::eigen_rows(a, n, re, im); }) : 2;
}
void EigVecDiv(double** v, int n, const double* im) {
    if (v && im && n > 0) num::eigenvector_divide(v, n, im);
}
int IEigValPoly(const double* coef, int n, double* re, double* im) {
    if (n < 0 || !coef || (n > 0 && (!re || !im))) return -2;
    for (int i = 0; i <= n; ++i)
        if (!std::isfinite(coef[i])) return -2;
    try {
        std::vector<double> r, m;
        const int code = num::polynomial_roots(coef, n + 1, r, m);
        if (code != 0) return code > 0 ? -1 : -2;
        std::copy(r.begin(), r.end(), re);
        std::copy(m.begin(), m.end(), im);
        return static_cast<int>(r.size());
    } catch (const std::bad_alloc&) {
        return -2;
    }
}

int IDecQRt(double** xt, int c, int r, double* rdiag, int* pivots) { return num::decqr(xt, c, r, rdiag, pivots); }
int IDecQRtEx(double** xt, int c, int r, double* rdiag, int* pivots, int fixed) {
    return num::decqr_fixed(xt, c, r, rdiag, pivots, fixed);
}
int IDecQRtRank(double** xt, int c, int r, double* rdiag, int* pivots, double tol) {
    if (!pivots || num::decqr_fixed(xt, c, r, rdiag, pivots, 0) != 0) return -1;
    return num::qr_rank(rdiag, c < r ? c : r, tol);
}
void DecQRtMul(double** xt, int k, int r, double* y) {
    if (xt && y) num::qr_apply_qt(xt, k, r, y);
}
void DecQRtMult(double** xt, int k, int r, double* y) {
    if (xt && y) num::qr_apply_q(xt, k, r, y);
}
int IOlsQR(double** xt, int k, int t, double** yt, int n, double** b, double** xtxinv, double** xtx) {
    if (!xt || (n != 0 && (!yt || !b))) return 0;
    return guarded(0, [&] { return num::ols_qr(xt, k, t, yt, n, b, xtxinv, xtx); });
}
void OlsQRacc(double** qr, const double* rdiag, const int* pivots, int k, int t, int rank, double** yt, int n,
              double** b, double** xtxinv) {
    if (!qr || !rdiag || k <= 0 || t < 0 || (n > 0 && (!yt || !b))) return;
    guarded([&] { num::ols_from_qr(qr, rdiag, pivots, k, t, rank, yt, n > 0 ? n : 0, b, xtxinv); });
}
int IOlsNorm(double** xt, int k, int t, double** yt, int n, double** b, double** xtxinv, double** xtx) {
    if (!xt || (n != 0 && (!yt || !b))) return 0;
    return guarded(0, [&] { return num::ols_normal(xt, k, t, yt, n, b, xtxinv, xtx); });
}

int IDecSVD(double** a, int r, int c, double* w, double** u, double** v) {
    return guarded(2, [&] { return num::decsvd(a, r, c, w, u, v, 1); });
}
int ISVDdec(double** a, int r, int c, double* w, double** u, double** v) {
    return guarded(2, [&] { return num::decsvd_default(a, r, c, w, u, v, 1); });
}
int IMatRank(double** a, int r, int c, double tol, int absolute) {
    if (!a && r != 0 && c != 0) return -1;
    return guarded(-1, [&] { return num::matrix_rank(a, r, c, tol, absolute != 0); });
}
int INullSpace(double** a, int r, int c, double** out) {
    if (!a || !out) return -1;
    return guarded(-1, [&] {
        num::WorkBlock basis;
        const int k = num::null_space(a, r, c, basis);
        if (k > 0) basis.copy_to(out);
        return k;
    });
}
int MatGenInvert(double** a, int r, int c, double** result, double* w) {
    return a && result ? guarded(0, [&] { return num::generalized_inverse(a, r, c, result, w); }) : 0;
}
int MatGenInvertSym(double** a, int n, double** result) {
    return a && result ? guarded(0, [&] { return num::generalized_inverse_sym(a, n, result); }) : 0;
}

double** MatAB(double** a, int r, int c, double** b, int c2, double** y) {
    num::matmul(y, a, r, c, b, c, c2, 0, 0);
    return y;
}
double** MatABt(double** a, int r, int c, double** b, int r2, double** y) {
    num::matmul(y, a, r, c, b, r2, c, 0, 1);
    return y;
}
double** MatAtB(double** a, int r, int c, double** b, int c2, double** y) {
    num::matmul(y, a, r, c, b, r, c2, 1, 0);
    return y;
}
double** MatBBt(double** b, int r, int c, double** y) {
    num::matmul(y, b, r, c, b, r, c, 0, 1);
    return y;
}
double** MatBtB(double** b, int r, int c, double** y) {
    num::matmul(y, b, r, c, b, r, c, 1, 0);
    return y;
}
double DTrace(double** a, int n) {
    double s = 0;
    for (int i = 0; i < n; ++i) s += a[i][i];
    return s;
}
double DTraceAB(double** a, double** b, int r, int c) {
    double s = 0;
    for (int i = 0; i < r; ++i)
        for (int k = 0; k < c; ++k) s += a[i][k] * b[k][i];
    return s;
}
double DVecsum(const double* v, int n) {
    double s = 0;
    for (int i = 0; i < n; ++i) s += v[i];
    return s;
}
void MatTranspose(double** a, int n) {
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < i; ++j) std::swap(a[i][j], a[j][i]);
}

// A guarded default handed back is the default itself.
int FKjSetKernel(const char* name, void* fn) {
    for (const GuardedKernel& k : k_guarded_kernels)
        if (fn && fn == k.guarded) fn = k.fn;
    return num::set_kernel(name, fn) ? 1 : 0;
}
void* KjGetKernel(const char* name) {
    void* fn = num::kernel(name);
    for (const GuardedKernel& k : k_guarded_kernels)
        if (fn && fn == k.fn) return k.guarded;
    return fn;
}

}  // extern "C"
