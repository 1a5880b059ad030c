// One check of a source through the library (KjCheckSource): its messages
// and declarations with their places. The library keeps the program of the
// last check, which SKjDeclaration and SKjCompletionName then see.
#pragma once

#include <string>
#include <vector>

namespace kj::lsp {

struct CheckMessage {
    std::string file;
    int line = 0;     // from 1; 0 when not known
    int column = -1;  // bytes from 0; -1 when not known
    int length = 0;
    int kind = 0;     // KJ_CHECK_ERROR or KJ_CHECK_WARNING
    std::string text;
};

struct Declaration {
    std::string name;  // as the library names it: "f", "ns::f", "Class::member"
    int kind = 0;      // KJ_DECL_...
    bool defined = true;
    std::string file;
    int line = 0, column = -1, length = 0;
};

struct CheckResult {
    int errors = 0;  // -1 when the library could not check
    std::vector<CheckMessage> messages;
    std::vector<Declaration> declarations;
};

CheckResult check_source(const std::string& path, const std::string& text);

// "Class" of "Class::member", "" for a name without "::".
std::string qualifier_of(const std::string& name);
// "member" of "Class::member".
std::string last_part_of(const std::string& name);

}  // namespace kj::lsp
