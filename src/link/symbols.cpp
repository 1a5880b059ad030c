#include "link/symbols.h"

#include <cstring>
#include <new>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "link/class_records.h"
#include "runtime/alloc.h"

namespace kj::link {

using value::FuncInfo;
using value::NamedValue;
using value::Value;

namespace {
SymbolTable g_table;
// Information blocks handed out by new_function_info, freed with the table.
std::vector<FuncInfo*> g_infos;
std::vector<void*> g_blocks;  // kept by keep_with_table
// The lowest symbol number of each name, keyed by the table's own copies of
// the names: a header declares hundreds of functions, each looked up as it
// is declared and called.
std::unordered_map<std::string_view, int> g_index;

// Indexes symbol k under its name unless a lower number has the name.
void index_symbol(int k) {
    const char* name = g_table.entries[k].name;
    if (!name) return;
    const auto [it, added] = g_index.emplace(name, k);
    if (!added && it->second > k) it->second = k;
}

// Symbol k loses its name: the name goes to the next symbol that has it.
void unindex_symbol(int k) {
    const char* name = g_table.entries[k].name;
    if (!name) return;
    const auto it = g_index.find(name);
    if (it == g_index.end() || it->second != k) return;
    g_index.erase(it);
    for (int j = k + 1; j < g_table.count; ++j)
        if (g_table.entries[j].name && std::strcmp(g_table.entries[j].name, name) == 0) {
            g_index.emplace(g_table.entries[j].name, j);
            return;
        }
}

char* copy_text(std::string_view s) {
    auto* p = static_cast<char*>(runtime::raw_alloc(s.size() + 1));
    if (!p) throw std::bad_alloc();
    std::memcpy(p, s.data(), s.size());
    p[s.size()] = '\0';
    return p;
}

int descriptor_params(std::string_view d) {
    const std::size_t dollar = d.find('$');
    return dollar == std::string_view::npos ? 0 : static_cast<int>(dollar);
}

void free_info(FuncInfo* info) {
    const int n = info->params ? descriptor_params(info->descriptor) : 0;
    for (int i = 0; i < n; ++i) {
        value::release(info->params[i].val);
        runtime::raw_free(info->params[i].name);
    }
    runtime::raw_free(info->params);
    runtime::raw_free(info->descriptor);
    runtime::raw_free(info);
}
}  // namespace

SymbolTable& symbols() { return g_table; }

int add_symbol(std::string_view name, const Value& v) {
    if (!g_table.entries || g_table.count >= g_table.capacity) return -1;
    NamedValue& e = g_table.entries[g_table.count];
    e.name = copy_text(name);
    try {
        index_symbol(g_table.count);
    } catch (...) {
        runtime::raw_free(e.name);
        e.name = nullptr;
        throw;
    }
    e.val = v;
    return g_table.count++;
}

int find_symbol(std::string_view name) {
    // A name with a NUL in it is no stored name.
    if (name.find('\0') != std::string_view::npos) return -1;
    const auto it = g_index.find(name);
    return it == g_index.end() ? -1 : it->second;
}

void truncate_symbols(int count) {
    if (count < 0) count = 0;
    while (g_table.count > count) {
        NamedValue& e = g_table.entries[g_table.count - 1];
        unindex_symbol(g_table.count - 1);
        --g_table.count;
        if (value::type_of(e.val) == value::T_Class && e.val.u.obj.cls == g_table.count) release_class_values(e.val);
        value::release(e.val);
        runtime::raw_free(e.name);
        e = NamedValue{};
    }
}

void rename_symbol(int k, std::string_view name) {
    char* copy = copy_text(name);
    unindex_symbol(k);
    char* old = g_table.entries[k].name;
    g_table.entries[k].name = copy;
    runtime::raw_free(old);
    index_symbol(k);
}

FuncInfo* new_function_info(std::string_view descriptor, int file_literal, bool with_params) {
    auto* info = static_cast<FuncInfo*>(runtime::raw_calloc(1, sizeof(FuncInfo)));
    if (!info) throw std::bad_alloc();
    // Kept at once: when an allocation below fails, the table frees it.
    try {
        g_infos.push_back(info);
    } catch (...) {
        runtime::raw_free(info);
        throw;
    }
    info->descriptor = copy_text(descriptor);
    info->file = file_literal;
    const int n = descriptor_params(descriptor);
    if (with_params && n > 0) {
        info->params = static_cast<NamedValue*>(runtime::raw_calloc(static_cast<std::size_t>(n), sizeof(NamedValue)));
        if (!info->params) throw std::bad_alloc();
        for (int i = 0; i < n; ++i) info->params[i].val = value::make_null();
    }
    return info;
}

void set_parameter(FuncInfo& info, int i, std::string_view name, Value def) {
    NamedValue& p = info.params[i];
    runtime::raw_free(p.name);
    p.name = copy_text(name);
    value::release(p.val);
    p.val = def;
}

void keep_with_table(void* block) { g_blocks.push_back(block); }

int declared_parameters(const FuncInfo& info) {
    return info.descriptor ? descriptor_params(info.descriptor) : 0;
}

bool parameter_is_const(const FuncInfo& info, int i) { return info.descriptor[i] == 'c'; }

const char* function_name(const FuncInfo* info) {
    if (!info || !info->descriptor) return "?";
    const char* dollar = std::strchr(info->descriptor, '$');
    return dollar ? dollar + 1 : info->descriptor;
}

Value make_function(int entry, FuncInfo* info, bool varargs) {
    Value f{};
    f.type = value::T_Func | (varargs ? value::k_varargs : 0u);
    f.u.fn.nparam = info ? declared_parameters(*info) : 0;
    f.u.fn.entry = static_cast<uint32_t>(entry);
    f.u.fn.info = info;
    return f;
}

void release_symbol_values() {
    for (int k = 0; k < g_table.count; ++k) {
        Value& v = g_table.entries[k].val;
        // A class symbol (its own number in the class field) keeps the values
        // of its static members in its member list.
        if (value::type_of(v) == value::T_Class && v.u.obj.cls == k) release_class_values(v);
        value::release(v);
    }
}

void symbols_free() {
    release_symbol_values();
    g_index.clear();
    for (int k = 0; k < g_table.count; ++k) runtime::raw_free(g_table.entries[k].name);
    runtime::raw_free(g_table.entries);
    g_table = SymbolTable{};
    for (FuncInfo* info : g_infos) free_info(info);
    g_infos.clear();
    for (void* block : g_blocks) runtime::raw_free(block);
    g_blocks.clear();
}

void symbols_reset(int capacity) {
    symbols_free();
    if (capacity < 1) capacity = 1;
    g_table.entries = static_cast<NamedValue*>(runtime::raw_calloc(static_cast<std::size_t>(capacity), sizeof(NamedValue)));
    if (!g_table.entries) throw std::bad_alloc();
    g_table.capacity = capacity;
}

}  // namespace kj::link
