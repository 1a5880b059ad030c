// Names of local variables by code range: which slot of a frame holds which
// variable while the instruction pointer lies inside the declaring block.
// Only the debugger and the interactive prompt read it; a run outside those
// modes drops it before starting.
#pragma once

#include <string>
#include <vector>

namespace kj::link {

struct LocalName {
    std::string name;
    int slot;  // from the frame base
    int from;  // first instruction of the scope
    int to;    // one past the last; k_open while the block is being compiled
};
constexpr int k_open_scope = 1 << 30;

// A local declared at the current end of the code image.
void open_local_name(const std::string& name, int slot, int from);
// The innermost open scope of slot closes at `to`.
void close_local_name(int slot, int to);
// The names valid at ip, innermost declaration last.
std::vector<LocalName> local_names_at(int ip);
// Drops every entry (trimming before a plain run, and a compiler reset).
void clear_local_names();
// Entries from `size` of the code image on are forgotten (code dropped after errors).
void forget_local_names_from(int size);
int local_name_count();

}  // namespace kj::link
