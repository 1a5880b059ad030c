// Runs hand-assembled code as if it had been read from an object file, so
// that it goes through the checks the engine applies to such code only.
#pragma once

#include <string>

#include "link/code_image.h"
#include "link/file_code.h"
#include "vm/engine_fixture.h"

namespace kj::test {

class FileCodeTest : public EngineTest {
protected:
    // Assembles src afresh as if read from a file and runs main with a stack of
    // 200 records. Returns FKjRun's result.
    int run_as_file_code(const std::string& src) {
        KjRunExit();
        link::reset_compiler_tables();
        captured() = Captured{};
        runtime::settings().stack_size = 200;
        assemble(src);
        link::mark_read_from_file(2, link::code_size());
        start_ = IKjRunInit();
        EXPECT_GT(start_, 0);
        return FKjRun(start_, nullptr);
    }
    int again() {
        captured() = Captured{};
        return FKjRun(start_, nullptr);
    }
    // src fails with the run-time error `message`, and the engine, popped
    // back after it, fails the same way on the next run.
    void expect_fails_twice(const std::string& src, const std::string& message, const char* what) {
        EXPECT_EQ(run_as_file_code(src), 0) << what << "\n" << joined();
        ASSERT_FALSE(run_messages().empty()) << what;
        EXPECT_EQ(run_messages().front(), message) << what;
        EXPECT_EQ(again(), 0) << what;
        ASSERT_FALSE(run_messages().empty()) << what;
        EXPECT_EQ(run_messages().front(), message) << what;
    }
    int start_ = 0;
};

inline std::string main_of(const std::string& body) { return "function main()\n" + body + "end\n"; }

}  // namespace kj::test
