// Release, make-owned, duplicate, transfer and assign: the ownership rules
// that every subsystem relies on. A payload has exactly one owning record.
#include <cstring>

#include "runtime/alloc.h"
#include "value/matrix_cache.h"
#include "value/value.h"
#include "runtime/run_error.h"

namespace kj::value {

using runtime::raw_alloc;
using runtime::raw_free;

namespace {
ObjectDeleter g_object_deleter = nullptr;
PayloadRescuer g_payload_rescuer = nullptr;

// A payload with a heap block that an alias may point to.
bool holds_block(const Value& v) {
    switch (type_of(v)) {
        case T_Matrix: case T_Vector: return v.u.mat.m != nullptr;
        case T_String: return v.u.str.s != nullptr;
        case T_Array: return v.u.arr.v != nullptr && !has_flag(v, k_address);
        default: return false;
    }
}

[[noreturn]] void out_of_memory() { runtime::raise_run_error(runtime::E_OutOfMemory); }

// Frees the element block of a shared array and, recursively, the blocks of
// nested shared arrays; the elements themselves belong to someone else.
void free_shared_blocks(Value& v) {
    for (int i = 0; i < v.u.arr.n; ++i) {
        Value& e = v.u.arr.v[i];
        if (type_of(e) == T_Array && has_flag(e, k_shared) && owns(e)) free_shared_blocks(e);
    }
    raw_free(v.u.arr.v);
}

Value* copy_elements(const Value& v) {
    const int n = v.u.arr.n;
    if (n <= 0 || !v.u.arr.v) return nullptr;
    auto* block = static_cast<Value*>(raw_alloc(static_cast<std::size_t>(n) * sizeof(Value)));
    if (!block) out_of_memory();
    std::memcpy(static_cast<void*>(block), v.u.arr.v, static_cast<std::size_t>(n) * sizeof(Value));
    return block;
}
}  // namespace

void set_object_deleter(ObjectDeleter fn) { g_object_deleter = fn; }
void set_payload_rescuer(PayloadRescuer fn) { g_payload_rescuer = fn; }

namespace {
// A vector's separate index record belongs to the vector record, not to the
// matrix it indexes: it goes even when the matrix is an alias. The record
// becomes a matrix record.
void free_index_value(Value& v) {
    if (Value* idx = v.u.mat.idx.v) {
        release(*idx);
        raw_free(idx);
    }
    v.u.mat.idx.v = nullptr;
    v.type = (v.type & ~(KJ_TYPE_MASK | k_idx_value)) | T_Matrix;
}
}  // namespace

void release(Value& v) {
    if (!owns(v)) {
        if (type_of(v) == T_Vector && has_flag(v, k_idx_value)) free_index_value(v);
        return;
    }
    switch (type_of(v)) {
        case T_Matrix:
            mat_free_cached(v.u.mat.m, v.u.mat.r, v.u.mat.c);
            v.u.mat.r = v.u.mat.c = 0;
            v.u.mat.m = nullptr;
            break;
        case T_String:
            raw_free(v.u.str.s);
            v.u.str.s = nullptr;
            v.u.str.len = 0;
            break;
        case T_Array:
            if (has_flag(v, k_address)) break;
            if (has_flag(v, k_shared)) {
                free_shared_blocks(v);
            } else {
                for (int i = 0; i < v.u.arr.n; ++i) release(v.u.arr.v[i]);
                raw_free(v.u.arr.v);
            }
            v.u.arr.v = nullptr;
            v.u.arr.n = 0;
            break;
        case T_Func:
            if (has_flag(v, k_bound)) {
                raw_free(v.u.fn.context);
                v.u.fn.context = nullptr;
            }
            break;
        case T_Vector:
            mat_free_cached(v.u.mat.m, v.u.mat.r, v.u.mat.c);
            v.u.mat.r = v.u.mat.c = 0;
            v.u.mat.m = nullptr;
            if (has_flag(v, k_idx_value)) free_index_value(v);
            break;
        default:
            break;
    }
    v.type &= ~k_owns;
}

void make_owned(Value& v) {
    if (owns(v)) return;
    switch (type_of(v)) {
        case T_Matrix:
            if (v.u.mat.m && v.u.mat.r > 0) {
                double** m = mat_dup_cached(v.u.mat.m, v.u.mat.r, v.u.mat.c);
                if (!m) {
                    v.u.mat.m = nullptr;
                    out_of_memory();
                }
                v.u.mat.m = m;
            } else {
                v.u.mat.m = nullptr;
            }
            break;
        case T_String:
            if (v.u.str.len > 0 && v.u.str.s) {
                auto* s = static_cast<char*>(raw_alloc(static_cast<std::size_t>(v.u.str.len) + 1));
                if (!s) {
                    v.u.str.s = nullptr;
                    out_of_memory();
                }
                std::memcpy(s, v.u.str.s, static_cast<std::size_t>(v.u.str.len));
                s[v.u.str.len] = '\0';
                v.u.str.s = s;
            } else {
                v.u.str.s = nullptr;
                v.u.str.len = 0;
            }
            break;
        case T_Array: {
            if (has_flag(v, k_address)) return;
            Value* block = copy_elements(v);
            v.u.arr.v = block;
            if (!block) v.u.arr.n = 0;
            if (has_flag(v, k_shared)) break;
            // The copies start as aliases and the array owns its block before the
            // elements are made owned, so a failure part-way leaks nothing.
            // A copied element is a variable, never constant.
            for (int i = 0; i < v.u.arr.n; ++i) block[i].type &= ~(k_owns | k_const);
            v.type |= k_owns;
            for (int i = 0; i < v.u.arr.n; ++i) make_owned(block[i]);
            return;
        }
        case T_Func:
            if (has_flag(v, k_bound) && v.u.fn.context) {
                auto* ctx = static_cast<int64_t*>(raw_alloc(4 * sizeof(int64_t)));
                if (!ctx) {
                    v.u.fn.context = nullptr;
                    out_of_memory();
                }
                std::memcpy(ctx, v.u.fn.context, 4 * sizeof(int64_t));
                v.u.fn.context = ctx;
                break;
            }
            return;
        default:
            return;
    }
    v.type |= k_owns;
}

void duplicate(Value& dst, const Value& src) {
    if (&dst == &src) return;
    dst = src;
    dst.type &= ~k_owns;
    make_owned(dst);
}

void transfer(Value& dst, Value& src) {
    if (&dst == &src) return;
    dst = src;
    src.type &= ~k_owns;
    make_owned(dst);
}

namespace {
// Releases the old payload of a variable being stored into; a payload that
// pending aliases still refer to goes to one of them instead.
void release_variable(Value& dst) {
    if (g_payload_rescuer && owns(dst) && holds_block(dst) && g_payload_rescuer(dst)) dst.type &= ~k_owns;
    release(dst);
}

// A shared array becomes a private deep copy; the old shared block is freed if owned.
void unshare(Value& v) {
    Value copy = v;
    copy.type &= ~(k_owns | k_shared);
    make_owned(copy);
    release(v);
    v = copy;
}
}  // namespace

void assign(Value& dst, Value& src) {
    if (&dst == &src) return;
    uint32_t t = type_of(src);
    if (t == T_None) {
        release_variable(dst);
        dst = make_none();
        return;
    }
    if (t == T_Vector) {
        materialize(src);
        t = type_of(src);
    }
    if (t == T_Int || t == T_Double) {
        release_variable(dst);
        dst.type = src.type & ~(k_null | k_const | k_static);
        dst.u.w[0] = src.u.w[0];
        return;
    }
    if (t == T_Array && has_flag(src, k_shared)) unshare(src);
    make_owned(src);
    release_variable(dst);
    dst = src;
    dst.type &= ~(k_null | k_const | k_static);
    src.type &= ~k_owns;
}

Value* store_create(int n) {
    if (n <= 0) return nullptr;
    auto* block = static_cast<Value*>(raw_alloc(static_cast<std::size_t>(n) * sizeof(Value)));
    if (!block) out_of_memory();
    for (int i = 0; i < n; ++i) block[i] = make_int(0);
    return block;
}

void store_delete(Value* values, int n) {
    for (int i = 0; i < n && values; ++i) {
        Value& v = values[i];
        if (type_of(v) == T_Class && owns(v) && g_object_deleter)
            g_object_deleter(v);
        else
            release(v);
    }
    raw_free(values);
}

}  // namespace kj::value
