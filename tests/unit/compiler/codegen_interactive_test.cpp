// Interactive commands: a name assigned without declaration becomes a local
// of the command, up to the fixed number of locals a command may have.
#include <string>

#include "compiler/codegen_fixture.h"

namespace kj::compiler::test {
namespace {

class InteractiveCommand : public CodegenTest {
protected:
    void SetUp() override {
        CodegenTest::SetUp();
        runtime::settings().line_numbers = false;
    }

    // Compiles the text as the command "cmd"; returns the error count.
    int command(const std::string& text) {
        open_source_text("t.kj", text);
        int errors = 0;
        try {
            errors = compile_command("cmd");
        } catch (const StopCompiling&) {
            errors = -1;
        }
        close_scan();
        return errors;
    }

    // The operand of the command's INT: the local slots it reserves.
    int reserved() {
        const int k = link::find_symbol("cmd");
        return k < 0 ? -1 : link::code_at(static_cast<int>(link::symbol_at(k).val.u.fn.entry) + 1).operand;
    }

    // "v0 = 0; v1 = 1; ..." with n assignments.
    static std::string assignments(int n) {
        std::string text;
        for (int i = 0; i < n; ++i) text += "v" + std::to_string(i) + " = " + std::to_string(i) + ";\n";
        return text;
    }
};

TEST_F(InteractiveCommand, AssignedNamesBecomeLocalsOfTheCommand) {
    ASSERT_EQ(command("x = 3; y = x + 1; [p, , q] = {1, 2}; x += y;"), 0) << joined();
    const std::string code = body("cmd");
    // x and y take slots 0 and 1; p and q 2 and 3, the temporary "$t1" 4.
    EXPECT_EQ(code.substr(0, code.find("PSH 0\nNTP")),
              "PSH 3\nSBP 0\nPOP 0\n"
              "PBP 0\nPSH 1\nOPR 99\nSBP 1\nPOP 0\n");
    EXPECT_NE(code.find("SBP 4\nPBP 4\nXMV 0\nSBP 2\nPOP 0\nPBP 4\nXMV 2\nSBP 3\nPOP 0\nPOP 0\n"), std::string::npos)
        << code;
    EXPECT_NE(code.find("PBP 0\nPBP 1\nOPR 99\nSBP 0\nPOP 0\n"), std::string::npos) << code;
    EXPECT_EQ(reserved(), 5);
    EXPECT_TRUE(messages.empty()) << joined();
}

TEST_F(InteractiveCommand, OnlyAnAssignmentCreatesALocal) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"y = x;", "t.kj (1): 'x' undeclared identifier"},
        {"x += 1;", "t.kj (1): 'x' undeclared identifier"},
        {"if (x == 1) ;", "t.kj (1): 'x' undeclared identifier"},
        {"[x, y + 1] = {1, 2};", "t.kj (1): 'y' undeclared identifier"},
        {"sqrt = 1;", "t.kj (1): 'sqrt' left-value expected (need storage object)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TearDown();
        SetUp();
        EXPECT_GE(command(c.text), 1);
        ASSERT_FALSE(messages.empty());
        EXPECT_EQ(messages[0], c.message);
    }
}

TEST_F(InteractiveCommand, KnownNamesKeepTheirMeaning) {
    ASSERT_EQ(compile("decl g;\n"), 0) << joined();
    ASSERT_EQ(command("g = 1; decl d; d = 2;"), 0) << joined();
    const std::string g = std::to_string(link::find_symbol("g"));
    EXPECT_EQ(body("cmd"), "PSH 1\nSTO " + g + "\nPOP 0\nPSH 2\nSBP 0\nPOP 0\nSBZ 0\nRET 0\n");
}

TEST_F(InteractiveCommand, LocalsRunOutAtTheFixedLimit) {
    EXPECT_EQ(command(assignments(k_interactive_locals)), 0) << joined();
    EXPECT_EQ(reserved(), k_interactive_locals);

    TearDown();
    SetUp();
    EXPECT_EQ(command(assignments(k_interactive_locals) + "decl last;\nw = 1;\n"), 2);
    ASSERT_EQ(messages.size(), 2u) << joined();
    EXPECT_EQ(messages[0], "t.kj (65): 'last' too many locals for interactive mode");
    EXPECT_EQ(messages[1], "t.kj (66): 'w' too many locals for interactive mode");
}

TEST_F(InteractiveCommand, SwitchAppliesToFunctionBodies) {
    set_interactive_compilation(true);
    EXPECT_TRUE(interactive_compilation());
    EXPECT_EQ(code_of("x = a;"), "ELT 2\nPAP 0\nSBP 0\nPOP 0\nSBZ 0\nRET 0\n");

    TearDown();
    SetUp();
    EXPECT_FALSE(interactive_compilation());
    EXPECT_EQ(compile("f() { x = 1; }\n"), 1);
    EXPECT_EQ(messages.back(), "t.kj (1): 'x' undeclared identifier");
}

TEST_F(InteractiveCommand, ACommandReplacesTheOneBefore) {
    ASSERT_EQ(command("x = 1;"), 0) << joined();
    const int k = link::find_symbol("cmd");
    ASSERT_EQ(command("y = 2; z = 3;"), 0) << joined();
    EXPECT_EQ(link::find_symbol("cmd"), k);
    EXPECT_EQ(reserved(), 2);
    EXPECT_FALSE(interactive_compilation());
}

}  // namespace
}  // namespace kj::compiler::test
