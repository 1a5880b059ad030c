#include "platform/memory.h"

#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

namespace kj::platform {

namespace {

constexpr std::uint64_t k_unlimited = ~std::uint64_t{0};

std::uint64_t address_space_limit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return k_unlimited;
    return limit.rlim_cur;
}

}  // namespace

// The first field of /proc/self/statm counts the pages mapped.
std::uint64_t address_space_used() {
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0;
    unsigned long long pages = 0;
    const bool read = std::fscanf(f, "%llu", &pages) == 1;
    std::fclose(f);
    const long page_size = sysconf(_SC_PAGESIZE);
    return read && page_size > 0 ? pages * static_cast<std::uint64_t>(page_size) : 0;
}

std::uint64_t physical_memory_bytes() {
    constexpr std::uint64_t k_floor = std::uint64_t{64} << 20;
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long page_size = sysconf(_SC_PAGESIZE);
    std::uint64_t bytes = pages > 0 && page_size > 0
                              ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(page_size)
                              : k_unlimited;
    const std::uint64_t limit = address_space_limit();
    if (limit < bytes) bytes = limit;
    return bytes < k_floor ? k_floor : bytes;
}

bool address_space_limited() { return address_space_limit() != k_unlimited; }

std::uint64_t address_space_room() {
    const std::uint64_t limit = address_space_limit();
    if (limit == k_unlimited) return k_unlimited;
    const std::uint64_t used = address_space_used();
    return used < limit ? limit - used : 0;
}

}  // namespace kj::platform
