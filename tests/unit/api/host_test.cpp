#include <gtest/gtest.h>

#include <cstring>

#include "runtime/host.h"
#include "support/capture.h"

namespace {
using kj::test::captured;
}

TEST(Pipes, NominalSizes) {
    kj::test::CaptureScope scope;
    const struct { int request, out, in; } cases[] = {{0, 4096, 2048}, {100, 1024, 512}, {5000, 5000, 2500}};
    for (const auto& c : cases) {
        SetKjPipe(c.request);
        EXPECT_EQ(kj::runtime::state().out.size, c.out);
        EXPECT_EQ(kj::runtime::state().in.size, c.in);
    }
    SetKjPipe(-1);
    EXPECT_FALSE(kj::runtime::has_output_pipe());
}

TEST(Pipes, OutputIsBufferedAndFlushed) {
    kj::test::CaptureScope scope;
    SetKjPipe(1024);
    SetKjPuts([](const char* t) { captured().puts += t; });
    kj::runtime::outputf("%d-%s", 42, "x");
    EXPECT_EQ(captured().puts, "");  // still in the pipe
    kj::runtime::flush();
    EXPECT_EQ(captured().puts, "42-x");

    // Content longer than the nominal size minus 256 goes on by itself.
    std::string big(900, 'a');
    kj::runtime::output(big);
    EXPECT_EQ(captured().puts.size(), 4u + 900u);
    std::string huge(5000, 'b');
    kj::runtime::output(huge);
    kj::runtime::flush();
    EXPECT_EQ(captured().puts.size(), 4u + 900u + 5000u);
}

TEST(Pipes, InputComesThroughGets) {
    kj::test::CaptureScope scope;
    SetKjPipe(0);
    static int calls = 0;
    calls = 0;
    SetKjGets([](char* buf, int) {
        const char* lines[] = {"first line\nrest", ""};
        std::strcpy(buf, lines[calls < 1 ? 0 : 1]);
        ++calls;
    });
    char line[8];
    ASSERT_TRUE(kj::runtime::read_line(line, sizeof line));
    EXPECT_STREQ(line, "first l");  // at most size - 1 characters
    ASSERT_TRUE(kj::runtime::read_line(line, sizeof line));
    EXPECT_STREQ(line, "ine\n");
    EXPECT_EQ(kj::runtime::read_char(), 'r');
    kj::runtime::flush();  // unread input is discarded
    EXPECT_FALSE(kj::runtime::read_line(line, sizeof line));
    EXPECT_EQ(calls, 2);
}

TEST(PrintLevel, GovernsChannels) {
    kj::test::CaptureScope scope;
    SetKjPipe(0);
    SetKjPuts([](const char* t) { captured().puts += t; });
    const struct { int level; bool message, output; } cases[] = {{1, true, true}, {0, true, false}, {-1, false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.level);
        captured() = {};
        KjSetPrintlevel(c.level);
        EXPECT_EQ(KjGetPrintlevel(), c.level);
        KjMessage("m");
        KjRunMessage("r");
        KjPuts("p");
        EXPECT_EQ(captured().messages.size(), c.message ? 1u : 0u);
        EXPECT_EQ(captured().run_messages.size(), c.message ? 1u : 0u);
        EXPECT_EQ(captured().puts, c.output ? "p" : "");
    }
    // A run-time error raises the level so the error is always shown.
    KjSetPrintlevel(-1);
    EXPECT_THROW(KjRunError(12, nullptr), kj::runtime::RunError);
    EXPECT_EQ(KjGetPrintlevel(), 1);
    EXPECT_EQ(captured().run_messages.back(), "Runtime error: variable has no value");
}

TEST(RunErrors, TextIsQuotedAndExitCallbackSeesTheCode) {
    kj::test::CaptureScope scope;
    EXPECT_THROW(KjRunError(24, "foo"), kj::runtime::RunError);
    EXPECT_EQ(captured().run_messages.back(), "Runtime error: 'foo' undefined function");
    EXPECT_EQ(captured().exit_codes, (std::vector<int>{24, 0}));
    EXPECT_THROW(KjRunErrorMessage("custom stop"), kj::runtime::RunError);
    EXPECT_EQ(captured().run_messages.back(), "custom stop");
}

TEST(Warnings, MaskSelectsKinds) {
    kj::test::CaptureScope scope;
    const int saved = kj::runtime::warning_mask();
    kj::runtime::set_warning_mask(8);  // only "indexed a matrix as a vector"
    KjRunWarning("f", 2);
    KjRunWarning(nullptr, 4);
    KjRunWarningMessage("g", "text");
    ASSERT_EQ(captured().run_messages.size(), 1u);
    EXPECT_EQ(captured().run_messages[0], "Warning: indexed a matrix as a vector");
    kj::runtime::set_warning_mask(127);
    KjRunWarning("determinant(): matrix is singular", 5);
    KjRunWarningMessage("g", "text");
    EXPECT_EQ(captured().run_messages[1], "Warning: determinant(): matrix is singular");
    EXPECT_EQ(captured().run_messages[2], "Warning: g: text");
    kj::runtime::set_warning_mask(0);
    KjRunWarning("f", 0);
    EXPECT_EQ(captured().run_messages.size(), 3u);
    kj::runtime::set_warning_mask(saved);
}

TEST(Arguments, MainAndProgramArguments) {
    char a0[] = "kj", a1[] = "prog.kj", a2[] = "x";
    char* argv[] = {a0, a1, a2};
    KjSetMainArgs(3, argv);
    int argc = 0;
    char** got = nullptr;
    KjGetMainArgs(&argc, &got);
    EXPECT_EQ(argc, 3);
    EXPECT_EQ(got, argv);  // not copied

    KjSetKjArgs(2, argv + 1);
    KjGetKjArgs(&argc, &got);
    EXPECT_EQ(argc, 2);
    EXPECT_NE(got[0], a1);  // copied
    EXPECT_STREQ(got[1], "x");
    KjSetKjArgs(0, nullptr);
    KjGetKjArgs(&argc, &got);
    EXPECT_EQ(argc, 0);
    EXPECT_EQ(got, nullptr);
}

TEST(ExitCalls, RunInReverseOrderAndStopAtTen) {
    static std::string order;
    order.clear();
    auto& s = kj::runtime::state();
    const int saved = s.exit_call_count;
    s.exit_call_count = 0;
    KjRunMainExitCall([] { order += 'A'; });
    KjRunMainExitCall([] { order += 'B'; });
    for (int i = 0; i < 10; ++i) KjRunMainExitCall([] { order += 'x'; });
    EXPECT_EQ(s.exit_call_count, 10);
    kj::runtime::run_exit_calls();
    EXPECT_EQ(order, "xxxxxxxxBA");
    s.exit_call_count = saved;
}

TEST(UserExitCode, SetAndGet) {
    KjSetUserExitCode(3);
    EXPECT_EQ(KjGetUserExitCode(), 3);
    KjSetUserExitCode(0);
}
