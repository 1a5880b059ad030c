#include "link/local_names.h"

#include <algorithm>

namespace kj::link {

namespace {
std::vector<LocalName> g_names;
}  // namespace

void open_local_name(const std::string& name, int slot, int from) {
    g_names.push_back({name, slot, from, k_open_scope});
}

void close_local_name(int slot, int to) {
    for (auto it = g_names.rbegin(); it != g_names.rend(); ++it) {
        if (it->slot == slot && it->to == k_open_scope) {
            it->to = to;
            return;
        }
    }
}

std::vector<LocalName> local_names_at(int ip) {
    std::vector<LocalName> out;
    for (const LocalName& n : g_names)
        if (n.from <= ip && ip < n.to) out.push_back(n);
    return out;
}

void clear_local_names() { g_names.clear(); }

void forget_local_names_from(int size) {
    std::erase_if(g_names, [size](const LocalName& n) { return n.from >= size; });
    for (LocalName& n : g_names)
        if (n.to > size && n.to != k_open_scope) n.to = size;
}

int local_name_count() { return static_cast<int>(g_names.size()); }

}  // namespace kj::link
