// LU decomposition with partial pivoting (Crout order, the first maximum in
// the column is the pivot), solving with the factors, and the general
// inverse with its log-determinant.
#pragma once

namespace kj::num {

// Orders up to this size never call LAPACK.
constexpr int k_small_order = 64;

// P a = L U in place: L unit lower below the diagonal, U on and above it.
// pivots[k] is the row exchanged with row k at step k. With logdet/sign
// (either may be null), the log-determinant pair: sign +-1, +-2 when the
// smallest pivot is at most eps x |a|inf, 0 with logdet 1.0 for an exactly
// zero pivot. Returns 0, -1 for a bad argument, or k+1 when the pivot of step k is
// at most eps in absolute value (then pivots[j] = j and a(j,j) = 0 from k on,
// and the sign stays 0). `work` is not needed and may be null.
int lup_decompose(double** a, int n, int* pivots, double* logdet, int* sign, double** work);

// The log-determinant pair alone, as lup_decompose gives it; a is
// overwritten. Large orders factor the transposed reading of the rows
// (det a' = det a) in place, so that nothing is copied; pivots (may be null)
// then records the exchanges of that factorisation.
int lup_logdet(double** a, int n, int* pivots, double* logdet, int* sign);

// a = L U without row exchanges (Doolittle); 0, or k+1 when the pivot of
// step k is at most eps in absolute value.
int lu_decompose_unpivoted(double** a, int n);

// Solves in place with separate factors: forward with l (its own diagonal as
// divisor; step i first exchanges b[i] and b[pivots[i]]), then backward with
// u. Null l, u or pivots skip that part. Zero coefficients are skipped and a
// zero diagonal element gives a zero component.
void lup_solve(double** l, double** u, const int* pivots, double* b, int n);
// The same for the combined factors of lup_decompose (unit L).
void lup_solve_combined(double** lu, const int* pivots, double* b, int n);
// The inverse from the combined factors into result (n x n, not lu).
int lup_solve_inverse(double** lu, double** result, const int* pivots, int n);

// The default general-inverse kernel: 0 with a replaced by its inverse, 1 on
// any failure (a unchanged). logdet and sign may be null.
int invert_default(double** a, int n, double* logdet, int* sign);
// Through the installed kernel.
int invert(double** a, int n, double* logdet = nullptr, int* sign = nullptr);

// The sign code and log-determinant from the diagonal of U and the number
// of row exchanges (shared by the LAPACK and the own decomposition).
void lu_logdet(const double* diag, int stride, int n, int exchanges, double eps_norm, double* logdet, int* sign);

}  // namespace kj::num
