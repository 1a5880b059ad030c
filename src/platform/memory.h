// How much memory the machine and the process's address-space limit allow,
// for refusing requests they cannot hold.
#pragma once

#include <cstdint>

namespace kj::platform {

// Physical memory in bytes (at least 64 MB; the address-space limit of the
// process when that is smaller).
std::uint64_t physical_memory_bytes();

// Bytes of address space the process has mapped now.
std::uint64_t address_space_used();
// True when the process runs under an address-space limit (ulimit -v).
bool address_space_limited();
// Bytes of address space the limit still leaves: the limit less what the
// process has mapped now (0 when that is all used); the largest value when
// there is no limit.
std::uint64_t address_space_room();

}  // namespace kj::platform
