// The debugger's and the interactive mode's pieces that need no terminal:
// when typed text continues or is printed, the symbol lines, breakpoints in
// a compiled program, what a plain run drops, and a host that feeds the
// prompt through its own input callback.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "api/prompt_input.h"
#include "api/symbol_dump.h"
#include "link/code_image.h"
#include "runtime/host.h"
#include "support/capture.h"
#include "support/console_fixture.h"
#include "value/value.h"
#include "vm/debugger.h"

namespace {
using kj::test::captured;
namespace fs = std::filesystem;
namespace api = kj::api;

TEST(PromptInput, OpenStatementsContinue) {
    for (const char* open : {"for (decl i = 0; i < 3; ++i)", "if (x > 1)", "x = (1 +", "m = <1, 2,", "f(a,",
                             "while (1) {", "s = \"no end", "/* a comment", "y = x *"})
        EXPECT_TRUE(api::statement_continues(open)) << open;
    for (const char* whole : {"x = 1;", "x = 1", "s = \"{ (\"", "y = 2 // (", "x++", "k--", "if (a) b = 1;",
                              "for (;;) { }", "m = <1, 2>", "x'"})
        EXPECT_FALSE(api::statement_continues(whole)) << whole;
}

TEST(PromptInput, BareExpressionsArePrintedStatementsGetTheirSemicolon) {
    EXPECT_EQ(api::statement_text("x + y"), "println(x + y);");
    EXPECT_EQ(api::statement_text("  a == b "), "println(a == b);");
    EXPECT_EQ(api::statement_text("a <= b"), "println(a <= b);");
    EXPECT_EQ(api::statement_text("f(a = 1)"), "println(f(a = 1));");  // not an assignment at the outer level
    EXPECT_EQ(api::statement_text("x = 1"), "x = 1;");
    EXPECT_EQ(api::statement_text("x += 1"), "x += 1;");
    EXPECT_EQ(api::statement_text("k++"), "k++;");
    EXPECT_EQ(api::statement_text("decl q = 2"), "decl q = 2;");
    EXPECT_EQ(api::statement_text("return"), "return;");
    EXPECT_EQ(api::statement_text("print(x);"), "print(x);");
    EXPECT_EQ(api::statement_text("if (a) { b = 1; }"), "if (a) { b = 1; }");
    EXPECT_EQ(api::statement_text("s = \"a = b\""), "s = \"a = b\";");
    EXPECT_EQ(api::statement_text("\"a = b\""), "println(\"a = b\");");
}

TEST(SymbolDump, TagsInTheirOrderAndTheLineLayout) {
    using namespace kj::value;
    EXPECT_EQ(api::attribute_tags(T_Int | k_address | k_owns | KJ_FLAG_GLOBAL | k_const | k_null),
              "nul con glo val & ");
    EXPECT_EQ(api::attribute_tags(T_Func | KJ_FLAG_INLINE | k_bound | KJ_FLAG_ARG | k_shared | k_static | k_extern),
              "ext sta idx arg mem inl ");
    Value s{};
    set_string(s, "ab");
    EXPECT_EQ(api::symbol_line(3, "s", s, false), "   3 s[2]                    string   val ab\n");
    release(s);
    Value i = make_int(-4);
    i.type |= KJ_FLAG_GLOBAL;
    EXPECT_EQ(api::symbol_line(12, "count", i, false), "  12 count                   int      glo -4\n");
    EXPECT_EQ(api::symbol_line(0, nullptr, make_null(), false), "   0 --                      int      nul \n");
}

class CompiledProgram : public kj::test::ConsoleTest {
protected:
    void SetUp() override {
        ConsoleTest::SetUp();
        // Line 3 is blank, line 8 is the last with code.
        std::ofstream("p.kj") << "f(x)\n{\n\n    decl y = x + 1;\n    return y;\n}\nmain()\n{ println(f(1)); }\n";
    }
    kj::test::CaptureScope m_scope;
};

TEST_F(CompiledProgram, BreakpointsLandOnTheNextLineWithCode) {
    ASSERT_GT(run({"-b", "-d", "-r-", "p.kj"}), 0);
    namespace vm = kj::vm;
    EXPECT_EQ(vm::set_breakpoint("p.kj", 3, true), 4);     // blank line: the next with code
    EXPECT_EQ(vm::set_breakpoint("P.KJ", 5, true), 5);     // file names without case, up to the '.'
    EXPECT_EQ(vm::set_breakpoint("p.other", 8, true), 8);
    EXPECT_EQ(vm::set_breakpoint("p.kj", 9, true), -1);    // after the last line
    EXPECT_EQ(vm::set_breakpoint("q.kj", 4, true), -1);    // no such file
    EXPECT_EQ(vm::set_breakpoint("p.kj", -1, true), -1);
    auto list = vm::breakpoints();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].file, "p.kj");
    EXPECT_EQ(list[0].line, 4);
    EXPECT_EQ(list[2].line, 8);
    EXPECT_EQ(vm::set_breakpoint("p.kj", 5, false), 5);
    EXPECT_EQ(vm::set_breakpoint("p.kj", 5, false), -1);   // nothing left to clear there
    EXPECT_EQ(vm::breakpoints().size(), 2u);
    vm::clear_all_breakpoints();
    EXPECT_TRUE(vm::breakpoints().empty());
    EXPECT_EQ(vm::file_at(1), "");  // the leading EXT instructions belong to no function
    EXPECT_EQ(vm::file_at(kj::link::code_size() - 1), "p.kj");
}

// A host with its own pipes: prompts and results come through its output
// callback, in order, and the typed lines from its input callback.
std::deque<std::string> g_typed;
void type_line(char* buffer, int size) {
    buffer[0] = '\0';
    if (g_typed.empty()) return;
    std::snprintf(buffer, static_cast<std::size_t>(size), "%s\n", g_typed.front().c_str());
    g_typed.pop_front();
}

TEST_F(CompiledProgram, AHostFeedsThePromptThroughItsCallbacks) {
    KjMainInit();
    SetKjPipe(0);
    SetKjPuts([](const char* t) { captured().puts += t; });
    SetKjGets(type_line);
    g_typed = {"#include p.kj", "v = f(5);", "print(\"v=\", v, \"\\n\");", "v * 2", "#quit", "\"not reached\""};
    captured().puts.clear();
    run({"-b", "-i"});
    EXPECT_EQ(captured().puts, "(kj) (kj) (kj) v=6\n(kj) 12\n(kj) ");
    EXPECT_EQ(g_typed.size(), 1u);
}

}  // namespace
