#include "value/matrix_block.h"
#include "value/value.h"

namespace kj::value {

bool relabel_owned(Value& v, int r, int c) {
    if (v.type != (T_Matrix | k_owns) || !v.u.mat.m || r < 1 || c < 1) return false;
    if (static_cast<long long>(r) * c != static_cast<long long>(v.u.mat.r) * v.u.mat.c) return false;
    if (r != v.u.mat.r) {
        double** m = relabel_rows(v.u.mat.m, r, c);
        if (!m) return false;
        v.u.mat.m = m;
    }
    v.u.mat.r = r;
    v.u.mat.c = c;
    return true;
}

}  // namespace kj::value
