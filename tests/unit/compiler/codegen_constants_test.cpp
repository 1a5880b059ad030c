// Matrix constants evaluated at compile time and the diagnostics around them.
#include <cmath>

#include "compiler/codegen_fixture.h"
#include "link/literals.h"

namespace kj::compiler::test {
namespace {

class MatrixConstantTest : public CodegenTest {
protected:
    // The matrix literal that "a = <text>;" loads.
    value::Value constant(const std::string& text) {
        runtime::settings().line_numbers = false;
        compile("f(a)\n{\na = <" + text + ">;\n}\n");
        const std::string code = body("f");
        const auto at = code.find("LIT ");
        if (at == std::string::npos) return value::make_none();
        return link::literal_at(std::stoi(code.substr(at + 4)));
    }

    static std::vector<double> elements(const value::Value& m) {
        std::vector<double> out;
        for (int i = 0; i < m.u.mat.r; ++i)
            for (int j = 0; j < m.u.mat.c; ++j) out.push_back(m.u.mat.m[i][j]);
        return out;
    }
};

TEST_F(MatrixConstantTest, Shapes) {
    const struct {
        const char* text;
        int rows, cols;
        std::vector<double> values;
    } cases[] = {
        {"1,2;3", 2, 2, {1, 2, 3, 0}},
        {"[3]*7", 1, 3, {7, 7, 7}},
        {"1:4", 1, 4, {1, 2, 3, 4}},
        {"4:1", 1, 4, {4, 3, 2, 1}},
        {"1:[2]6", 1, 3, {1, 3, 5}},
        {"1,[1][2]=5,9", 2, 4, {1, 0, 0, 9, 0, 0, 5, 0}},  // the row goes on after column 2
        {"-2^2, 7/2, 'a'", 1, 3, {-4, 3.5, 97}},
        {"", 0, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TearDown();
        SetUp();
        const value::Value m = constant(c.text);
        ASSERT_EQ(value::type_of(m), value::T_Matrix) << joined();
        EXPECT_EQ(m.u.mat.r, c.rows);
        EXPECT_EQ(m.u.mat.c, c.cols);
        EXPECT_EQ(elements(m), c.values);
        EXPECT_TRUE(messages.empty()) << joined();
    }
}

TEST_F(MatrixConstantTest, MissingValues) {
    const value::Value m = constant("1,.,.NaN,.");
    ASSERT_EQ(value::type_of(m), value::T_Matrix) << joined();
    ASSERT_EQ(m.u.mat.c, 4);
    EXPECT_EQ(m.u.mat.m[0][0], 1);
    for (int j = 1; j < 4; ++j) EXPECT_TRUE(std::isnan(m.u.mat.m[0][j])) << j;
}

TEST_F(MatrixConstantTest, Errors) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"1:[0]4", "t.kj (3): matrix of constant infinite size"},
        {"1/0", "t.kj (3): divide by zero"},
        {"a", "t.kj (3): 'a' expression must be constant"},
        {"1 2", "t.kj (3): elements in a matrix constant must be separated by , or ;"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TearDown();
        SetUp();
        constant(c.text);
        ASSERT_FALSE(messages.empty());
        EXPECT_EQ(messages.front(), c.message);
    }
}

TEST_F(CodegenTest, DiagnosticForms) {
    const struct {
        const char* source;
        const char* message;
    } cases[] = {
        {"f() { x = 1; }", "t.kj (1): 'x' undeclared identifier"},
        {"f() { decl a a = 1; }", "t.kj (1): ';' expected but found '<identifier>'"},
        {"g(a, b) { }\nf() { g(1); }", "t.kj (2): 'g' wrong number of arguments"},
        {"f() { switch (1) { default: case 1: ; } }", "t.kj (1): default must be last case"},
        {"const decl K = 1;\nf() { K = 2; }", "t.kj (2): 'K' cannot assign to constant"},
        {"f() { goto nowhere; }", "t.kj (1): 'nowhere' undefined label"},
        {"f() { serial { break; } }", ""},
        {"f() { parallel while (1); }", "t.kj (1): for or foreach expected"},
        {"f(a) { decl a; }", "t.kj (1): 'a' redefinition of formal parameter"},
        {"f(a = 1, b) { }", "t.kj (1): 'b' default value not allowed"},
        {"f(a);\nf(a, b) { }", "t.kj (2): 'f' redefinition of argument count"},
        {"f(a);\nf(const a) { }", "t.kj (2): 'f' redefinition of argument qualifier"},
        {"f() { }\nf() { }", "t.kj (2): 'f' duplicate identifier"},
        {"namespace a { namespace b { decl x; } }", "t.kj (1): 'b' nested namespaces not supported"},
        {"extern decl x = 1;", "t.kj (1): 'x' cannot initialize external variable"},
        {"f() { [a, b] = [c, d] = 1; }", "t.kj (1): 'a' undeclared identifier"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        TearDown();
        SetUp();
        const int errors = compile(c.source);
        if (*c.message == '\0') {
            EXPECT_EQ(errors, 0) << joined();
            continue;
        }
        ASSERT_FALSE(messages.empty());
        EXPECT_EQ(messages.front(), c.message);
        EXPECT_GT(errors, 0);
    }
}

TEST_F(CodegenTest, WarningsAreNotCountedAndFollowTheLevel) {
    EXPECT_EQ(compile("f(a) { if (a) ; if (a = 1) a = 2; }"), 0);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], "t.kj (1): Warning: isolated ; is empty statement");
    EXPECT_EQ(messages[1], "t.kj (1): Warning: assignment in test expression");
    TearDown();
    SetUp();
    runtime::settings().warning_level = 0;
    EXPECT_EQ(compile("f(a) { if (a) ; if (a = 1) a = 2; }"), 0);
    EXPECT_TRUE(messages.empty()) << joined();
}

TEST_F(CodegenTest, TwentyFifthErrorStops) {
    std::string source = "f() {\n";
    for (int i = 0; i < 30; ++i) source += "u" + std::to_string(i) + " = 1;\n";
    source += "}\n";
    EXPECT_EQ(compile(source), -1);
    ASSERT_EQ(messages.size(), 26u);
    EXPECT_EQ(messages[24], "t.kj (26): 'u24' undeclared identifier");
    EXPECT_EQ(messages.back(), "Maximum number of errors reached");
}

TEST_F(CodegenTest, TooManyNestedLoopsAndLabels) {
    std::string loops = "f() {\n";
    for (int i = 0; i < 41; ++i) loops += "while (1) ";
    loops += "{ }\n}\n";
    compile(loops);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.front(), "t.kj (2): too many nested loops");
    TearDown();
    SetUp();
    std::string labels = "f() {\n";
    for (int i = 0; i < 41; ++i) labels += "l" + std::to_string(i) + ": ;\n";
    compile(labels + "}\n");
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.front(), "t.kj (42): 'l40' too many labels");
}

}  // namespace
}  // namespace kj::compiler::test
