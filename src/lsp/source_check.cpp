#include "source_check.h"

#include <kj80x.h>

namespace kj::lsp {

namespace {

void on_message(void* data, const char* file, int line, int column, int length, int kind, const char* text) {
    static_cast<CheckResult*>(data)->messages.push_back({file ? file : "", line, column, length, kind, text ? text : ""});
}

void on_declaration(void* data, const char* name, int kind, int defined, const char* file, int line, int column,
                    int length) {
    static_cast<CheckResult*>(data)->declarations.push_back(
        {name ? name : "", kind, defined != 0, file ? file : "", line, column, length});
}

}  // namespace

CheckResult check_source(const std::string& path, const std::string& text) {
    CheckResult result;
    result.errors = KjCheckSource(path.c_str(), text.c_str(), 0, on_message, on_declaration, &result);
    return result;
}

std::string qualifier_of(const std::string& name) {
    const std::size_t colons = name.rfind("::");
    return colons == std::string::npos ? std::string() : name.substr(0, colons);
}

std::string last_part_of(const std::string& name) {
    const std::size_t colons = name.rfind("::");
    return colons == std::string::npos ? name : name.substr(colons + 2);
}

}  // namespace kj::lsp
