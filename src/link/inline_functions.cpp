#include "link/inline_functions.h"

#include <cstring>

namespace kj::link {

const InlineFunction k_inline_functions[] = {
#define KJ_INLINE_FUNCTION(name, code, text, size) {text, code},
#include "link/inline_functions.def"
    {"$$$", 0},
};

namespace {
const InlineFunction k_gauss_inline_functions[] = {
#define KJ_GAUSS_INLINE_FUNCTION(text, name) {text, name},
#include "link/inline_functions.def"
    {"$$$", 0},
};
}  // namespace

int inline_function_code(const char* name) {
    const InlineFunction* table = std::strncmp(name, "gauss::", 7) == 0 ? k_gauss_inline_functions : k_inline_functions;
    for (const InlineFunction* f = table; f->code != 0; ++f)
        if (std::strcmp(f->name, name) == 0) return f->code;
    return 0;
}

const char* inline_function_name(int code) {
    for (const InlineFunction* f = k_inline_functions; f->code != 0; ++f)
        if (f->code == code) return f->name;
    return nullptr;
}

}  // namespace kj::link
