#include "link/link_list.h"

#include <algorithm>
#include <new>
#include <string>
#include <string_view>

#include "link/imports.h"
#include "link/link_errors.h"
#include "link/literals.h"
#include "link/resolver.h"

namespace kj::link {

namespace {
constexpr std::size_t k_longest_part = 259;

std::string with_object_extension(std::string name) {
    const std::size_t slash = name.find_last_of("/\\");
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > start) name.erase(dot);
    return name + ".kjo";
}
}  // namespace

namespace {
int link_each(const char* list, bool force_object) {
    std::string_view rest = list ? list : "";
    while (!rest.empty()) {
        const std::size_t plus = rest.find('+');
        const std::size_t len = std::min(plus, rest.size());
        std::string part(rest.substr(0, std::min(len, k_longest_part)));
        rest = plus == std::string_view::npos ? std::string_view{} : rest.substr(plus + 1);
        if (part.empty()) continue;
        if (force_object) part = with_object_extension(part);
        const int index = register_import(part, true, false);
        std::string path;
        const int errors = import_file(normalize_import_name(part), false, "", path);
        if (errors != 0) return errors;
        if (index >= 0) import_record(literal_at(index)).path = path;
    }
    return 0;
}
}  // namespace

int link_files(const char* list, bool force_object) {
    try {
        return link_each(list, force_object);
    } catch (const std::bad_alloc&) {
        report_link_error(L_OutOfMemory, "");  // fatal: does not return
        throw;
    }
}

}  // namespace kj::link
