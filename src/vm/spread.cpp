#include "vm/spread.h"

#include <cstring>
#include <vector>

#include "runtime/alloc.h"
#include "runtime/run_error.h"

namespace kj::vm {

namespace {
// Parts not yet on the stack are released when an error leaves the expansion.
struct Parts {
    std::vector<Value> v;
    ~Parts() {
        for (Value& p : v) value::release(p);
    }
};

int part_count(const Value& v) {
    if (value::type_of(v) == value::T_Array) return v.u.arr.n;
    return v.u.mat.r > 0 ? v.u.mat.c : 0;
}

// A private deep copy, released when an error leaves before its elements move.
struct PrivateCopy {
    Value v;
    ~PrivateCopy() { value::release(v); }
};

// The elements of an array, each owned; the array record is left without payload.
void take_elements(Value& array, Parts& parts) {
    PrivateCopy copy{array};
    const bool private_block = value::owns(array) && !value::has_flag(array, value::k_shared);
    if (private_block) {
        array.type &= ~value::k_owns;
    } else {
        copy.v.type &= ~(value::k_owns | value::k_shared);
        value::make_owned(copy.v);
        value::release(array);
    }
    for (int i = 0; i < copy.v.u.arr.n; ++i) parts.v.push_back(copy.v.u.arr.v[i]);
    runtime::raw_free(copy.v.u.arr.v);
    copy.v = value::make_int(0);
    array = value::make_int(0);
}

void take_columns(Value& matrix, Parts& parts) {
    const int r = matrix.u.mat.r, c = part_count(matrix);
    for (int j = 0; j < c; ++j) {
        parts.v.push_back(value::make_int(0));
        Value& col = parts.v.back();
        value::set_matrix(col, r, 1);
        for (int i = 0; i < r; ++i) col.u.mat.m[i][0] = matrix.u.mat.m[i][j];
    }
    value::release(matrix);
    matrix = value::make_int(0);
}
}  // namespace

int spread_arguments(Engine& e, Value* callee, int n) {
    for (int i = 0; i < n; ++i) {
        Value* arg = callee + 1 + i;
        if (!is_spread(*arg)) continue;
        const int p = part_count(*arg);
        if (e.limit() - e.sp < 10 + p) runtime::raise_run_error(runtime::E_StackOverflow);
        Parts parts;
        parts.v.reserve(static_cast<std::size_t>(p));
        if (value::type_of(*arg) == value::T_Array)
            take_elements(*arg, parts);
        else
            take_columns(*arg, parts);

        // Ownership of the parts moves onto the stack.
        const int after = n - i - 1;
        std::memmove(static_cast<void*>(arg + p), arg + 1, static_cast<std::size_t>(after) * sizeof(Value));
        if (p > 0) std::memcpy(static_cast<void*>(arg), parts.v.data(), static_cast<std::size_t>(p) * sizeof(Value));
        parts.v.clear();
        if (p == 0) arg[after] = value::make_int(0);  // the record vacated at the old top
        e.sp += p - 1;
        n += p - 1;
        i += p - 1;
    }
    return n;
}

}  // namespace kj::vm
