// XLD, XST, XGL, XGS, XMV and XRS support: dispatch by the indexed value's
// type, the resolution of indices into positions, and array elements.
#include "vm/indexing.h"

#include <cmath>

#include "runtime/alloc.h"
#include "vm/operators.h"
#include "vm/operators_operand.h"

namespace kj::vm {

using namespace value;

Selection select_single(int i, int size, value::IndexForm form, const Value& described) {
    if (i < 0 || i >= size) value::raise_index_error(i, form, described);
    Selection s;
    s.kind = Selection::Single;
    s.first = i;
    s.n = 1;
    return s;
}

Selection select_range(int first, int last, int size, value::IndexForm form, const Value& described) {
    Selection s;
    s.kind = Selection::Range;
    if (size == 0 && first == 0) return s;
    if (last == KJ_RANGE_OPEN) last = size - 1;
    if (first < 0 || last >= size || first > last) value::raise_range_error(first, last, form, described);
    s.first = first;
    s.n = last - first + 1;
    return s;
}

Selection select_by(const Value& index, int size, value::IndexForm form, const Value& described) {
    if (!is_null(index)) {
        switch (type_of(index)) {
            case T_Int: return select_single(index.u.ival, size, form, described);
            case T_Double: return select_single(truncate_to_int(index.u.dval), size, form, described);
            case T_Range: return select_range(index.u.rng.first, index.u.rng.last, size, form, described);
            case T_Matrix: {
                const int r = index.u.mat.r, c = index.u.mat.c;
                if (r == 1 && c == 1) return select_single(truncate_to_int(index.u.mat.m[0][0]), size, form, described);
                Selection s;
                s.kind = Selection::List;
                s.n = r > 0 && c > 0 ? r * c : 0;
                s.list = s.n ? index.u.mat.m[0] : nullptr;
                for (int k = 0; k < s.n; ++k) {
                    const int i = s.at(k);
                    if (i < 0 || i >= size) value::raise_index_error(i, form, described);
                }
                return s;
            }
            default: break;
        }
    }
    runtime::raise_run_error(runtime::E_ScalarOrMatrix);
}

Selection select_vector_rows(const Value& vec, value::IndexForm form, const Value& described) {
    const int size = vec.u.mat.r;
    if (has_flag(vec, k_idx_value))
        return select_by(*vec.u.mat.idx.v, size, form, described);
    if (has_flag(vec, k_idx_range))
        return select_range(vec.u.mat.idx.i[0], vec.u.mat.idx.i[1], size, form, described);
    return select_single(vec.u.mat.idx.i[0], size, form, described);
}

Value indexed_matrix(const Value& vec) {
    Value m{};
    m.type = T_Matrix;
    m.u.mat.r = vec.u.mat.r;
    m.u.mat.c = vec.u.mat.c;
    m.u.mat.m = vec.u.mat.m;
    return m;
}

namespace {

// --- arrays ---------------------------------------------------------------

// Whether releasing the array would release its elements.
bool owns_elements(const Value& a) { return owns(a) && !has_flag(a, k_shared) && !has_flag(a, k_address); }

// Replaces the array record by its element i: moved out of an array that
// owns its elements, otherwise an alias.
void take_element(Value& arr, int i) {
    Value& e = arr.u.arr.v[i];
    Value out = e;
    if (owns_elements(arr))
        e = make_none();
    else
        out.type &= ~k_owns;
    release(arr);
    arr = out;
}

void load_array(Value& arr, const Value& index) {
    const Selection s = select_by(index, arr.u.arr.n, value::IndexForm::Single, arr);
    if (s.kind == Selection::Single) return take_element(arr, s.first);
    // A sub-array: deep copies from an array that owns its elements, else a
    // shared block of aliases (made private when it is stored or passed).
    const bool copy = owns_elements(arr);
    Value sub{};
    set_array(sub, s.count());
    for (int k = 0; k < s.count(); ++k) {
        const Value& e = arr.u.arr.v[s.at(k)];
        if (copy) {
            duplicate(sub.u.arr.v[k], e);
        } else {
            sub.u.arr.v[k] = e;
            sub.u.arr.v[k].type &= ~k_owns;
        }
    }
    if (!copy) sub.type |= k_shared;
    release(arr);
    arr = sub;
}

void store_array(Value& arr, const Value& index, Value& val) {
    const Selection s = select_by(index, arr.u.arr.n, value::IndexForm::Single, arr);
    if (s.count() != 1) runtime::raise_run_error(runtime::E_OneArrayItem);
    Value& e = arr.u.arr.v[s.at(0)];
    if (has_flag(e, k_const)) runtime::raise_run_error(runtime::E_UseConstant);
    assign(e, val);
}

}  // namespace

// --- the instructions ---------------------------------------------------------

void index_load(Value*& sp) {
    Value& target = sp[-1];
    Value& index = sp[0];
    if (type_of(index) == T_Vector) materialize(index);
    if (is_null(target)) value::raise_cannot_index(target);
    switch (type_of(target)) {
        case T_Matrix: load_matrix_first(target, index); break;
        case T_Vector: load_matrix_second(target, index); break;
        case T_String: load_string(target, index); break;
        case T_Array: load_array(target, index); break;
        default: value::raise_cannot_index(target);
    }
    release(index);
    --sp;
}

void index_store(Value*& sp) {
    Value& target = sp[-2];
    Value& index = sp[-1];
    Value& val = sp[0];
    if (type_of(index) == T_Vector) materialize(index);
    if (type_of(val) == T_Vector) materialize(val);
    if (is_null(target)) value::raise_cannot_index(target);
    switch (type_of(target)) {
        case T_Matrix: store_matrix(target, index, val); break;
        case T_Vector: store_matrix_pair(target, index, val); break;
        case T_String: store_string(target, index, val); break;
        case T_Array: store_array(target, index, val); break;
        default: value::raise_cannot_index(target);
    }
    // The stored value ends on top; the target and the index are consumed.
    release(index);
    release(target);
    target = val;
    sp -= 2;
}

void gauss_index_to_zero_based(Value& index) {
    if (is_null(index)) return;
    auto scalar = [&](double x) {
        const int32_t i = truncate_to_int(x);
        Value out{};
        if (i == 0) {
            out.type = T_Range;
            out.u.rng.first = 0;
            out.u.rng.last = KJ_RANGE_OPEN;
        } else {
            out = make_int(i - 1);
        }
        release(index);
        index = out;
    };
    switch (type_of(index)) {
        case T_Int: return scalar(index.u.ival);
        case T_Double: return scalar(index.u.dval);
        case T_Range: {
            const int first = index.u.rng.first, last = index.u.rng.last;
            if (last == KJ_RANGE_OPEN || first <= last) {
                index.u.rng.first = first - 1;
                if (last != KJ_RANGE_OPEN) index.u.rng.last = last - 1;
                return;
            }
            // Descending: the indices first-1, first-2, ..., last-1.
            MatrixTemp t(static_cast<int64_t>(first) - last + 1, 1);
            for (int k = 0; k < t.r(); ++k) t.data()[k] = first - 1 - k;
            index = t.take();
            return;
        }
        case T_Matrix: {
            const int r = index.u.mat.r, c = index.u.mat.c;
            if (r == 1 && c == 1) return scalar(index.u.mat.m[0][0]);
            make_owned(index);
            const std::size_t n = static_cast<std::size_t>(r > 0 ? r : 0) * static_cast<std::size_t>(c > 0 ? c : 0);
            for (std::size_t k = 0; k < n; ++k) index.u.mat.m[0][k] -= 1.0;
            return;
        }
        default: return;
    }
}

void index_load_gauss(int, Value*& sp) {
    if (type_of(sp[0]) == T_Vector) materialize(sp[0]);
    gauss_index_to_zero_based(sp[0]);
    index_load(sp);
}

void index_store_gauss(int, Value*& sp) {
    if (type_of(sp[-1]) == T_Vector) materialize(sp[-1]);
    gauss_index_to_zero_based(sp[-1]);
    index_store(sp);
}

void multiple_assign_element(int k, Value& top) {
    if (!is_null(top) && type_of(top) == T_Array) {
        if (k < 0 || k >= top.u.arr.n) value::raise_index_error(k, value::IndexForm::Single, top);
        return take_element(top, k);
    }
    if (k != 0) value::raise_index_error(k, value::IndexForm::Single, top);
}

void prepare_indexed_store(Value& variable) {
    if (is_null(variable)) return;
    const uint32_t t = type_of(variable);
    if (t != T_Int && t != T_Double) return;
    const double x = t == T_Int ? variable.u.ival : variable.u.dval;
    MatrixTemp m(1, 1);
    m.data()[0] = x;
    const uint32_t kept = variable.type & ~(KJ_TYPE_MASK | k_owns);
    variable = m.take();
    variable.type |= kept;
}

}  // namespace kj::vm
