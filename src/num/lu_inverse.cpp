#include "num/lu_inverse.h"

#include "num/linalg_lu.h"

namespace kj::num {

int lu_invert(double** a, int n) { return n <= 0 || invert(a, n) == 0 ? Lu_Ok : Lu_Singular; }

}  // namespace kj::num
