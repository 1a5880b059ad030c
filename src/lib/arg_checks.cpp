#include "lib/arg_checks.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include <kj80x.h>

#include "lib/conversions.h"
#include "runtime/messages.h"
#include "runtime/run_error.h"

namespace kj::lib {

using value::Value;

namespace {
// Formats the message with the current function's name first, sends it as a
// run message and raises `code`.
[[noreturn, gnu::format(printf, 2, 3)]] void fail(int code, const char* fmt, ...) {
    char text[512];
    int n = std::snprintf(text, sizeof text, "%s(): ", current_function());
    if (n < 0 || n >= static_cast<int>(sizeof text)) n = 0;
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(text + n, sizeof text - static_cast<std::size_t>(n), fmt, ap);
    va_end(ap);
    runtime::run_message(text);
    runtime::raise_run_error(code);
}

bool converts_to(int type, Value& v) {
    switch (type) {
        case value::T_Int: return try_convert_to_int(v, nullptr);
        case value::T_Double: return try_convert_to_double(v, nullptr);
        case value::T_Matrix: return try_convert_to_matrix(v);
        default: return !value::is_null(v) && static_cast<int>(value::type_of(v)) == type;
    }
}

void require_matrix(Value* args, int index) {
    if (!try_convert_to_matrix(args[index])) arg_type_error(index, value::T_Matrix, &args[index]);
}
}  // namespace

void arg_type_error(int index, int expected, const Value* found) {
    const std::string d = found ? value::describe(*found) : std::string(".Null");
    if (expected < 0)
        fail(runtime::E_ArgError, "type error in argument %d; found: %s", index + 1, d.c_str());
    fail(runtime::E_ArgError, "type error in argument %d; expected: %s, found: %s", index + 1,
         value::type_table_name(static_cast<uint32_t>(expected)), d.c_str());
}

void arg_error(int index) { fail(runtime::E_ArgError, "error in argument %d", index + 1); }

void arg_size_error(int index, const Value& found, int r, int c) {
    fail(runtime::E_ArgSize, "found matrix[%d][%d] but expected matrix[%d][%d] in argument %d", found.u.mat.r,
         found.u.mat.c, r, c, index + 1);
}

void check_type(int type, Value* args, int first, int last) {
    for (int i = first; i <= last; ++i)
        if (!converts_to(type, args[i])) arg_type_error(i, type, &args[i]);
}

bool matrix_size_matches(int r, int c, int r0, int c0) {
    if (r == r0 && c == c0) return true;
    return (r0 == 0 || c0 == 0) && (r == 0 || c == 0);
}

void check_matrix_size(Value* args, int first, int last, int r, int c) {
    for (int i = first; i <= last; ++i) {
        require_matrix(args, i);
        if (!matrix_size_matches(args[i].u.mat.r, args[i].u.mat.c, r, c)) arg_size_error(i, args[i], r, c);
    }
}

void check_square_matrix(Value* args, int first, int last) {
    for (int i = first; i <= last; ++i) {
        require_matrix(args, i);
        if (args[i].u.mat.r != args[i].u.mat.c)
            fail(runtime::E_ArgSize, "found matrix[%d][%d] but expected square matrix in argument %d",
                 args[i].u.mat.r, args[i].u.mat.c, i + 1);
    }
}

void check_array_matrix(Value* args, int first, int last, double** m) {
    for (int i = first; i <= last; ++i)
        if (value::type_of(args[i]) == value::T_Matrix && args[i].u.mat.m == m && m)
            runtime::raise_run_error(runtime::E_ArgsDifferent);
}

}  // namespace kj::lib
