// Setters and size queries. Every setter releases the old payload first.
#include <cstdint>
#include <cstring>
#include <string>

#include "runtime/alloc.h"
#include "value/matrix_cache.h"
#include "value/value.h"
#include "runtime/run_error.h"

namespace kj::value {

int dimension(int64_t n) {
    if (n < 0) runtime::raise_run_error(runtime::E_NegativeDim);
    if (n > INT32_MAX) runtime::raise_run_error(runtime::E_OutOfMemory);
    return static_cast<int>(n);
}

namespace {
// Checks every size before the old payload goes.
void check_dims(int64_t r, int64_t c) {
    if (r < 0 || c < 0) runtime::raise_run_error(runtime::E_NegativeDim);
    dimension(r);
    dimension(c);
}

[[noreturn]] void out_of_memory(const char* what, int64_t r, int64_t c = -1) {
    std::string text = what + ("[" + std::to_string(r) + "]");
    if (c >= 0) text += "[" + std::to_string(c) + "]";
    runtime::raise_run_error(runtime::E_OutOfMemory, text);
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

void set_string_alloc(Value& v, int64_t len) {
    dimension(len);
    release(v);
    v = Value{};
    v.type = T_String | k_owns;
    if (len >= 1) {
        auto* s = static_cast<char*>(runtime::raw_alloc(static_cast<std::size_t>(len) + 1));
        if (!s) out_of_memory("string", len);
        s[len] = '\0';
        v.u.str.s = s;
        v.u.str.len = static_cast<int>(len);
    }
}

void set_string(Value& v, const char* s, int64_t len) {
    if (!s) len = 0;
    set_string_alloc(v, len);
    if (len > 0) std::memcpy(v.u.str.s, s, static_cast<std::size_t>(len));
}

void set_string(Value& v, const std::string& s) { set_string(v, s.data(), static_cast<int64_t>(s.size())); }

void set_matrix(Value& v, int64_t r, int64_t c) {
    check_dims(r, c);
    release(v);
    v = Value{};
    v.type = T_Matrix | k_owns;
    if (r > 0) {
        double** m = mat_alloc_cached(static_cast<int>(r), static_cast<int>(c));
        if (!m) out_of_memory("matrix", r, c);
        v.u.mat.m = m;
    }
    v.u.mat.r = static_cast<int>(r);
    v.u.mat.c = static_cast<int>(c);
}

void set_matrix_zero(Value& v, int64_t r, int64_t c) {
    set_matrix(v, r, c);
    MatZero(v.u.mat.m, v.u.mat.r, v.u.mat.c);
}

void set_matrix_copy(Value& v, double** m, int r, int c) {
    set_matrix(v, r, c);
    if (m) MatCopy(v.u.mat.m, m, r, c);
}

void set_array(Value& v, int64_t n) {
    dimension(n);
    const std::uint64_t bytes = runtime::payload_bytes(static_cast<std::uint64_t>(n), sizeof(Value));
    if (n > 0 && bytes == 0) out_of_memory("array", n);
    release(v);
    v = Value{};
    v.type = T_Array | k_owns;
    if (n > 0) {
        auto* block = static_cast<Value*>(runtime::raw_alloc(bytes));
        if (!block) out_of_memory("array", n);
        for (int64_t i = 0; i < n; ++i) block[i] = make_none();
        v.u.arr.v = block;
        v.u.arr.n = static_cast<int>(n);
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
