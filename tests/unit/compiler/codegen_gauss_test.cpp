// Code of the GAUSS dialect: one-based index chains (XGL, XGS, index 0 for
// "."), operators compiled as calls of support functions, inline functions
// under their GAUSS names, procedures with several results, and the implicit
// main around top-level statements.
#include <string>

#include "compiler/codegen_fixture.h"

namespace kj::compiler::test {
namespace {

class GaussCodegen : public CodegenTest {
protected:
    void SetUp() override {
        CodegenTest::SetUp();
        runtime::settings().line_numbers = false;
    }

    int compile_gauss(const std::string& source) { return compile(source, true); }

    static std::string symbol(const char* name) { return std::to_string(link::find_symbol(name)); }
};

TEST_F(GaussCodegen, IndexChainsAreOneBased) {
    ASSERT_EQ(compile_gauss("proc f(x, i);\n x[i, .] = 0;\n retp(x[2:3, 1]);\nendp;\n"), 0) << joined();
    EXPECT_EQ(body("gauss::f"),
              // x[i, .] = 0: XRS, the row index, XGL, "." as 0, the value, XGS
              "PSH 0\nXRS 1\nLAP 0\nPAP 1\nXGL 0\nPSH 0\nPSH 0\nXGS 0\nPOP 0\n"
              // retp(x[2:3, 1]): a load, so the XRS is gone; the range 2:3, XGL, the column, XGL
              "PSH 0\nNOP 0\nLAP 0\nPSH 2\nPSH 3\nOPR 40\nXGL 0\nPSH 1\nXGL 0\nRET 1\n"
              // the end of a procedure returns no value
              "RET -1\n");
}

TEST_F(GaussCodegen, OperatorsThatAreCalls) {
    ASSERT_EQ(compile_gauss("proc f(a, b);\n retp((a $+ b) ~ (a / b) ~ (a / 2) ~ (a $== b));\nendp;\n"), 0)
        << joined();
    const std::string code = body("gauss::f");
    const std::string plus = symbol("gauss::__opstrplus__"), divide = symbol("gauss::__opdivide__"),
                      rel = symbol("gauss::__opdollar__");
    // The callee goes below the left operand: PSH 0, LOD f, EXC, then the right operand and CAL.
    EXPECT_NE(code.find("PAP 0\nPSH 0\nLOD " + plus + "\nEXC 0\nPAP 1\nCAL 2\n"), std::string::npos) << code;
    EXPECT_NE(code.find("PAP 0\nPSH 0\nLOD " + divide + "\nEXC 0\nPAP 1\nCAL 2\n"), std::string::npos) << code;
    // Division by a number needs no call.
    EXPECT_NE(code.find("PAP 0\nPSH 2\nOPR 48\n"), std::string::npos) << code;
    // $== is relation 2 of __opdollar__.
    EXPECT_NE(code.find("LOD " + rel + "\nEXC 0\nPAP 1\nPSH 2\nCAL 3\n"), std::string::npos) << code;
}

TEST_F(GaussCodegen, InlineFunctionsUnderGaussNames) {
    ASSERT_EQ(compile_gauss("proc f(x);\n retp(sqrt(x) + log(x) + ln(x));\nendp;\n"), 0) << joined();
    EXPECT_EQ(body("gauss::f"), "PAP 0\nFNI 156\nPAP 0\nFNI 179\nOPR 99\nPAP 0\nFNI 148\nOPR 99\nRET 1\nRET -1\n");
}

TEST_F(GaussCodegen, SeveralResultsTravelAsOneArray) {
    ASSERT_EQ(compile_gauss("proc (2) = f(a);\n retp(a, 1);\nendp;\n"), 0) << joined();
    EXPECT_EQ(body("gauss::f"),
              "PAP 0\nPSH 0\nNTP 5\nEXC 0\nOPR 103\nOPR 117\nPSH 1\nOPR 103\nOPR 117\nRET 1\nRET -1\n");
}

TEST_F(GaussCodegen, TopLevelStatementsFormMainAroundProcedures) {
    ASSERT_EQ(compile_gauss("x = 1;\nproc g(a); retp(a); endp;\ny = g(x);\n"), 0) << joined();
    const std::string code = body("main");
    // main stores x and jumps over g's code to the call of g: one function, in source order.
    EXPECT_EQ(code, "PSH 1\nSTO " + symbol("gauss::x") + "\nPOP 0\nJMP 9\n");
    const int base = static_cast<int>(link::symbol_at(link::find_symbol("main")).val.u.fn.entry) + 2;
    EXPECT_LT(base + 3, static_cast<int>(link::symbol_at(link::find_symbol("gauss::g")).val.u.fn.entry));
    EXPECT_EQ(link::code_at(base + 9 + 1).op, static_cast<int32_t>(link::Op::Lod));
    EXPECT_EQ(link::code_at(base + 9 + 1).operand, link::find_symbol("gauss::g"));
    EXPECT_NE(link::find_symbol("gauss::y"), -1);
}

TEST_F(GaussCodegen, MisplacedConstructsAreOutOfPlace) {
    EXPECT_GT(compile_gauss("endif;\nx = 1;\nretp(x);\n"), 0);
    EXPECT_EQ(messages.at(0), "t.g (1): 'endif' out of place");
    EXPECT_EQ(messages.at(1), "t.g (3): 'retp' out of place");
}

}  // namespace
}  // namespace kj::compiler::test
