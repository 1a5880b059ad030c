// Inline functions: names the compiler turns into FNI with these codes
// (inline_functions.def).
#pragma once

namespace kj::link {

enum InlineCode : int {
#define KJ_INLINE_FUNCTION(name, code, text, size) name = code,
#include "link/inline_functions.def"
};

struct InlineFunction {
    const char* name;
    int code;
};

// Sorted by name; ends with the entry "$$$" (code 0).
extern const InlineFunction k_inline_functions[];

// Code of an inline function name (a gauss:: name included), or 0.
int inline_function_code(const char* name);
// Name of an inline function code, or null (also for code 160, which has none).
const char* inline_function_name(int code);

// rows, columns, sizer, sizec, sizerc and sizeof: an int from the operand's
// dimensions.
constexpr bool is_size_query(int code) {
    switch (code) {
#define KJ_INLINE_FUNCTION(name, code, text, size) case code: return size;
#include "link/inline_functions.def"
        default: return false;
    }
}

}  // namespace kj::link
