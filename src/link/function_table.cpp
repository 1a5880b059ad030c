#include "link/function_table.h"

#include <cstring>
#include <string>

#include "link/link_errors.h"
#include "runtime/alloc.h"

namespace kj::link {

namespace {
struct FunctionTable {
    LibEntry* entries = nullptr;
    int count = 0;
    int capacity = 0;
};
FunctionTable g_table;

// Index of the first entry whose name is not smaller than `name`.
int lower_bound(std::string_view name) {
    int lo = 0, hi = g_table.count;
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (entry_name(g_table.entries[mid]) < name)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

bool grow() {
    const int capacity = g_table.capacity + k_table_step;
    auto* entries = static_cast<LibEntry*>(runtime::raw_alloc(sizeof(LibEntry) * static_cast<std::size_t>(capacity)));
    if (!entries) return false;
    if (g_table.count > 0)
        std::memcpy(entries, g_table.entries, sizeof(LibEntry) * static_cast<std::size_t>(g_table.count));
    runtime::raw_free(g_table.entries);
    g_table.entries = entries;
    g_table.capacity = capacity;
    return true;
}

char* copy_descriptor(std::string_view prefix, std::string_view rest) {
    auto* d = static_cast<char*>(runtime::raw_alloc(prefix.size() + rest.size() + 1));
    if (!d) return nullptr;
    if (!prefix.empty()) std::memcpy(d, prefix.data(), prefix.size());
    if (!rest.empty()) std::memcpy(d + prefix.size(), rest.data(), rest.size());
    d[prefix.size() + rest.size()] = '\0';
    return d;
}
}  // namespace

std::string_view descriptor_name(const char* descriptor) {
    const char* dollar = std::strchr(descriptor, '$');
    return dollar ? std::string_view(dollar + 1) : std::string_view(descriptor);
}

int add_function(const char* descriptor, KjNativeFunction fn, int varargs, uint32_t flags) {
    if (!descriptor) return 0;
    int count = 0;
    while (descriptor[count] == 'c' || descriptor[count] == ' ') ++count;
    if (descriptor[count] != '$') {
        report_link_error(L_DollarExpected, descriptor);
        return 0;
    }
    return add_function_ex(descriptor, fn, count, (varargs ? k_varargs : 0) | flags);
}

int add_function_ex(const char* name, KjNativeFunction fn, int count, uint32_t flags) {
    if (!name || count < 0) return 0;
    // 1. Build or validate the descriptor.
    char* descriptor;
    if (const char* dollar = std::strchr(name, '$')) {
        if (dollar - name != count) {
            report_link_error(L_DollarExpected, name);
            return 0;
        }
        descriptor = copy_descriptor({}, name);
    } else {
        descriptor = copy_descriptor(std::string(static_cast<std::size_t>(count), 'c') + "$", name);
    }
    // 2. Grow the table when it is full.
    if (!descriptor || (g_table.count == g_table.capacity && !grow())) {
        runtime::raw_free(descriptor);
        report_link_error(L_TooManyInternal, name);
        return 0;
    }
    // 3. Replace an entry of the same name ...
    const std::string_view key = descriptor_name(descriptor);
    const int at = lower_bound(key);
    LibEntry& slot = g_table.entries[at];
    if (at < g_table.count && entry_name(slot) == key) {
        runtime::raw_free(slot.descriptor);
        slot = LibEntry{descriptor, fn, count, flags};
        return 1;
    }
    // 4. ... or insert at the sorted place.
    std::memmove(&g_table.entries[at + 1], &g_table.entries[at],
                 sizeof(LibEntry) * static_cast<std::size_t>(g_table.count - at));
    g_table.entries[at] = LibEntry{descriptor, fn, count, flags};
    ++g_table.count;
    return 1;
}

const LibEntry* find_function(std::string_view name) {
    const int at = lower_bound(name);
    if (at < g_table.count && entry_name(g_table.entries[at]) == name) return &g_table.entries[at];
    return nullptr;
}

int function_count() { return g_table.count; }
const LibEntry* function_entries() { return g_table.entries; }

void free_function_table() {
    for (int i = 0; i < g_table.count; ++i) runtime::raw_free(g_table.entries[i].descriptor);
    runtime::raw_free(g_table.entries);
    g_table = FunctionTable{};
}

}  // namespace kj::link
