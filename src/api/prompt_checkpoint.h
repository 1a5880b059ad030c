// What a command typed at the prompt leaves behind when it does not compile
// or link: nothing. A checkpoint taken before compiling notes the code size,
// the number of symbols, the function values a definition may replace (of
// global symbols and of the member lists of classes) and the names of the
// classes; rolling back cuts the code and the symbol table back and puts the
// replaced values and names back, so that the next command compiles against
// the symbols that really exist.
#pragma once

#include <string>
#include <vector>

#include "value/value.h"

namespace kj::api {

class PromptCheckpoint {
public:
    PromptCheckpoint();
    void roll_back() const;

private:
    struct SavedFunction {
        int symbol;
        int member;  // index in the class's member functions, -1 for the symbol itself
        value::Value val;
    };
    struct SavedName {
        int symbol;
        std::string name;
    };
    int m_code_size;
    int m_symbols;
    std::vector<SavedFunction> m_functions;
    std::vector<SavedName> m_class_names;
};

}  // namespace kj::api
