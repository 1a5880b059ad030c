// Materialising a pending "vector" index, and the truth value of a record.
#include <cmath>

#include "runtime/alloc.h"
#include "value/matrix_cache.h"
#include "value/value.h"
#include "runtime/run_error.h"
#include "value/index_errors.h"

namespace kj::value {

namespace {
// The matrix the vector points into, as a value for error descriptions.
Value source_matrix(const Value& v) {
    Value m{};
    m.type = T_Matrix;
    m.u.mat.r = v.u.mat.r;
    m.u.mat.c = v.u.mat.c;
    m.u.mat.m = v.u.mat.m;
    return m;
}

int truncate_index(double x) {
    if (!(x > -2147483648.0 && x < 2147483648.0)) return -1;
    return static_cast<int>(x);
}

// `out` becomes a row (a vector of a row, r == 1) or a column of `count`
// elements; its elements, for the caller to fill.
double* gathered(Value& out, int r, int count) {
    const int rows = r == 1 ? 1 : count, cols = r == 1 ? count : 1;
    out.u.mat.m = mat_alloc_cached(rows, cols);
    if (!out.u.mat.m) runtime::raise_run_error(runtime::E_OutOfMemory);
    out.u.mat.r = rows;
    out.u.mat.c = cols;
    return out.u.mat.m[0];
}

// Replaces v by `out` (owned), releasing the source matrix if v owned it.
void replace(Value& v, const Value& out) {
    if (owns(v)) mat_free_cached(v.u.mat.m, v.u.mat.r, v.u.mat.c);
    v = out;
}
}  // namespace

// The matrix is seen as one row-major sequence of rows * columns elements.
void materialize(Value& v) {
    if (type_of(v) != T_Vector) return;
    const uint32_t flags = v.type;
    const int r = v.u.mat.r, c = v.u.mat.c;
    const int n = r * c;
    const Value src = source_matrix(v);
    double* const data = (v.u.mat.m && r > 0 && c > 0) ? v.u.mat.m[0] : nullptr;

    const bool is_range = flags & k_idx_range;
    const bool is_index_value = flags & k_idx_value;
    const bool full = is_range && v.u.mat.idx.i[0] == 0 && v.u.mat.idx.i[1] == KJ_RANGE_OPEN;
    if (r >= 2 && c >= 2 && !full) runtime::run_warning(nullptr, runtime::W_VectorIndex);

    if (!is_range && !is_index_value) {
        const int i = v.u.mat.idx.i[0];
        if (i < 0 || i >= n) raise_index_error(i, IndexForm::Single, src);
        const double x = data[i];
        replace(v, make_double(x));
        return;
    }

    // Gather the selected positions into a new vector.
    Value out{};
    out.type = T_Matrix | k_owns;
    if (is_range) {
        int first = v.u.mat.idx.i[0], last = v.u.mat.idx.i[1];
        if (last == KJ_RANGE_OPEN) last = n - 1;
        const bool empty_ok = n == 0 && first == 0;
        if (!empty_ok && (first < 0 || last >= n || first > last))
            raise_range_error(first, v.u.mat.idx.i[1] == KJ_RANGE_OPEN ? last : v.u.mat.idx.i[1],
                              IndexForm::Single, src);
        const int count = empty_ok ? 0 : last - first + 1;
        if (count > 0) {
            double* const to = gathered(out, r, count);
            for (int k = 0; k < count; ++k) to[k] = data[first + k];
        }
    } else {
        Value* idx = v.u.mat.idx.v;
        const int count = idx ? size_r(*idx) * size_c(*idx) : 0;
        double* ix = (idx && type_of(*idx) == T_Matrix && count > 0) ? idx->u.mat.m[0] : nullptr;
        for (int k = 0; k < count; ++k) {
            const double x = ix ? ix[k] : (type_of(*idx) == T_Int ? idx->u.ival : idx->u.dval);
            const int i = truncate_index(x);
            if (i < 0 || i >= n) raise_index_error(i, IndexForm::Single, src);
        }
        if (count > 0) {
            double* const to = gathered(out, r, count);
            for (int k = 0; k < count; ++k) {
                const double x = ix ? ix[k] : (type_of(*idx) == T_Int ? idx->u.ival : idx->u.dval);
                to[k] = data[truncate_index(x)];
            }
        }
        if (idx) {
            release(*idx);
            runtime::raw_free(idx);
        }
        v.u.mat.idx.v = nullptr;
    }
    replace(v, out);
}

bool truth(Value& v) {
    if (is_null(v)) return false;
    if (type_of(v) == T_Vector) materialize(v);
    switch (type_of(v)) {
        case T_Int: return v.u.ival != 0;
        case T_Double: return !FIsNaN(v.u.dval) && v.u.dval != 0.0;
        case T_Matrix: {
            const int r = v.u.mat.r, c = v.u.mat.c;
            if (r <= 0 || c <= 0) return false;
            const double* p = v.u.mat.m[0];
            for (long k = 0, n = static_cast<long>(r) * c; k < n; ++k)
                if (p[k] == 0.0 || FIsNaN(p[k])) return false;
            return true;
        }
        case T_Array: return v.u.arr.n != 0;
        default: return true;
    }
}

}  // namespace kj::value
