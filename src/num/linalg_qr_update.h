// Updating full QR factors (Q r x r orthogonal, R r x c upper triangular)
// in place by Givens rotations.
#pragma once

namespace kj::num {

// Deletes column col of the factored matrix: r becomes r x (c-1) (the
// caller drops the last column of the block).
void qr_delete_column(double** q, double** r, int rows, int cols, int col);
// The factors of Q R + u v' (u: rows entries, v: cols entries).
void qr_rank_one_update(double** q, double** r, int rows, int cols, const double* u, const double* v);

}  // namespace kj::num
