// How much memory the machine has, for refusing requests it cannot hold.
#pragma once

#include <cstdint>

namespace kj::platform {

// Physical memory in bytes (at least 64 MB; the address-space limit of the
// process when that is smaller).
std::uint64_t physical_memory_bytes();

}  // namespace kj::platform
