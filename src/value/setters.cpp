// Setters and size queries. Every setter releases the old payload first.
#include <cstring>

#include "runtime/alloc.h"
#include "value/matrix_cache.h"
#include "value/value.h"
#include "runtime/run_error.h"

namespace kj::value {

namespace {
void check_dims(int r, int c) {
    if (r < 0 || c < 0) vm::raise_run_error(vm::E_NegativeDim);
}
}  // namespace

void set_int(Value& v, int32_t i) {
    release(v);
    v = make_int(i);
}

void set_double(Value& v, double d) {
    release(v);
    v = make_double(d);
}

void set_string_alloc(Value& v, int len) {
    if (len < 0) vm::raise_run_error(vm::E_NegativeDim);
    release(v);
    v = Value{};
    v.type = T_String | k_owns;
    if (len >= 1) {
        auto* s = static_cast<char*>(raw_alloc(static_cast<std::size_t>(len) + 1));
        if (!s) vm::raise_run_error(vm::E_OutOfMemory);
        s[len] = '\0';
        v.u.str.s = s;
        v.u.str.len = len;
    }
}

void set_string(Value& v, const char* s, int len) {
    if (!s) len = 0;
    set_string_alloc(v, len);
    if (len > 0) std::memcpy(v.u.str.s, s, static_cast<std::size_t>(len));
}

void set_string(Value& v, const std::string& s) { set_string(v, s.data(), static_cast<int>(s.size())); }

void set_matrix(Value& v, int r, int c) {
    check_dims(r, c);
    release(v);
    v = Value{};
    v.type = T_Matrix | k_owns;
    if (r > 0) {
        double** m = mat_alloc_cached(r, c);
        if (!m) vm::raise_run_error(vm::E_OutOfMemory);
        v.u.mat.m = m;
    }
    v.u.mat.r = r;
    v.u.mat.c = c;
}

void set_matrix_zero(Value& v, int r, int c) {
    set_matrix(v, r, c);
    MatZero(v.u.mat.m, r, c);
}

void set_matrix_copy(Value& v, double** m, int r, int c) {
    set_matrix(v, r, c);
    if (m) MatCopy(v.u.mat.m, m, r, c);
}

void set_array(Value& v, int n) {
    if (n < 0) vm::raise_run_error(vm::E_NegativeDim);
    release(v);
    v = Value{};
    v.type = T_Array | k_owns;
    if (n > 0) {
        auto* block = static_cast<Value*>(raw_alloc(static_cast<std::size_t>(n) * sizeof(Value)));
        if (!block) vm::raise_run_error(vm::E_OutOfMemory);
        for (int i = 0; i < n; ++i) block[i] = make_none();
        v.u.arr.v = block;
        v.u.arr.n = n;
    }
}

int size_r(const Value& v) {
    if (is_null(v)) return 0;
    switch (type_of(v)) {
        case T_Int: case T_Double: return 1;
        case T_Matrix: return v.u.mat.r;
        case T_String: case T_Array: return 1;
        case T_File: return v.u.file.dims ? v.u.file.dims[0] : 0;
        default: return 0;
    }
}

int size_c(const Value& v) {
    if (is_null(v)) return 0;
    switch (type_of(v)) {
        case T_Int: case T_Double: return 1;
        case T_Matrix: return v.u.mat.c;
        case T_String: return v.u.str.len;
        case T_Array: return v.u.arr.n;
        case T_File: return v.u.file.dims ? v.u.file.dims[1] : 0;
        default: return 0;
    }
}

int rows(const Value& v) {
    if (is_null(v)) return 0;
    switch (type_of(v)) {
        case T_Matrix: return v.u.mat.r;
        case T_String: return v.u.str.len;
        case T_Array: return v.u.arr.n;
        case T_File: return v.u.file.dims ? v.u.file.dims[0] : 0;
        default: return 0;
    }
}

int columns(const Value& v) {
    if (is_null(v)) return 0;
    switch (type_of(v)) {
        case T_Matrix: return v.u.mat.c;
        case T_String: return v.u.str.len;
        case T_Array: return v.u.arr.n;
        case T_File: return v.u.file.dims ? v.u.file.dims[1] : 0;
        default: return 0;
    }
}

}  // namespace kj::value
