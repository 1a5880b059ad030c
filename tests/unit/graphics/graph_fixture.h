// A test fixture that starts and ends every test with no current graph and
// the default layout settings.
#pragma once

#include "graphics/graph.h"
#include "lib/native_fixture.h"

namespace kj::test {

class GraphFixture : public NativeTest {
protected:
    void SetUp() override {
        NativeTest::SetUp();
        graphics::discard_graph();
        graphics::reset_settings(0);
    }
    void TearDown() override {
        graphics::discard_graph();
        graphics::reset_settings(0);
        NativeTest::TearDown();
    }
};

}  // namespace kj::test
