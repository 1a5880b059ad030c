#include "lib/library_groups.h"

#include "link/function_table.h"

namespace kj::lib {

namespace {
// Registrars are static objects of other files: the list heads are
// constant-initialised, so registrars may link in during dynamic initialisation.
struct GroupList {
    GroupRegistrar* head = nullptr;
    GroupRegistrar* tail = nullptr;
};
constinit GroupList g_groups[k_group_count];
}  // namespace

GroupRegistrar::GroupRegistrar(Group g, std::span<const DescriptorRow> rows) : m_descriptors(rows) {
    link_into(g);
}
GroupRegistrar::GroupRegistrar(Group g, std::span<const NamedRow> rows) : m_named(rows) { link_into(g); }
GroupRegistrar::GroupRegistrar(Group g, void (*setup)()) : m_setup(setup) { link_into(g); }

void GroupRegistrar::link_into(Group g) {
    GroupList& list = g_groups[static_cast<int>(g)];
    if (list.tail)
        list.tail->m_next = this;
    else
        list.head = this;
    list.tail = this;
}

void register_group(Group g) {
    for (GroupRegistrar* r = g_groups[static_cast<int>(g)].head; r; r = r->m_next) {
        for (const DescriptorRow& row : r->m_descriptors) add_function(row.descriptor, row.fn, row.varargs);
        for (const NamedRow& row : r->m_named) add_function_ex(row.name, row.fn, row.count, row.flags);
        if (r->m_setup) r->m_setup();
    }
}

void register_library() {
    for (int g = 0; g < k_group_count; ++g) register_group(static_cast<Group>(g));
}

void free_library() { free_function_table(); }

}  // namespace kj::lib
