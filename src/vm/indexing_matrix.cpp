// Indexing matrices. A first index turns the matrix into a "vector" record
// holding the index unchecked; a second index selects rows by the first and
// columns by the second. Stores write into the indexed block in place, so
// the variable whose alias is the target sees them.
#include <cstring>

#include "runtime/alloc.h"
#include "vm/indexing.h"
#include "vm/operators_operand.h"

namespace kj::vm {

using namespace value;

namespace {

bool is_full_range(const Value& index) {
    return !is_null(index) && type_of(index) == T_Range && index.u.rng.first == 0 &&
           index.u.rng.last == KJ_RANGE_OPEN;
}

// Stored values must be numbers or matrices.
void check_storable(const Value& val) {
    const Num n = numeric(val);
    if (n.kind == Num::Other) runtime::raise_run_error(runtime::E_ScalarExpected);
}

// Writes `val` at the selected positions of the row-major data: a scalar (or
// 1 by 1 matrix) fills them, a matrix is copied in row-major order as far as
// both reach.
void fill_or_copy(double* data, const Selection& s, const Value& val) {
    const Num n = numeric(val);
    if (n.scalar_like()) {
        const double x = n.scalar();
        for (int k = 0; k < s.count(); ++k) data[s.at(k)] = x;
        return;
    }
    const int count = static_cast<int>(n.count()) < s.count() ? static_cast<int>(n.count()) : s.count();
    for (int k = 0; k < count; ++k) data[s.at(k)] = n.p[k];
}

}  // namespace

void load_matrix_first(Value& target, Value& index) {
    Value vec = target;
    vec.type = (target.type & ~(KJ_TYPE_MASK | k_idx_value | k_idx_range | k_null | k_const)) | T_Vector;
    const uint32_t t = is_null(index) ? T_None : type_of(index);
    if (t == T_Int) {
        vec.u.mat.idx.i[0] = index.u.ival;
    } else if (t == T_Double) {
        vec.u.mat.idx.i[0] = truncate_to_int(index.u.dval);
    } else if (t == T_Matrix && index.u.mat.r == 1 && index.u.mat.c == 1) {
        vec.u.mat.idx.i[0] = truncate_to_int(index.u.mat.m[0][0]);
    } else if (t == T_Range) {
        vec.type |= k_idx_range;
        vec.u.mat.idx.i[0] = index.u.rng.first;
        vec.u.mat.idx.i[1] = index.u.rng.last;
    } else if (t == T_Matrix) {
        // The vector keeps its own record of the index matrix.
        Value copy{};
        transfer(copy, index);
        auto* rec = static_cast<Value*>(runtime::raw_alloc(sizeof(Value)));
        if (!rec) {
            release(copy);
            runtime::raise_run_error(runtime::E_OutOfMemory);
        }
        *rec = copy;
        vec.type |= k_idx_value;
        vec.u.mat.idx.v = rec;
    } else {
        runtime::raise_run_error(runtime::E_ScalarOrMatrix);
    }
    target = vec;
}

void load_matrix_second(Value& vec, Value& index) {
    const Value src = indexed_matrix(vec);
    const Selection rows = select_vector_rows(vec, value::IndexForm::Row, src);
    const Selection cols = select_by(index, src.u.mat.c, value::IndexForm::Column, src);
    double** m = src.u.mat.m;
    Value result;
    if (rows.kind == Selection::Single && cols.kind == Selection::Single) {
        result = make_double(m[rows.first][cols.first]);
    } else {
        MatrixTemp t(rows.count(), cols.count());
        double* out = t.data();
        for (int i = 0; i < rows.count(); ++i) {
            const double* row = m[rows.at(i)];
            if (cols.kind == Selection::Range) {
                std::memcpy(out, row + cols.first, static_cast<std::size_t>(cols.count()) * sizeof(double));
                out += cols.count();
            } else {
                for (int j = 0; j < cols.count(); ++j) *out++ = row[cols.at(j)];
            }
        }
        result = t.take();
    }
    release(vec);
    vec = result;
}

void store_matrix(Value& target, const Value& index, const Value& val) {
    check_storable(val);
    const int r = target.u.mat.r, c = target.u.mat.c;
    if (r >= 2 && c >= 2 && !is_full_range(index)) runtime::run_warning(nullptr, runtime::W_VectorIndex);
    const Selection s = select_by(index, r * c, value::IndexForm::Single, target);
    double* data = s.count() ? target.u.mat.m[0] : nullptr;
    if (s.kind == Selection::Single)
        data[s.first] = to_double(val, Strictness::Strict);
    else
        fill_or_copy(data, s, val);
}

void store_matrix_pair(Value& vec, const Value& index, const Value& val) {
    check_storable(val);
    const Value src = indexed_matrix(vec);
    const Selection rows = select_vector_rows(vec, value::IndexForm::Row, src);
    const Selection cols = select_by(index, src.u.mat.c, value::IndexForm::Column, src);
    double** m = src.u.mat.m;
    if (rows.kind == Selection::Single && cols.kind == Selection::Single) {
        m[rows.first][cols.first] = to_double(val, Strictness::Strict);
        return;
    }
    const Num n = numeric(val);
    if (n.scalar_like()) {
        const double x = n.scalar();
        for (int i = 0; i < rows.count(); ++i)
            for (int j = 0; j < cols.count(); ++j) m[rows.at(i)][cols.at(j)] = x;
        return;
    }
    // Block-wise: row k of the value into the k-th selected row.
    const int nr = rows.count() < n.r ? rows.count() : n.r;
    const int nc = cols.count() < n.c ? cols.count() : n.c;
    for (int i = 0; i < nr; ++i)
        for (int j = 0; j < nc; ++j) m[rows.at(i)][cols.at(j)] = n.p[static_cast<std::size_t>(i) * n.c + j];
}

}  // namespace kj::vm
