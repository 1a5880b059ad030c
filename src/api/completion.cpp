// Names for a host's completion at the prompt: the names in sight, and the
// members of an object after "name.".
#include <set>
#include <string>
#include <vector>

#include <kj80x.h>

#include "api/debug_session.h"
#include "api/name_iterator.h"
#include "api/prompt_commands.h"
#include "link/class_records.h"
#include "link/function_table.h"
#include "link/symbols.h"

namespace kj::api {
namespace {

NameIterator g_search;

// The value a name stands for at the prompt: a variable of the host's
// session, else a global.
const value::Value* named_value(const std::string& name) {
    if (const value::Value* v = hosted_variable(name)) return v;
    const int k = link::find_symbol(name);
    return k >= 0 ? &link::symbol_at(k).val : nullptr;
}

// "object.prefix": the object's data members, then the member functions of
// its class and the bases (not constructors and destructors), as "object.member".
void collect_members(const std::string& object, const std::string& prefix, std::set<std::string>& seen,
                     std::vector<std::string>& out) {
    const value::Value* v = named_value(object);
    if (!v || value::type_of(*v) != value::T_Class) return;
    auto add = [&](const char* member) {
        const std::string_view name = member ? member : "";
        if (name.empty() || name[0] == '~' || name.substr(0, prefix.size()) != prefix) return;
        const std::string full = object + "." + std::string(name);
        if (seen.insert(full).second) out.push_back(full);
    };
    for (int i = 0; i < v->u.obj.n; ++i) add(v->u.obj.members[i].name);
    const link::SymbolTable& table = link::symbols();
    for (int c = v->u.obj.cls, depth = 0; c >= 0 && c < table.count && depth < table.count; ++depth) {
        const value::Value& cls = table.entries[c].val;
        if (value::type_of(cls) != value::T_Class) break;
        const value::NamedValue* fns = link::class_functions(cls);
        for (int j = 0; j < link::class_function_count(cls); ++j)
            if (!fns[j].name || std::string_view(fns[j].name) != std::string_view(table.entries[c].name))
                add(fns[j].name);
        c = cls.u.obj.base;
    }
}

std::vector<std::string> collect(const std::string& prefix) {
    std::set<std::string> seen;
    std::vector<std::string> out;
    const std::size_t dot = prefix.rfind('.');
    if (dot != std::string::npos) {
        collect_members(prefix.substr(0, dot), prefix.substr(dot + 1), seen, out);
        return out;
    }
    auto add = [&](std::string_view name) {
        if (name.empty() || name[0] == '$' || name[0] == '@' || name.substr(0, prefix.size()) != prefix) return;
        // The call a host's session hands its final expression to.
        if (name.starts_with("__kj_")) return;
        if (seen.insert(std::string(name)).second) out.emplace_back(name);
    };
    for (const std::string& n : prompt_names()) add(n);
    const link::SymbolTable& table = link::symbols();
    for (int k = 0; k < table.count; ++k)
        if (table.entries[k].name) add(table.entries[k].name);
    const link::LibEntry* entries = link::function_entries();
    for (int i = 0; entries && i < link::function_count(); ++i) add(link::entry_name(entries[i]));
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
