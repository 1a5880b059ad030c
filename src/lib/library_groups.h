// Registration of the built-in library. Each family file (fn_*.cpp) ends with
// its registration tables and hands them to a group through a static
// GroupRegistrar; KjMainInit then registers the groups in their fixed order.
#pragma once

#include <kj80x.h>

#include <cstdint>
#include <span>

namespace kj::lib {

// The order of registration: a later entry of an equal name would win.
enum class Group : int {
    General, FilePrint, Arma, Distributions, Graphics, Restrictions, GaussBuiltins, GaussIo,
};
constexpr int k_group_count = 8;

// Registered through add_function: all parameters const.
struct DescriptorRow {
    const char* descriptor;
    KjNativeFunction fn;
    int varargs = 0;
};

// Registered through add_function_ex: name, count and flags (k_varargs, k_serial).
struct NamedRow {
    const char* name;
    KjNativeFunction fn;
    int count;
    uint32_t flags = 0;
};

// A static object per table (or per set-up step, such as installing the
// runtime's own draw callbacks with the graphics group). Registrars of one
// group run in the order of their construction.
class GroupRegistrar {
public:
    GroupRegistrar(Group g, std::span<const DescriptorRow> rows);
    GroupRegistrar(Group g, std::span<const NamedRow> rows);
    GroupRegistrar(Group g, void (*setup)());
    GroupRegistrar(const GroupRegistrar&) = delete;
    GroupRegistrar& operator=(const GroupRegistrar&) = delete;

private:
    friend void register_group(Group g);
    void link_into(Group g);
    std::span<const DescriptorRow> m_descriptors;
    std::span<const NamedRow> m_named;
    void (*m_setup)() = nullptr;
    GroupRegistrar* m_next = nullptr;
};

void register_group(Group g);

// The KjMainInit and KjMainExit steps: every group in the order of the Group
// enumeration; freeing the function table.
void register_library();
void free_library();

}  // namespace kj::lib
