// Names for a console host's tab completion at the prompt.
#include <set>
#include <string>
#include <vector>

#include <kj80x.h>

#include "api/prompt_commands.h"
#include "link/function_table.h"
#include "link/symbols.h"

namespace kj::api {
namespace {

struct Search {
    std::vector<std::string> names;
    std::size_t next = 0;
    std::string current;
};
Search g_search;

void collect(const std::string& prefix) {
    std::set<std::string> seen;
    std::vector<std::string>& out = g_search.names;
    out.clear();
    g_search.next = 0;
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
}

}  // namespace
}  // namespace kj::api

extern "C" const char* SKjCompletionName(const char* prefix, int state) {
    using kj::api::g_search;
    try {
        if (state == 0) kj::api::collect(prefix ? prefix : "");
        if (g_search.next >= g_search.names.size()) return nullptr;
        g_search.current = g_search.names[g_search.next++];
        return g_search.current.c_str();
    } catch (...) {
        return nullptr;
    }
}
