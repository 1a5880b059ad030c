// The built-in library as a list of groups, each a sequence of row tables and
// set-up steps, registered in a fixed order at KjMainInit. A later row of an
// equal name would replace an earlier one, so the order is part of the
// library's definition; library_groups.cpp is the one place that states it.
#pragma once

#include <span>
#include <vector>

#include "lib/library_rows.h"

namespace kj::lib {

// One step of a group: a table of rows, or a call run in its turn (resetting
// state that each start of the runtime begins without).
struct GroupPart {
    constexpr GroupPart(std::span<const DescriptorRow> rows) : descriptors(rows) {}
    constexpr GroupPart(std::span<const NamedRow> rows) : named(rows) {}
    constexpr GroupPart(void (*step)()) : setup(step) {}
    std::span<const DescriptorRow> descriptors;
    std::span<const NamedRow> named;
    void (*setup)() = nullptr;
};

struct LibraryGroup {
    const char* name;
    std::vector<GroupPart> parts;
};

// The groups in registration order. The graphs live in a layer above this
// one: their group is handed in by the caller (api/ at start-up) and takes
// its place after the distributions; empty, the library has no graphs.
std::vector<LibraryGroup> library_groups(std::span<const GroupPart> graphics);

// The KjMainInit and KjMainExit steps: registering every group in order;
// freeing the function table.
void register_library(std::span<const GroupPart> graphics = {});
void free_library();

}  // namespace kj::lib
