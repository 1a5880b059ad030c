// The OpenBLAS core type chosen before the library loads: from the
// processor's features, never over a value the user set, and never when
// KJ_BLAS_CORETYPE asks for OpenBLAS's own detection.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "num/blas_core_type.h"

namespace kj::num {
namespace {

// Restores an environment variable at the end of a test.
class SavedEnv {
public:
    explicit SavedEnv(const char* name) : m_name(name) {
        if (const char* v = std::getenv(name)) m_value = v;
    }
    ~SavedEnv() {
        if (m_value)
            setenv(m_name, m_value->c_str(), 1);
        else
            unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_value;
};

bool cpu_flag(const std::string& flag) {
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("flags", 0) == 0) {
            std::istringstream words(line);
            std::string w;
            while (words >> w)
                if (w == flag) return true;
            return false;
        }
    return false;
}

TEST(BlasCoreType, FollowsTheProcessorFeatures) {
    const char* core = core_type_for_processor();
    const bool avx512 = cpu_flag("avx512f") && cpu_flag("avx512dq") && cpu_flag("avx512cd") &&
                        cpu_flag("avx512bw") && cpu_flag("avx512vl");
    if (avx512) {
        ASSERT_NE(core, nullptr);
        EXPECT_STREQ(core, "SkylakeX");
    } else if (cpu_flag("avx2") && cpu_flag("fma")) {
        ASSERT_NE(core, nullptr);
        EXPECT_STREQ(core, "Haswell");
    } else {
        EXPECT_EQ(core, nullptr);
    }
}

TEST(BlasCoreType, NeverOverridesTheUser) {
    SavedEnv user("OPENBLAS_CORETYPE"), own("KJ_BLAS_CORETYPE");
    setenv("OPENBLAS_CORETYPE", "Prescott", 1);
    unsetenv("KJ_BLAS_CORETYPE");
    EXPECT_EQ(choose_openblas_core_type(), nullptr);
    EXPECT_STREQ(std::getenv("OPENBLAS_CORETYPE"), "Prescott");

    // "default" leaves OpenBLAS to its own detection.
    unsetenv("OPENBLAS_CORETYPE");
    setenv("KJ_BLAS_CORETYPE", "default", 1);
    EXPECT_EQ(choose_openblas_core_type(), nullptr);
    EXPECT_EQ(std::getenv("OPENBLAS_CORETYPE"), nullptr);

    // Any other value is the core type to use.
    setenv("KJ_BLAS_CORETYPE", "Haswell", 1);
    EXPECT_STREQ(choose_openblas_core_type(), "Haswell");
    EXPECT_STREQ(std::getenv("OPENBLAS_CORETYPE"), "Haswell");
}

}  // namespace
}  // namespace kj::num
