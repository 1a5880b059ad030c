// Choleski decomposition a = L L' of a symmetric positive definite matrix
// (only the lower triangle is read).
#pragma once

namespace kj::num {

// The default kernel: 0 with L in the lower triangle and zeros above; 1 when
// a diagonal element before its square root is at most the inversion eps.
int choleski_default(double** a, int n);
// Through the installed kernel; true on success.
bool choleski(double** a, int n);

}  // namespace kj::num
