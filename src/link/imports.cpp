#include "link/imports.h"

#include <strings.h>

#include <algorithm>
#include <memory>
#include <unordered_set>
#include <vector>

#include <kj80x.h>

#include "runtime/include_path.h"
#include "link/literals.h"
#include "runtime/messages.h"

namespace kj::link {

using value::Value;

namespace {
// The records behind the literals. A compiler reset empties the literal
// table without telling anyone, so records no literal refers to any more are
// dropped whenever a new one is made.
std::vector<std::unique_ptr<ImportRecord>> g_records;
std::string g_unit_directory;

void drop_unreferenced_records() {
    std::unordered_set<const void*> live;
    for (int i = 0; i < literal_count(); ++i)
        if (is_import_record(literal_at(i))) live.insert(literal_at(i).u.blob.p);
    std::erase_if(g_records, [&](const std::unique_ptr<ImportRecord>& r) { return !live.contains(r.get()); });
}

const std::string& current_unit_directory() { return g_unit_directory; }
}  // namespace

bool is_import_record(const Value& v) {
    return value::type_of(v) == value::T_Address && !value::is_null(v) && v.u.blob.p != nullptr;
}

ImportRecord& import_record(const Value& v) { return *static_cast<ImportRecord*>(v.u.blob.p); }

std::string normalize_import_name(std::string_view name) {
    std::string s(name);
    std::replace(s.begin(), s.end(), '\\', '/');
    return s;
}

bool is_directory_import(std::string_view name) {
    return !name.empty() && (name.back() == '/' || name.back() == '\\');
}

bool same_import_name(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

int add_import_record(std::string_view name, uint32_t state, bool gauss, std::string_view base_dir) {
    drop_unreferenced_records();
    auto record = std::make_unique<ImportRecord>();
    record->name = normalize_import_name(name);
    record->base_dir = std::string(base_dir);
    Value v{};
    v.type = value::T_Address;
    v.u.blob.a = state;
    v.u.blob.b = gauss ? 1 : 0;
    v.u.blob.p = record.get();
    const int index = add_literal(v);
    if (index >= 0) g_records.push_back(std::move(record));
    return index;
}

int register_import(std::string_view raw_name, bool imported, bool gauss) {
    const std::string name = normalize_import_name(raw_name);
    int found = -1;
    for (int i = 0; i < literal_count() && found < 0; ++i)
        if (is_import_record(literal_at(i)) && same_import_name(import_record(literal_at(i)).name, name)) found = i;
    if (found < 0) found = add_import_record(name, k_import_pending, gauss, current_unit_directory());
    if (found < 0) return -1;
    literal_at(found).u.blob.b = gauss ? 1 : 0;
    if (imported) {
        for (int i = 0; i < literal_count(); ++i) {
            Value& r = literal_at(i);
            if (is_import_record(r) && same_import_name(import_record(r).name, name)) r.u.blob.a = k_import_done;
        }
    }
    return found;
}

void register_import_name(const char* name) {
    constexpr std::string_view k_gauss = "gauss::";
    const std::string_view n = name ? name : "";
    if (n.starts_with(k_gauss))
        register_import(n.substr(k_gauss.size()), false, true);
    else
        register_import(n, false, false);
}

std::string set_import_unit_directory(std::string dir) {
    std::swap(dir, g_unit_directory);
    return dir;
}

void list_missing_imports() {
    std::vector<std::string> listed;
    for (int i = 0; i < literal_count(); ++i) {
        const Value& r = literal_at(i);
        if (!is_import_record(r) || import_state(r) != k_import_pending) continue;
        const std::string& name = import_record(r).name;
        bool satisfied = false;
        for (int j = 0; j < literal_count() && !satisfied; ++j) {
            const Value& o = literal_at(j);
            satisfied = is_import_record(o) && import_state(o) == k_import_done &&
                        same_import_name(import_record(o).name, name);
        }
        const bool seen = std::any_of(listed.begin(), listed.end(),
                                      [&](const std::string& s) { return same_import_name(s, name); });
        if (satisfied || seen) continue;
        listed.push_back(name);
        runtime::message(("Requires import " + name).c_str());
    }
    if (listed.empty()) runtime::message("No imports required\n");
}

}  // namespace kj::link
