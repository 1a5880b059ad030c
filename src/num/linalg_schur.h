// Real Schur and generalized real Schur (QZ) decompositions (LAPACK dgees
// and dgges).
#pragma once

namespace kj::num {

// Which eigenvalues are moved to the leading block.
enum class SchurSelect { None, LeftHalfPlane, RightHalfPlane, InsideUnitCircle, OutsideUnitCircle };

// a = V S V': a (n x n) becomes S, v (may be null) gets V, re/im the
// eigenvalues in the order of S's diagonal. 0 success, 1 LAPACK failure, 2
// no LAPACK.
int schur(double** a, int n, double* re, double* im, double** v, SchurSelect select);

// a = Q S Z', b = Q T Z': a becomes S, b becomes T; q and z may be null;
// eigenvalue k is (alphar[k] + i alphai[k]) / beta[k]. Codes as schur.
int schur_generalized(double** a, double** b, int n, double* alphar, double* alphai, double* beta, double** q,
                      double** z, SchurSelect select);

}  // namespace kj::num
