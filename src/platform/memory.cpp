#include "platform/memory.h"

#include <sys/resource.h>
#include <unistd.h>

namespace kj::platform {

std::uint64_t physical_memory_bytes() {
    constexpr std::uint64_t k_floor = std::uint64_t{64} << 20;
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long page_size = sysconf(_SC_PAGESIZE);
    std::uint64_t bytes = pages > 0 && page_size > 0
                              ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(page_size)
                              : ~std::uint64_t{0};
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < bytes)
        bytes = limit.rlim_cur;
    return bytes < k_floor ? k_floor : bytes;
}

}  // namespace kj::platform
