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

extern "C" {

void SetInvertEps(double eps) { num::set_invert_eps(eps); }
double DGetInvertEps(void) { return num::invert_eps(); }
double DGetInvertEpsNorm(double** a, int n) { return n < 1 || !a ? 0.0 : num::invert_eps_norm(a, n); }

int ILUPdec(double** a, int n, int* pivots, double* logdet, int* sign, double** work) {
    return num::lup_decompose(a, n, pivots, logdet, sign, work);
}
int ILUPlogdet(double** a, int n, int* pivots, double* logdet, int* sign, double**) {
    return num::lup_logdet(a, n, pivots, logdet, sign);
}
void LUPsolve(double** l, double** u, const int* pivots, double* b, int n) {
    if (b) num::lup_solve(l, u, pivots, b, n);
}
void LUPsolveInv(double** lu, double** result, const int* pivots, int n) {
    if (lu && result) num::lup_solve_inverse(lu, result, pivots, n);
}
int IInvert(double** a, int n) { return num::invert(a, n); }
int IInvDet(double** a, int n, double* logdet, int* sign) { return num::invert(a, n, logdet, sign); }
int FPPtDec(double** a, int n) { return num::choleski(a, n) ? 1 : 0; }
int ILDLdec(double** a, double* dinv, int n) { return num::ldl_decompose(a, dinv, n); }
void LDLsolve(double** l, const double* dinv, double* b, int n) {
    if (l && dinv && b) num::ldl_solve(l, dinv, b, n);
}
void LDLsolveInv(double** l, const double* dinv, double** result, int n) {
    if (l && dinv && result) num::ldl_solve_inverse(l, dinv, result, n);
}
int ISymInv(double** a, int n) { return num::invertsym(a, n); }
int ISymInvDet(double** a, int n, double* logdet) { return num::invertsym(a, n, logdet); }
int ILDLbandDec(double** band, double* dinv, int n, int p) { return num::ldl_band_decompose(band, dinv, n, p); }
void LDLbandSolve(double** l, const double* dinv, double* b, int n, int p) {
    if (l && dinv && b) num::ldl_band_solve(l, dinv, b, n, p);
}

int IEigValSym(double** a, int n, double* eval) { return num::eigensym_ql(a, n, eval, 0); }
int IEigVecSym(double** a, int n, double* eval) { return num::eigensym_ql(a, n, eval, 1); }
int IEigenSym(double** a, int n, double* eval, int vectors) { return num::eigensym(a, n, eval, vectors); }
int IGenEigVecSym(double** a, double** b, int n, double* eval) { return num::eigensym_generalized(a, b, n, eval); }
int IEigen(double** a, int n, double* re, double* im, double** vectors) { return num::eigen(a, n, re, im, vectors); }
int IEigValReal(double** a, int n, double* re, double* im) { return num::eigen_default(a, n, re, im, nullptr); }
int IEigVecReal(double** a, int n, double* re, double* im) {
    return re && im ? num::eigen_rows(a, n, re, im) : 2;
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
    return xt && (n == 0 || (yt && b)) ? num::ols_qr(xt, k, t, yt, n, b, xtxinv, xtx) : 0;
}
void OlsQRacc(double** qr, const double* rdiag, const int* pivots, int k, int t, int rank, double** yt, int n,
              double** b, double** xtxinv) {
    if (!qr || !rdiag || k <= 0 || t < 0 || (n > 0 && (!yt || !b))) return;
    try {
        num::ols_from_qr(qr, rdiag, pivots, k, t, rank, yt, n > 0 ? n : 0, b, xtxinv);
    } catch (const std::bad_alloc&) {
        // No memory for the work space: what was not yet written stays as it was.
    }
}
int IOlsNorm(double** xt, int k, int t, double** yt, int n, double** b, double** xtxinv, double** xtx) {
    return xt && (n == 0 || (yt && b)) ? num::ols_normal(xt, k, t, yt, n, b, xtxinv, xtx) : 0;
}

int IDecSVD(double** a, int r, int c, double* w, double** u, double** v) { return num::decsvd(a, r, c, w, u, v, 1); }
int ISVDdec(double** a, int r, int c, double* w, double** u, double** v) {
    return num::decsvd_default(a, r, c, w, u, v, 1);
}
int IMatRank(double** a, int r, int c, double tol, int absolute) {
    return a || r == 0 || c == 0 ? num::matrix_rank(a, r, c, tol, absolute != 0) : -1;
}
int INullSpace(double** a, int r, int c, double** out) {
    if (!a || !out) return -1;
    num::WorkBlock basis;
    const int k = num::null_space(a, r, c, basis);
    if (k > 0) basis.copy_to(out);
    return k;
}
int MatGenInvert(double** a, int r, int c, double** result, double* w) {
    return a && result ? num::generalized_inverse(a, r, c, result, w) : 0;
}
int MatGenInvertSym(double** a, int n, double** result) {
    return a && result ? num::generalized_inverse_sym(a, n, result) : 0;
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

int FKjSetKernel(const char* name, void* fn) { return num::set_kernel(name, fn) ? 1 : 0; }
void* KjGetKernel(const char* name) { return num::kernel(name); }

}  // extern "C"
