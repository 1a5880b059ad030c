// The define table: names in order of definition, a protected prefix, and
// replacement text for GAUSS defines.
#include <strings.h>

#include <string>

#include "compiler/preprocessor.h"
#include "compiler/parser.h"
#include "compiler/scanner_messages.h"
#include "compiler/scanner_state.h"

namespace kj::compiler {

namespace {

DefineTable& table(Parser& p) { return p.session.defines; }

int find_stored(Parser& p, const std::string& stored) {
    const DefineTable& t = table(p);
    for (int i = 0; i < t.count; ++i)
        if (!t.entries[i].name.empty() && t.entries[i].name == stored) return i;
    return -1;
}

void refresh_values_in_use(Parser& p) {
    DefineTable& t = table(p);
    t.values_in_use = false;
    for (int i = 0; i < t.count; ++i) t.values_in_use |= t.entries[i].has_text;
}

// Defines one stored name; false when the table is full.
bool define_one(Parser& p, const std::string& name, const std::string& stored, const char* text) {
    DefineTable& t = table(p);
    if (int index = find_stored(p, stored); index >= 0) {
        DefineEntry& e = t.entries[index];
        if (!text) return true;
        if (!e.has_text) {
            e.text = text;
            e.has_text = true;
            t.values_in_use = true;
        } else if (e.text != text) {
            scan_error(p, S_Redefined, name.c_str());
        }
        return true;
    }
    int slot = 0;
    while (slot < k_max_defines && !t.entries[slot].name.empty()) ++slot;
    if (slot == k_max_defines) {
        scan_error(p, S_TooManyDefines, name.c_str());
        return false;
    }
    DefineEntry& e = t.entries[slot];
    e.name = stored;
    e.has_text = text != nullptr;
    e.text = text ? text : "";
    if (text) t.values_in_use = true;
    if (t.count < slot + 1) t.count = slot + 1;
    return true;
}

}  // namespace

void define_names(const char* names, bool case_insensitive, const char* text) {
    Parser& p = parser();
    if (!names) return;
    std::string all = names;
    std::size_t start = 0;
    while (start <= all.size()) {
        std::size_t end = all.find('+', start);
        if (end == std::string::npos) end = all.size();
        std::string name = all.substr(start, end - start);
        if (!name.empty()) {
            std::string stored = name;
            if (case_insensitive) {
                for (char& ch : stored) ch = static_cast<char>(to_lower(static_cast<unsigned char>(ch)));
                stored.insert(0, 1, '$');
            }
            if (!define_one(p, name, stored, text)) return;
        }
        start = end + 1;
    }
}

int lookup_define(const char* name) {
    Parser& p = parser();
    if (!name) return -1;
    if (int index = find_stored(p, name); index >= 0) return index;
    if (!p.scan.gauss) return -1;
    const DefineTable& t = table(p);
    for (int i = 0; i < t.count; ++i) {
        const std::string& stored = t.entries[i].name;
        if (stored.size() > 1 && stored[0] == '$' && strcasecmp(stored.c_str() + 1, name) == 0) return i;
    }
    return -1;
}

bool is_defined(const char* name) { return lookup_define(name) >= 0; }

const char* define_text(int index) {
    Parser& p = parser();
    const DefineTable& t = table(p);
    if (index < 0 || index >= t.count || !t.entries[index].has_text) return nullptr;
    return t.entries[index].text.c_str();
}

void undefine(const char* name) {
    Parser& p = parser();
    DefineTable& t = table(p);
    int index = lookup_define(name);
    if (index < 0 || index < t.protected_count) return;
    for (int i = index; i + 1 < t.count; ++i) t.entries[i] = std::move(t.entries[i + 1]);
    t.entries[--t.count] = DefineEntry{};
    refresh_values_in_use(p);
}

void protect_defines() {
    DefineTable& t = table(parser());
    t.protected_count = t.count;
}

void remove_defines_from(int index) {
    Parser& p = parser();
    DefineTable& t = table(p);
    int from = index > t.protected_count ? index : t.protected_count;
    if (from < 0) from = 0;
    for (int i = from; i < t.count; ++i) t.entries[i] = DefineEntry{};
    if (t.count > from) t.count = from;
    refresh_values_in_use(p);
}

int define_count() { return table(parser()).count; }

void define_platform_symbols() {
    for (const char* sym : {"KJ_Linux", "KJ_PARALLEL", "KJ_64_BIT"}) define_names(sym);
}

}  // namespace kj::compiler
