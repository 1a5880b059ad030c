#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "api/driver_stages.h"
#include "api/host.h"
#include "api/settings.h"
#include "support/capture.h"
#include "value/matrix_cache.h"

namespace {
using kj::test::captured;

// Fake stages record what the driver asks of them.
std::vector<std::string> g_calls;
bool g_open_ok = true;
int g_compile_errors = 0;
bool g_link_ok = true;
std::vector<std::string> g_program_args;  // what the program would see, read at compile time

struct FakeStages {
    kj::api::DriverStages saved = kj::api::driver_stages();
    FakeStages() {
        g_calls.clear();
        g_open_ok = true;
        g_compile_errors = 0;
        g_link_ok = true;
        auto& s = kj::api::driver_stages();
        s = kj::api::DriverStages{};
        s.define_symbol = [](const char* n) { g_calls.push_back(std::string("define ") + n); };
        s.prepend_include_path = [](const char* p) { g_calls.push_back(std::string("path ") + p); };
        s.clear_include_path = [] { g_calls.push_back("clear path"); };
        s.reset_compiler = [](int n) { g_calls.push_back("reset " + std::to_string(n)); };
        s.open_source = [](const char* n) {
            g_calls.push_back(std::string("open ") + n);
            return g_open_ok;
        };
        s.compile = [] {
            g_calls.push_back("compile");
            int argc = 0;
            char** argv = nullptr;
            KjGetKjArgs(&argc, &argv);
            g_program_args.assign(argv, argv + argc);
            return g_compile_errors;
        };
        s.close_source = [] { g_calls.push_back("close"); };
        s.link = [](const char* l) {
            g_calls.push_back(std::string("link ") + l);
            return g_link_ok;
        };
        s.write_object = [](std::FILE*) {
            g_calls.push_back("write");
            return true;
        };
        s.create_interactive_main = [] { g_calls.push_back("interactive main"); };
    }
    // Endings that keep the runtime (usage, -l, -r-) leave it to the host to shut down.
    ~FakeStages() {
        KjMainExit();
        kj::api::driver_stages() = saved;
    }
};

int run(std::vector<std::string> args) {
    std::vector<char*> argv;
    static char argv0[] = "kj";
    argv.push_back(argv0);
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    return KjMain(static_cast<int>(args.size()) + 1, argv.data());
}

bool called(const std::string& what) {
    for (auto& c : g_calls)
        if (c == what) return true;
    return false;
}
}  // namespace

TEST(Driver, UsageAndBanner) {
    kj::test::CaptureScope scope;
    FakeStages stages;
    EXPECT_EQ(run({}), 0);
    ASSERT_EQ(captured().messages.size(), 4u);  // banner and three usage blocks
    EXPECT_EQ(captured().messages[0], "Kj version 8.00 (Linux_64)");
    EXPECT_EQ(captured().messages[1].rfind("Kj Object-oriented matriX language\nUsage:", 0), 0u);
    EXPECT_TRUE(kj::host::state().initialised);  // the usage ending keeps the runtime

    captured() = {};
    g_open_ok = false;
    run({"-b"});  // no banner; nothing to compile: interactive mode
    for (const auto& m : captured().messages) EXPECT_NE(m, "Kj version 8.00 (Linux_64)");
    EXPECT_TRUE(called("open kj_init.kj"));  // its absence is not an error
    EXPECT_TRUE(called("interactive main"));
}

TEST(Driver, OptionsAndMessages) {
    kj::test::CaptureScope scope;
    FakeStages stages;
    run({"-b", "-Q", "-rp", "-DA+B", "-ifoo", "-x", "-r-", "prog.kj"});
    EXPECT_EQ(captured().messages[0], "Unrecognized command line switch: Q");
    EXPECT_EQ(captured().messages[1], "No parallel capabilities in this version");
    EXPECT_TRUE(called("define KJ_Linux"));
    EXPECT_TRUE(called("define KJ_PARALLEL"));
    EXPECT_TRUE(called("define KJ_64_BIT"));
    EXPECT_TRUE(called("define A"));
    EXPECT_TRUE(called("define B"));
    EXPECT_TRUE(called("path foo"));
    EXPECT_TRUE(called("clear path"));

    captured() = {};
    EXPECT_EQ(run({"-b", "-l"}), 0);
    EXPECT_EQ(captured().messages.back(), "No link file specified");
    EXPECT_TRUE(kj::host::state().initialised);
}

TEST(Driver, SizesAndCache) {
    kj::test::CaptureScope scope;
    FakeStages stages;
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
        EXPECT_EQ(kj::api::settings().symbol_table_size, c.symbols);
        EXPECT_EQ(kj::api::settings().stack_size, c.stack);
        EXPECT_EQ(kj::value::global_cache().size, c.entries);
        EXPECT_EQ(kj::value::global_cache().limit, c.limit);
    }
    kj::value::mat_cache_set_size(0, 0);
}

TEST(Driver, StagesInOrder) {
    kj::test::CaptureScope scope;
    FakeStages stages;
    run({"-b", "-r-", "prog.kj", "arg"});
    const std::vector<std::string> expected = {"define KJ_Linux", "define KJ_PARALLEL", "define KJ_64_BIT",
                                               "reset 3000", "open prog.kj", "compile", "close", "link "};
    EXPECT_EQ(g_calls, expected);
    // The program sees its file name and the extra argument.
    EXPECT_EQ(g_program_args, (std::vector<std::string>{"prog.kj", "arg"}));

    // A compile error ends the run before linking.
    FakeStages again;
    g_compile_errors = 1;
    EXPECT_EQ(run({"-b", "prog.kj"}), 0);
    EXPECT_FALSE(called("link "));

    // A missing source ends the run.
    FakeStages missing;
    g_open_ok = false;
    EXPECT_EQ(run({"-b", "nothere"}), 0);
    EXPECT_FALSE(called("compile"));
}

TEST(Driver, ObjectFilesAndLinkLists) {
    kj::test::CaptureScope scope;
    FakeStages stages;
    run({"-b", "-r-", "lib.KJO", "extra"});  // the extension is compared without case
    EXPECT_FALSE(called("compile"));
    EXPECT_TRUE(called("link lib.KJO"));

    FakeStages writing;
    const std::string dir = ::testing::TempDir();
    const std::string cwd = std::getenv("PWD") ? std::getenv("PWD") : ".";
    ASSERT_EQ(chdir(dir.c_str()), 0);
    EXPECT_EQ(run({"-b", "-c", "some/dir/prog.kj"}), -2);
    EXPECT_TRUE(called("write"));
    std::FILE* f = std::fopen("prog.kjo", "rb");
    EXPECT_NE(f, nullptr);
    if (f) std::fclose(f);
    std::remove("prog.kjo");
    ASSERT_EQ(chdir(cwd.c_str()), 0);
}

TEST(Driver, CommandStringSplitting) {
    kj::test::CaptureScope scope;
    FakeStages stages;
    EXPECT_EQ(KjMainCmd(nullptr), -1);
    static int seen_argc = 0;
    kj::api::driver_stages().reset_compiler = [](int) { KjGetMainArgs(&seen_argc, nullptr); };
    KjMainCmd("-DX \"my file.kj\" word");
    EXPECT_EQ(seen_argc, 4);
    EXPECT_TRUE(called("open my file.kj"));
    EXPECT_EQ(g_program_args, (std::vector<std::string>{"my file.kj", "word"}));

    wchar_t w0[] = L"kj", w1[] = L"-b", w2[] = L"-r-", w3[] = L"caf\u00e9.kj";
    wchar_t* wargv[] = {w0, w1, w2, w3, nullptr};
    KjMain_T(4, wargv);
    EXPECT_TRUE(called("open caf\xc3\xa9.kj"));
}
