#include "num/blas_core_type.h"

#include <cpuid.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace kj::num {

namespace {

// The register state the operating system saves (XCR0).
uint64_t enabled_state() {
    uint32_t lo = 0, hi = 0;
    __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
    return (static_cast<uint64_t>(hi) << 32) | lo;
}

bool bit(uint32_t word, int b) { return ((word >> b) & 1u) != 0; }

}  // namespace

const char* core_type_for_processor() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return nullptr;
    const bool osxsave = bit(c, 27), avx = bit(c, 28), fma = bit(c, 12);
    if (!osxsave || !avx) return nullptr;
    const uint64_t state = enabled_state();
    if ((state & 0x6) != 0x6) return nullptr;  // SSE and AVX registers
    if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return nullptr;
    const bool avx2 = bit(b, 5);
    const bool avx512 = bit(b, 16) && bit(b, 17) && bit(b, 28) && bit(b, 30) && bit(b, 31);
    if (avx512 && (state & 0xE0) == 0xE0) return "SkylakeX";  // opmask and upper ZMM state
    if (avx2 && fma) return "Haswell";
    return nullptr;
}

const char* choose_openblas_core_type() {
    const char* user = std::getenv("OPENBLAS_CORETYPE");
    if (user && *user) return nullptr;
    const char* wanted = std::getenv("KJ_BLAS_CORETYPE");
    if (wanted && std::strcmp(wanted, "default") == 0) return nullptr;
    const char* core = wanted && *wanted ? wanted : core_type_for_processor();
    if (!core) return nullptr;
    return setenv("OPENBLAS_CORETYPE", core, 0) == 0 ? core : nullptr;
}

}  // namespace kj::num
