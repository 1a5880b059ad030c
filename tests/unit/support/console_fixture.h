// Tests of the console entry KjMain: each runs in a fresh working folder of
// its own, removed afterwards, and shuts the runtime down at its end.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include <kj80x.h>

namespace kj::test {

class ConsoleTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_cwd = std::filesystem::current_path();
        std::string tmpl = ::testing::TempDir() + "kj_console_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        m_dir = tmpl;
        std::filesystem::current_path(m_dir);
    }
    void TearDown() override {
        // Endings that keep the runtime (usage, -l, -r-) leave it to the host to shut down.
        KjMainExit();
        std::filesystem::current_path(m_cwd);
        std::filesystem::remove_all(m_dir);
    }

    // KjMain with "kj" and args as its command line.
    static int run(std::vector<std::string> args) {
        std::vector<char*> argv;
        static char argv0[] = "kj";
        argv.push_back(argv0);
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        return KjMain(static_cast<int>(args.size()) + 1, argv.data());
    }

    std::filesystem::path m_cwd, m_dir;
};

}  // namespace kj::test
