// Type names and value descriptions used in messages and dumps.
#include <cstdio>

#include "value/value.h"

namespace kj::value {

namespace {
// Index 0 keeps its historical spelling; messages never print it (see type_name).
const char* const k_type_names[16] = {
    "not inititalized", "int", "double", "matrix", "string", "array", "function", "class",
    "vector", "int.func", "range", "file", "address", "lambda", "blob", "??"};
}  // namespace

const char* type_table_name(uint32_t code) { return code < 16 ? k_type_names[code] : "??"; }

const char* type_name(uint32_t type_and_flags) {
    const uint32_t code = type_and_flags & KJ_TYPE_MASK;
    if (code == T_Array && (type_and_flags & k_address)) return "address";
    if (code == T_None || code == T_Address || code > T_Blob) return "??";
    return k_type_names[code];
}

std::string describe(const Value& v) {
    if (is_null(v)) return ".Null";
    std::string d = type_name(v.type);
    char dims[48];
    switch (type_of(v)) {
        case T_Matrix:
            std::snprintf(dims, sizeof dims, "[%d][%d]", v.u.mat.r, v.u.mat.c);
            d += dims;
            break;
        case T_File:
            if (v.u.file.dims && (v.u.file.dims[0] != 0 || v.u.file.dims[1] != 0)) {
                std::snprintf(dims, sizeof dims, "[%d][%d]", v.u.file.dims[0], v.u.file.dims[1]);
                d += dims;
            }
            break;
        case T_String:
            std::snprintf(dims, sizeof dims, "[%d]", v.u.str.len);
            d += dims;
            break;
        case T_Array:
            if (!has_flag(v, k_address)) {
                std::snprintf(dims, sizeof dims, "[%d]", v.u.arr.n);
                d += dims;
            }
            break;
        default:
            break;
    }
    return d;
}

}  // namespace kj::value
