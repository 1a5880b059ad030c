#include "link/inline_functions.h"

#include <cstring>

namespace kj::link {

const InlineFunction k_inline_functions[] = {
    {"ceil", 141},  {"columns", 142}, {"cos", 143},    {"densn", 144}, {"exp", 145},
    {"fabs", 146},  {"floor", 147},   {"log", 148},    {"log10", 179}, {"probn", 149},
    {"quann", 150}, {"round", 151},   {"rows", 152},   {"sin", 153},   {"sizec", 161},
    {"sizeof", 154}, {"sizer", 162},  {"sizerc", 163}, {"sqr", 155},   {"sqrt", 156},
    {"tailn", 157}, {"tan", 158},     {"trunc", 159},  {"$$$", 0},
};

// The GAUSS names compiled to the codes of the Kj functions of the same
// meaning (gauss::log is the base-10 logarithm).
const InlineFunction k_gauss_inline_functions[] = {
    {"gauss::abs", 146}, {"gauss::ceil", 141}, {"gauss::cos", 143}, {"gauss::exp", 145}, {"gauss::floor", 147},
    {"gauss::ln", 148},  {"gauss::log", 179},  {"gauss::round", 151}, {"gauss::sin", 153}, {"gauss::sqrt", 156},
    {"gauss::tan", 158}, {"gauss::trunc", 159}, {"$$$", 0},
};

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
