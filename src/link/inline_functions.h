// Inline functions: names the compiler turns into FNI with these codes.
#pragma once

namespace kj::link {

struct InlineFunction {
    const char* name;
    int code;
};

// Sorted by name; ends with the entry "$$$" (code 0).
extern const InlineFunction k_inline_functions[];

// Code of an inline function name, or 0.
int inline_function_code(const char* name);
// Name of an inline function code, or null (also for code 160, which has none).
const char* inline_function_name(int code);

}  // namespace kj::link
