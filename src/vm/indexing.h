// Internal to the indexing files: the positions an index selects along one
// dimension, resolved and range-checked against the dimension's size.
#pragma once

#include <cstddef>

#include "value/value.h"
#include "vm/conversions.h"
#include "runtime/run_error.h"
#include "value/index_errors.h"

namespace kj::vm {

struct Selection {
    enum Kind { Single, Range, List } kind = Single;
    int first = 0;   // Single: the position; Range: the first position
    int n = 0;       // number of positions
    const double* list = nullptr;  // List: index values, truncated on access

    int count() const { return n; }
    int at(int k) const {
        switch (kind) {
            case Single: return first;
            case Range: return first + k;
            default: return truncate_to_int(list[k]);
        }
    }
};

// One position: 0 <= i < size, else "index out of range" with the report form.
Selection select_single(int i, int size, value::IndexForm form, const value::Value& described);
// first..last (last KJ_RANGE_OPEN: to the end). An empty dimension with first 0
// selects nothing; a negative first, a last at or past the size or first > last
// is "invalid index range".
Selection select_range(int first, int last, int size, value::IndexForm form, const value::Value& described);
// An index record: int, double (truncated), 1 by 1 matrix (its element), range
// or a matrix of indices (row-major, each checked); any other type is error 18
// "scalar or matrix expected".
Selection select_by(const value::Value& index, int size, value::IndexForm form, const value::Value& described);
// The row index a "vector" record holds.
Selection select_vector_rows(const value::Value& vec, value::IndexForm form, const value::Value& described);

// The matrix a "vector" record indexes, as a plain alias record (for reports).
value::Value indexed_matrix(const value::Value& vec);

// Index loads and stores by target type (indexing_matrix.cpp, indexing_string.cpp).
void load_matrix_first(value::Value& target, value::Value& index);   // matrix -> "vector"
void load_matrix_second(value::Value& vec, value::Value& index);     // "vector" -> matrix or double
void store_matrix(value::Value& target, const value::Value& index, const value::Value& val);
void store_matrix_pair(value::Value& vec, const value::Value& index, const value::Value& val);
void load_string(value::Value& target, const value::Value& index);
void store_string(value::Value& target, const value::Value& index, const value::Value& val);

}  // namespace kj::vm
