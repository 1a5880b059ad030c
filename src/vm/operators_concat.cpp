// Concatenation: `~` horizontal, `|` vertical. Numbers and matrices are
// joined with zero padding; two strings join with `~`; two arrays join into
// one array with either operator (the array constructor is built with `|`).
#include <malloc.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "link/operator_codes.h"
#include "runtime/alloc.h"
#include "vm/conversions.h"
#include "vm/operators_operand.h"

namespace kj::vm {

using namespace value;
using namespace link;

namespace {

bool has_type(const Value& v, uint32_t t) { return !is_null(v) && type_of(v) == t; }

bool append_in_place(Value& var, const Value& right, const Value* from, const Value* to);

void join_strings(Value*& sp) {
    Value& l = sp[-1];
    const Value& r = sp[0];
    // A temporary on the left (a ~ b ~ c ...) grows in place: many pieces
    // join in linear time.
    if (append_in_place(l, r, nullptr, nullptr)) {
        value::release(sp[0]);
        --sp;
        return;
    }
    Value s{};
    set_string_alloc(s, static_cast<int64_t>(l.u.str.len) + r.u.str.len);
    if (l.u.str.len > 0) std::memcpy(s.u.str.s, l.u.str.s, static_cast<std::size_t>(l.u.str.len));
    if (r.u.str.len > 0) std::memcpy(s.u.str.s + l.u.str.len, r.u.str.s, static_cast<std::size_t>(r.u.str.len));
    finish_binary(sp, s);
}

// Moves the elements of an array into `dst` (owned, unshared source) or
// copies them (alias or shared source); the source keeps no elements.
void take_elements(Value* dst, Value& src) {
    const int n = src.u.arr.n;
    if (owns(src) && !has_flag(src, k_shared)) {
        if (n > 0) std::memcpy(static_cast<void*>(dst), src.u.arr.v, static_cast<std::size_t>(n) * sizeof(Value));
        src.u.arr.n = 0;  // release now frees the block only
        value::release(src);
        return;
    }
    for (int k = 0; k < n; ++k) duplicate(dst[k], src.u.arr.v[k]);
}

// Appends r's elements to l, which owns its block: the block grows by half
// again when it is full, so that the array constructor, which appends one
// element at a time, takes linear time.
void append_to_array(Value& l, Value& r) {
    const int n = l.u.arr.n;
    const int total = dimension(static_cast<int64_t>(n) + r.u.arr.n);
    const std::size_t need = static_cast<std::size_t>(total) * sizeof(Value);
    if (runtime::raw_capacity(l.u.arr.v) < need) {
        const int64_t grown = static_cast<int64_t>(n) + n / 2 + 4;
        int64_t slots = grown > total ? grown : total;
        if (runtime::payload_bytes(static_cast<uint64_t>(slots), sizeof(Value)) == 0) slots = total;
        void* block = runtime::raw_realloc(l.u.arr.v, static_cast<std::size_t>(slots) * sizeof(Value));
        if (!block) runtime::raise_run_error(runtime::E_OutOfMemory, "array[" + std::to_string(total) + "]");
        l.u.arr.v = static_cast<Value*>(block);
    }
    // The new elements start without value, so the array stays consistent
    // if a copy fails.
    for (int k = n; k < total; ++k) l.u.arr.v[k] = make_none();
    l.u.arr.n = total;
    take_elements(l.u.arr.v + n, r);
}

void join_arrays(Value*& sp) {
    Value& l = sp[-1];
    Value& r = sp[0];
    if (owns(l) && !has_flag(l, k_shared) && (!l.u.arr.v || l.u.arr.v != r.u.arr.v)) {
        append_to_array(l, r);
        finish_binary(sp, steal(l));
        return;
    }
    Value a{};
    set_array(a, static_cast<int64_t>(l.u.arr.n) + r.u.arr.n);
    // Filled left to right; until then the elements are without value, so a
    // failure in a copy leaves a consistent array to release.
    struct Guard {
        Value& a;
        ~Guard() { value::release(a); }
    } guard{a};
    take_elements(a.u.arr.v, l);
    take_elements(a.u.arr.v + a.u.arr.n - r.u.arr.n, r);
    finish_binary(sp, steal(a));
}

// A scalar becomes a matrix filled with its value: as many rows as the other
// matrix for `~`, as many columns for `|`, at least 1.
struct Part {
    int r = 0, c = 0;
    const double* p = nullptr;
    double fill = 0;
    bool filled = false;
    double at(int i, int j) const { return filled ? fill : p[static_cast<std::size_t>(i) * c + j]; }
    bool empty() const { return r == 0 || c == 0; }
};

Part part_of(const Num& n, const Num& other, int code) {
    Part p;
    if (n.is_matrix()) {
        p.r = n.r;
        p.c = n.c;
        p.p = n.p;
        return p;
    }
    p.filled = true;
    p.fill = n.scalar();
    const int along = other.is_matrix() ? (code == T_Tilde ? other.r : other.c) : 1;
    const int size = along > 1 ? along : 1;
    p.r = code == T_Tilde ? size : 1;
    p.c = code == T_Tilde ? 1 : size;
    return p;
}

// Copies `p` into the block at (row0, col0).
void place(double** out, const Part& p, int row0, int col0) {
    for (int i = 0; i < p.r; ++i)
        for (int j = 0; j < p.c; ++j) out[row0 + i][col0 + j] = p.at(i, j);
}

void join_numbers(int code, Value*& sp) {
    for (Value* v : {sp - 1, sp})
        if (has_type(*v, T_Range)) convert_to_matrix(*v);
    const Num a = numeric(sp[-1]), b = numeric(sp[0]);
    if (a.kind == Num::Other || b.kind == Num::Other) raise_bad_operand(sp[-1], code, sp[0]);
    const Part pa = part_of(a, b, code), pb = part_of(b, a, code);
    const bool horizontal = code == T_Tilde;
    const int64_t r = horizontal ? (pa.r > pb.r ? pa.r : pb.r) : static_cast<int64_t>(pa.r) + pb.r;
    const int64_t c = horizontal ? static_cast<int64_t>(pa.c) + pb.c : (pa.c > pb.c ? pa.c : pb.c);
    const bool mismatch = horizontal ? pa.r != pb.r : pa.c != pb.c;
    if (mismatch && !pa.empty() && !pb.empty()) runtime::run_warning(nullptr, runtime::W_ConcatPadded);
    MatrixTemp t(r, c);
    if (r > 0 && c > 0) {
        if (mismatch) MatZero(t.rows(), t.r(), t.c());
        place(t.rows(), pa, 0, 0);
        place(t.rows(), pb, horizontal ? 0 : pa.r, horizontal ? pa.c : 0);
    }
    finish_binary(sp, t.take());
}

}  // namespace

bool append_string(Value& var, const Value& right, const Value* from, const Value* to) {
    return append_in_place(var, right, from, to);
}

namespace {
bool append_in_place(Value& var, const Value& right, const Value* from, const Value* to) {
    if (var.type != (value::T_String | k_owns) || !has_type(right, value::T_String)) return false;
    char* const old = var.u.str.s;
    if (old && right.u.str.s == old) return false;
    // Another record reading the block would be left with a stale pointer.
    for (const Value* p = from; p < to; ++p)
        if (p != &var && old && type_of(*p) == value::T_String && p->u.str.s == old) return false;
    const int add = right.u.str.len;
    if (add <= 0) return true;
    const std::size_t len = static_cast<std::size_t>(var.u.str.len), need = len + static_cast<std::size_t>(add) + 1;
    if (need > static_cast<std::size_t>(INT32_MAX)) return false;
    char* s = old;
    if (!old || malloc_usable_size(old) < need) {
        // Capacity doubles, so that appending in a loop costs O(1) per character.
        std::size_t capacity = old ? 2 * malloc_usable_size(old) : 16;
        if (capacity < need) capacity = need;
        s = static_cast<char*>(std::realloc(old, capacity));
        if (!s) return false;
    }
    std::memcpy(s + len, right.u.str.s, static_cast<std::size_t>(add));
    s[len + static_cast<std::size_t>(add)] = '\0';
    var.u.str.s = s;
    var.u.str.len = static_cast<int32_t>(len) + add;
    return true;
}
}  // namespace

void concatenate(int code, Value*& sp) {
    const Value& l = sp[-1];
    const Value& r = sp[0];
    if (has_type(l, value::T_String) && has_type(r, value::T_String) && code == T_Tilde) return join_strings(sp);
    if (has_type(l, value::T_Array) && has_type(r, value::T_Array)) {
        if (has_flag(l, k_address) || has_flag(r, k_address)) raise_bad_operand(l, code, r);
        return join_arrays(sp);
    }
    join_numbers(code, sp);
}

}  // namespace kj::vm
