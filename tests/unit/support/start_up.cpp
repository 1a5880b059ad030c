// The unit tests link the library's objects without starting the library:
// the calls from lower layers up into higher ones are installed once for
// every test, as KjMainInit does.
#include <gtest/gtest.h>

#include "api/upward_hooks.h"

namespace {
class StartUp : public ::testing::Environment {
public:
    void SetUp() override { kj::api::install_upward_hooks(); }
};
::testing::Environment* const g_start_up = ::testing::AddGlobalTestEnvironment(new StartUp);
}  // namespace
