// The general inverse for the operators (right division, negative powers):
// the installed inversion kernel with the current inversion epsilon.
#pragma once

namespace kj::num {

enum LuStatus : int { Lu_Ok = 0, Lu_Singular = 1, Lu_OutOfMemory = 2 };

// Replaces the n x n block a by its inverse; on failure (a singular pivot) a
// is unchanged. Work space that cannot be allocated is std::bad_alloc.
int lu_invert(double** a, int n);

}  // namespace kj::num
