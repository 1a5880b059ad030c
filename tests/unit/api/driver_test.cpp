// The command-line driver on real sources in a scratch directory: options,
// the order of compile, link, write and run, program arguments, and the
// modes this version does not provide.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "runtime/host.h"
#include "runtime/include_path.h"
#include "runtime/settings.h"
#include "support/capture.h"
#include "support/console_fixture.h"
#include "value/matrix_cache.h"

namespace {
using kj::test::captured;
namespace fs = std::filesystem;

class Driver : public kj::test::ConsoleTest {
protected:
    void SetUp() override {
        ConsoleTest::SetUp();
        KjSetUserExitCode(0);
    }

    static void write(const std::string& name, const std::string& text) {
        if (fs::path(name).has_parent_path()) fs::create_directories(fs::path(name).parent_path());
        std::ofstream(name) << text;
    }

    static std::vector<std::string> program_args() {
        int argc = 0;
        char** argv = nullptr;
        KjGetKjArgs(&argc, &argv);
        return std::vector<std::string>(argv, argv + argc);
    }

    kj::test::CaptureScope m_scope;
};

TEST_F(Driver, UsageAndBanner) {
    EXPECT_EQ(run({}), 0);
    ASSERT_EQ(captured().messages.size(), 4u);  // banner and three usage blocks
    EXPECT_EQ(captured().messages[0], "Kj version 8.00 (Linux_64)");
    EXPECT_EQ(captured().messages[1].rfind("Kj Object-oriented matriX language\nUsage:", 0), 0u);
    EXPECT_TRUE(kj::runtime::state().initialised);  // the usage ending keeps the runtime

    captured() = {};
    EXPECT_EQ(run({"-b", "-l"}), 0);
    EXPECT_EQ(captured().messages, std::vector<std::string>{"No link file specified"});
    EXPECT_TRUE(kj::runtime::state().initialised);
}

TEST_F(Driver, HelpVersionAndUnknownSwitches) {
    // --help and --version anywhere among the options: their text alone, as
    // program output, and nothing runs.
    KjMainInit();
    SetKjPipe(0);
    SetKjPuts([](const char* t) { captured().puts += t; });
    write("p.kj", "main() { println(\"ran\"); }\n");
    EXPECT_EQ(run({"-v", "--help", "p.kj"}), 0);
    EXPECT_TRUE(captured().messages.empty());
    EXPECT_EQ(captured().puts.rfind("Kj Object-oriented matriX language\nUsage:", 0), 0u);
    EXPECT_NE(captured().puts.find("\n  --version   print the version and exit\n"), std::string::npos);
    EXPECT_EQ(captured().puts.back(), '\n');
    EXPECT_EQ(KjGetUserExitCode(), 0);
    captured() = {};
    EXPECT_EQ(run({"-r-", "--version"}), 0);
    EXPECT_TRUE(captured().messages.empty());
    EXPECT_EQ(captured().puts.rfind("Kj version 8.00 (Linux_64)\nlibkj80x ", 0), 0u);

    // A switch not understood: the usage text follows and the run fails
    // before anything is compiled; so does an unknown long option.
    for (const char* sw : {"-Q", "--helpme"}) {
        captured() = {};
        run({"-b", sw, "-rp", "p.kj"});
        ASSERT_EQ(captured().messages.size(), 4u) << sw;
        EXPECT_EQ(captured().messages[0], std::string("Unrecognized command line switch: ") + (sw + 1));
        EXPECT_EQ(captured().messages[1].rfind("Kj Object-oriented matriX language", 0), 0u);
        EXPECT_EQ(captured().puts, "");
        EXPECT_EQ(KjGetUserExitCode(), 1);
        KjSetUserExitCode(0);
    }
}

TEST_F(Driver, OptionsDefinesAndMessages) {
    write("p.kj", "main() { return 1; }\n");
    run({"-b", "-rp3", "-rp", "-ifoo", "-r-", "p.kj"});
    ASSERT_GE(captured().messages.size(), 1u);
    EXPECT_EQ(captured().messages[0], "Parallel loops run on 3 threads");
    EXPECT_EQ(kj::runtime::include_path().rfind("foo;", 0), 0u);
    KjMainExit();
    run({"-b", "-ifoo", "-x", "-r-", "p.kj"});
    EXPECT_EQ(kj::runtime::include_path(), "");
    KjMainExit();

    // Predefined symbols and -D lists reach the preprocessor.
    write("d.kj",
          "#ifdef KJ_Linux\n#ifdef KJ_PARALLEL\n#ifdef KJ_64_BIT\n#ifdef A\n#ifdef B\n"
          "main() { return 5; }\n#endif\n#endif\n#endif\n#endif\n#endif\n");
    run({"-b", "-DA+B", "d.kj"});
    EXPECT_EQ(KjGetUserExitCode(), 5);
    KjSetUserExitCode(0);
    run({"-b", "-dA", "d.kj"});  // a mode this version lacks: the run fails
    EXPECT_EQ(KjGetUserExitCode(), 1);
}

TEST_F(Driver, SizesAndCache) {
    write("p.kj", "main() { return 1; }\n");
    const struct {
        std::vector<std::string> args;
        int symbols, stack, entries, limit;
    } cases[] = {
        {{"-b", "-r-", "p.kj"}, 3000, 1256, 0, 0},
        {{"-b", "-s5000", "-r-", "p.kj"}, 5000, 1000, 0, 0},
        {{"-b", "-s4000,2000", "-r-", "p.kj"}, 4000, 2000, 0, 0},
        {{"-b", "-rc10,100", "-r-", "p.kj"}, 3000, 1256, 10, 100},
        {{"-b", "-rc10", "-r-", "p.kj"}, 3000, 1256, 0, 0},
    };
    for (const auto& c : cases) {
        run(c.args);
        EXPECT_EQ(kj::runtime::settings().symbol_table_size, c.symbols);
        EXPECT_EQ(kj::runtime::settings().stack_size, c.stack);
        EXPECT_EQ(kj::value::global_cache().size, c.entries);
        EXPECT_EQ(kj::value::global_cache().limit, c.limit);
        KjMainExit();
    }
    kj::value::mat_cache_set_size(0, 0);
}

TEST_F(Driver, CompileLinkAndRun) {
    write("prog.kj", "main() { return 9; }\n");
    // -r- returns the start address and keeps the runtime for the host.
    EXPECT_GT(run({"-b", "-r-", "prog.kj", "arg"}), 0);
    EXPECT_TRUE(kj::runtime::state().initialised);
    // The program sees its file name and the extra argument.
    EXPECT_EQ(program_args(), (std::vector<std::string>{"prog.kj", "arg"}));
    KjMainExit();

    run({"-b", "prog.kj"});
    EXPECT_EQ(KjGetUserExitCode(), 9);
    EXPECT_FALSE(kj::runtime::state().initialised);

    // A compile error ends the run before linking, as a failure; so does a
    // missing source.
    KjSetUserExitCode(0);
    write("bad.kj", "main() { return 9 }\n");
    EXPECT_EQ(run({"-b", "bad.kj"}), 0);
    EXPECT_EQ(KjGetUserExitCode(), 1);
    KjSetUserExitCode(0);
    captured() = {};
    EXPECT_EQ(run({"-b", "nothere"}), 0);
    EXPECT_EQ(captured().messages, std::vector<std::string>{"failed to open nothere.kj"});
    EXPECT_EQ(KjGetUserExitCode(), 1);
}

TEST_F(Driver, ObjectFilesAndLinkLists) {
    write("some/dir/prog.kj", "main() { return 4; }\n");
    // The object file goes to the current directory, named after the source.
    EXPECT_EQ(run({"-b", "-c", "some/dir/prog.kj"}), -2);
    ASSERT_TRUE(fs::exists("prog.kjo"));
    // An object file given as the file name is the link list.
    EXPECT_GT(run({"-b", "-r-", "prog.kjo", "extra"}), 0);
    EXPECT_EQ(program_args(), (std::vector<std::string>{"prog.kjo", "extra"}));
    KjMainExit();
    run({"-b", "prog.kjo"});
    EXPECT_EQ(KjGetUserExitCode(), 4);
}

TEST_F(Driver, CommandStringSplitting) {
    EXPECT_EQ(KjMainCmd(nullptr), -1);
    write("my file.kj", "main() { return 1; }\n");
    KjMainCmd("-DX -r- \"my file.kj\" word");
    int argc = 0;
    KjGetMainArgs(&argc, nullptr);
    EXPECT_EQ(argc, 5);  // "Kj", the two switches, the file name and the word
    EXPECT_EQ(program_args(), (std::vector<std::string>{"my file.kj", "word"}));
    KjMainExit();

    write("caf\xc3\xa9.kj", "main() { return 1; }\n");
    wchar_t w0[] = L"kj", w1[] = L"-b", w2[] = L"-r-", w3[] = L"caf\u00e9.kj";
    wchar_t* wargv[] = {w0, w1, w2, w3, nullptr};
    EXPECT_GT(KjMain_T(4, wargv), 0);
    EXPECT_EQ(program_args(), std::vector<std::string>{"caf\xc3\xa9.kj"});
}

}  // namespace
