// Names for a console host's tab completion at the prompt.
#include <set>
#include <string>
#include <vector>

#include <kj80x.h>

#include "api/name_iterator.h"
#include "api/prompt_commands.h"
#include "link/function_table.h"
#include "link/symbols.h"

namespace kj::api {
namespace {

NameIterator g_search;

std::vector<std::string> collect(const std::string& prefix) {
    std::set<std::string> seen;
    std::vector<std::string> out;
    auto add = [&](std::string_view name) {
        if (name.empty() || name[0] == '$' || name[0] == '@' || name.substr(0, prefix.size()) != prefix) return;
        if (seen.insert(std::string(name)).second) out.emplace_back(name);
    };
    for (const std::string& n : prompt_names()) add(n);
    const link::SymbolTable& table = link::symbols();
    for (int k = 0; k < table.count; ++k)
        if (table.entries[k].name) add(table.entries[k].name);
    const lib::LibEntry* entries = lib::function_entries();
    for (int i = 0; entries && i < lib::function_count(); ++i) add(lib::entry_name(entries[i]));
    return out;
}

}  // namespace
}  // namespace kj::api

extern "C" const char* SKjCompletionName(const char* prefix, int state) {
    using kj::api::g_search;
    try {
        if (state == 0) g_search.start(kj::api::collect(prefix ? prefix : ""));
        return g_search.next();
    } catch (...) {
        return nullptr;
    }
}
