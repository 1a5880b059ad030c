// The debugger's and the interactive mode's pieces that need no terminal:
// when typed text continues or is printed, the symbol lines, breakpoints in
// a compiled program, what a plain run drops, and a host that feeds the
// prompt through its own input callback.
#include <gtest/gtest.h>

#include <cstring>
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

TEST(PromptInput, DefinitionsAreToldFromStatements) {
    for (const char* definition :
         {"sq(x) { return x * x; }", "sq(x)\n{\n", "sq (const x, y = 2) /* body */ {", "Pt::get() {",
          "Pt::~Pt() {}", "class Pt {", "struct S", "enum { A, B }", "extern f(x);", "static g() { }",
          "namespace ns {"})
        EXPECT_TRUE(api::is_definition(definition)) << definition;
    for (const char* statement :
         {"for (decl i = 0; i < 3; ++i) {", "if (x) {", "while (1) { }", "f(x);", "f(x)", "y = f(2) {",
          "decl g = [=](x) { return x; };", "g = [=](x) { return x; }", "f(\"){\")", "f(x) + 1 {"})
        EXPECT_FALSE(api::is_definition(statement)) << statement;
}

TEST(PromptInput, AHeadAloneWaitsForItsBodyOnlyWhenItCannotBeACall) {
    const api::NameTest known = [](const std::string& name) {
        if (name == "x" || name == "sq") return api::NameKind::Defined;
        if (name == "print") return api::NameKind::BuiltIn;
        return api::NameKind::Unknown;
    };
    for (const char* head : {"sq(y)", "newf()", "f(a, b)", "Pt::get()", "sq(const x)", "sq(x, n = 2)", "f(...)",
                             "f(a, ... rest)"})
        EXPECT_TRUE(api::is_definition_head(head, known)) << head;
    for (const char* call : {"sq(x)", "sq()", "print(y)", "f(1)", "f(a + b)", "f(a) {", "f(a);", "x", "for (y)",
                             "f(a) // note"})
        EXPECT_FALSE(api::is_definition_head(call, known)) << call;
    EXPECT_TRUE(api::statement_continues("class Pt : Base"));
    EXPECT_FALSE(api::statement_continues("class Pt { decl m; }"));
    EXPECT_EQ(api::statement_text("extern f(x)"), "extern f(x);");
    EXPECT_EQ(api::statement_text("class A { decl m; }"), "class A { decl m; }");
}

// The commands a reader makes of lines, as the prompt reads them.
std::vector<std::string> commands(api::LineSource source, api::NameTest known = {}) {
    api::CommandReader reader(std::move(source), std::move(known));
    std::vector<std::string> out;
    for (std::string text; reader.next("(kj) ", text);) out.push_back(text);
    return out;
}

TEST(CommandReader, OpenStatementsDefinitionsAndHeads) {
    const api::NameTest nothing_known = [](const std::string&) { return api::NameKind::Unknown; };
    EXPECT_EQ(commands(api::lines_of("x = 1\nfor (i = 0; i < 2; ++i)\n{\n  print(i);\n}\n?x\n#quit\n"),
                       nothing_known),
              (std::vector<std::string>{"x = 1", "for (i = 0; i < 2; ++i)\n{\n  print(i);\n}", "?x", "#quit"}));
    // A head takes the body that follows; a head without one is a command of
    // its own and the next line starts the next command.
    EXPECT_EQ(commands(api::lines_of("sq(v)\n{\n  return v * v;\n}\nsq(v)\nv + 1\n"), nothing_known),
              (std::vector<std::string>{"sq(v)\n{\n  return v * v;\n}", "sq(v)", "v + 1"}));
    // The debugger steps on an empty line; it has no definitions.
    EXPECT_EQ(commands(api::lines_of("\nsq(v)\n{ }\n")), (std::vector<std::string>{"", "sq(v)", "{ }"}));
    // The end of input runs what there is.
    EXPECT_EQ(commands(api::lines_of("y = (1 +\n")), (std::vector<std::string>{"y = (1 +"}));
}

TEST(CommandReader, AnInterruptDropsWhatWasTypedOfTheCommand) {
    // The console answers Ctrl-C by interrupting the library, which runs
    // nothing, and handing over an empty line.
    std::deque<std::string> typed = {"y = (1 +", "^C", "y = 5;", "for (;;)", "{", "^C", "^C", "z = 2"};
    std::vector<std::string> prompts;
    const api::LineSource keyboard = [&](const char* prompt, std::string& line) {
        if (typed.empty()) return false;
        prompts.push_back(prompt);
        line = typed.front();
        typed.pop_front();
        if (line == "^C") {
            KjRunAbort();
            line.clear();
        }
        return true;
    };
    EXPECT_EQ(commands(keyboard), (std::vector<std::string>{"y = 5;", "z = 2"}));
    EXPECT_EQ(prompts, (std::vector<std::string>{"(kj) ", "... ", "(kj) ", "(kj) ", "... ", "... ", "(kj) ", "(kj) "}));
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

// The lines a session was fed; "^C" stands for Ctrl-C, which the console
// answers by interrupting the library and handing over an empty line.
void type_or_interrupt(char* buffer, int size) {
    if (!g_typed.empty() && g_typed.front() == "^C") {
        g_typed.pop_front();
        KjRunAbort();
        std::snprintf(buffer, static_cast<std::size_t>(size), "\n");
        return;
    }
    type_line(buffer, size);
}

class PromptSession : public kj::test::ConsoleTest {
protected:
    // Runs kj -i on the lines; returns what was printed, prompts left out.
    std::string session(std::deque<std::string> lines) {
        KjMainInit();
        SetKjPipe(0);
        SetKjPuts([](const char* t) {
            if (std::strcmp(t, "(kj) ") != 0 && std::strcmp(t, "... ") != 0) captured().puts += t;
        });
        SetKjGets(type_or_interrupt);
        g_typed = std::move(lines);
        captured() = {};
        run({"-b", "-i"});
        return captured().puts;
    }
    std::string messages() const {
        std::string all;
        for (const std::string& m : captured().messages) all += m + "\n";
        return all;
    }
    kj::test::CaptureScope m_scope;
};

TEST_F(PromptSession, AMistypedNameStaysUndeclared) {
    EXPECT_EQ(session({"bogus + 1", "bogus", "bogus = 2;", "bogus + 1", "?nosuch", "nosuch2.f()"}), "3\n");
    EXPECT_EQ(messages(),
              "input (1): 'bogus' undeclared identifier\ninput (1): 'bogus' undeclared identifier\n"
              "Variable \"nosuch\" not found within scope\ninput (1): 'nosuch2' undeclared identifier\n");
}

TEST_F(PromptSession, CtrlCDropsTheLinesOfAnOpenStatement) {
    EXPECT_EQ(session({"y = (1 +", "2 +", "^C", "y = 5;", "for (decl i = 0; i < 2; ++i)", "^C", "y"}), "5\n");
    EXPECT_EQ(messages(), "");
}

TEST_F(PromptSession, FunctionsAreDefinedAndDefinedAgain) {
    EXPECT_EQ(session({"sq(x) { return x * x; }", "cube(x) { return x * sq(x); }", "sq(3)", "cube(2)",
                       // Allman style; the callers compiled before take the new body.
                       "sq(x)", "{", "    return x + 100;", "}", "sq(3)", "cube(2)",
                       // A definition that does not compile leaves the last one.
                       "sq(x) { return x +* 1; }", "sq(3)",
                       // Another parameter list; a call with the old one now fails.
                       "sq(x, y) { return x * y; }", "sq(3, 4)", "sq(3)"}),
              "9\n8\n103\n204\n103\n12\n");
    EXPECT_EQ(messages(), "input (1): '*' out of place\ninput (1): 'sq' wrong number of arguments\n");
}

TEST_F(PromptSession, ClassesAndTheirMembersAreDefinedAgain) {
    EXPECT_EQ(session({"class Pt { Pt(a); get(); decl m_a; };", "Pt::Pt(a) { m_a = a; }",
                       "Pt::get() { return m_a; }", "p = new Pt(4);", "p.get()",
                       "Pt::get() { return 10 * m_a; }", "p.get()",
                       // Other members: the objects made before keep their class.
                       "class Pt", "{", "    Pt(a, b);", "    get();", "    decl m_a, m_b;", "};",
                       "Pt::Pt(a, b) { m_a = a; m_b = b; }", "Pt::get() { return m_a + m_b; }",
                       "q = new Pt(1, 2);", "print(q.get(), \" \", p.get(), \"\\n\");"}),
              "4\n40\n3 40\n");
    EXPECT_EQ(messages(), "");
}

// A host's texts (a notebook's cells) are read as typed lines: definitions
// in them too; an interrupt between texts does not touch the next one.
TEST_F(PromptSession, AHostsTextsDefineAndDefineAgain) {
    KjMainInit();
    SetKjPipe(0);
    SetKjPuts([](const char* t) { captured().puts += t; });
    ASSERT_EQ(KjSessionStart(), 1);
    const char* value = nullptr;
    EXPECT_EQ(KjSessionRun("sq(x)\n{\n    return x * x;\n}\nsq(4)", &value), 1);
    EXPECT_STREQ(value, "16");
    KjRunAbort();
    EXPECT_EQ(KjSessionRun("sq(x) { return x + 1; }\nk = 0;\nfor (i = 0; i < 3; ++i)\n{\n    k = sq(i);\n}\nk",
                           &value),
              1);
    EXPECT_STREQ(value, "3");
    EXPECT_EQ(KjSessionRun("sq(x) { return x +* 1; }\nprintln(\"not reached\");", &value), 0);
    EXPECT_EQ(KjSessionRun("sq(1)", &value), 1);
    EXPECT_STREQ(value, "2");
    EXPECT_EQ(captured().puts.find("not reached"), std::string::npos);
    KjSessionEnd();
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
