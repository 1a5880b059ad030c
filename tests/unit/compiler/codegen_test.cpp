// Code shapes of the compiler: each case compiles a function body and
// compares its p-code listing (after ELF and INT).
#include "compiler/codegen_fixture.h"

namespace kj::compiler::test {
namespace {

struct Shape {
    const char* name;
    const char* statements;
    const char* code;
};

class CodegenShapes : public CodegenTest {
protected:
    void SetUp() override {
        CodegenTest::SetUp();
        runtime::settings().line_numbers = false;
    }

    void check(const Shape* shapes, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            SCOPED_TRACE(shapes[i].name);
            TearDown();
            SetUp();
            EXPECT_EQ(code_of(shapes[i].statements), shapes[i].code);
        }
    }
};

TEST_F(CodegenShapes, PeepholesAndLiterals) {
    const Shape shapes[] = {
        {"push merges", "a = b;", "PAP 1\nSAP 0\nPOP 0\nRET 0\n"},
        {"unary minus of a push", "a = -5;", "PSH -5\nSAP 0\nPOP 0\nRET 0\n"},
        {"int outside 32 bits is a double literal", "a = 3000000000;", "PSH 0\nLIT 2\nSAP 0\nPOP 0\nRET 0\n"},
        {"integral double is LTD", "a = 2.0;", "PSH 0\nLTD 2\nSAP 0\nPOP 0\nRET 0\n"},
        {"folded constants", "a = 2 * 3 + 1;", "PSH 7\nSAP 0\nPOP 0\nRET 0\n"},
        {"-2^2 folds to -4", "a = -2 ^ 2;", "PSH -4\nSAP 0\nPOP 0\nRET 0\n"},
        {"no fold of 0 ^ -1", "a = 0 ^ -1;", "PSH 0\nPSH -1\nOPR 101\nSAP 0\nPOP 0\nRET 0\n"},
        {"binary operator", "a = b + c;", "PAP 1\nPAP 2\nOPR 99\nSAP 0\nPOP 0\nRET 0\n"},
        {"compound assignment", "a += 2;", "PAP 0\nPSH 2\nOPR 99\nSAP 0\nPOP 0\nRET 0\n"},
        {"post-increment result unused", "a++;", "PAP 0\nOPR 74\nSAP 0\nPOP 0\nRET 0\n"},
        {"post-increment result used", "b = a++;",
         "PAP 0\nOPR 74\nSAP 0\nPSH 1\nOPR 89\nSAP 1\nPOP 0\nRET 0\n"},
    };
    check(shapes, std::size(shapes));
}

TEST_F(CodegenShapes, ShortCircuitAndConditionals) {
    const Shape shapes[] = {
        {"or chain", "a = a || b || c;", "PAP 0\nJMT 5\nLAP 1\nJMT 5\nLAP 2\nSAP 0\nPOP 0\nRET 0\n"},
        {"and chain", "a = a && b;", "PAP 0\nJMF 3\nLAP 1\nSAP 0\nPOP 0\nRET 0\n"},
        {"conditional", "a = b ? 1 : 2;", "PAP 1\nJMF 4\nLTI 1\nJMP 5\nLTI 2\nSAP 0\nPOP 0\nRET 0\n"},
        {"element-wise conditional", "a = b .? 1 .: 2;",
         "PAP 1\nPSH 1\nPSH 2\nOPR 56\nSAP 0\nPOP 0\nRET 0\n"},
    };
    check(shapes, std::size(shapes));
}

TEST_F(CodegenShapes, IndexingAndCalls) {
    const Shape shapes[] = {
        {"indexed load", "a = b[c];", "PSH 0\nNOP 0\nLAP 1\nPAP 2\nXLD 0\nSAP 0\nPOP 0\nRET 0\n"},
        {"indexed store", "b[c] = 1;", "PSH 0\nXRS 1\nLAP 1\nPAP 2\nPSH 1\nXST 0\nPOP 0\nRET 0\n"},
        {"open range", "a = b[1:];",
         "PSH 0\nNOP 0\nLAP 1\nPSH 1\nPSH -256\nOPR 40\nXLD 0\nSAP 0\nPOP 0\nRET 0\n"},
        {"inline function", "a = sqrt(b);", "PAP 1\nFNI 156\nSAP 0\nPOP 0\nRET 0\n"},
    };
    check(shapes, std::size(shapes));
}

TEST_F(CodegenTest, InlineFunctionsBecomeCallsWithoutOptimisation) {
    runtime::settings().line_numbers = false;
    runtime::settings().optimize = false;
    const std::string code = code_of("a = sqrt(b);");
    EXPECT_NE(code.find("CAL 1\n"), std::string::npos) << code;
    EXPECT_EQ(code.find("FNI"), std::string::npos) << code;
}

TEST_F(CodegenTest, CanonicalLoopIsOneForInstruction) {
    runtime::settings().line_numbers = false;
    runtime::settings().verbose = 1;
    const std::string code = code_of("decl i, n = 10;\nfor (i = 0; i < n; ++i) a += i;");
    std::string heads;
    for (const char* op : {"FOR ", "JMF", "JMT"})
        if (code.find(op) != std::string::npos) heads += op;
    EXPECT_EQ(heads, "FOR ") << code;
    // start, limit, comparison, counter slot, step; then FOR and the exit jump
    EXPECT_NE(code.find("PSH 0\nPBP 1\nPSH 127\nPSH 0\nPSH 1\nNOP 0\n"), std::string::npos) << code;
    EXPECT_NE(code.find("FOR -12\nJMP"), std::string::npos) << code;
    EXPECT_EQ(messages.back(), "t.kj (4): Remark: canonical loop has been compiled");
}

// A counter declared in the head leaves a line marker after its
// initialisation; the loop is canonical all the same, with or without markers.
TEST_F(CodegenTest, LoopWithDeclaredCounterIsCanonical) {
    for (const bool markers : {true, false}) {
        SCOPED_TRACE(markers ? "line markers" : "no line markers");
        TearDown();
        SetUp();
        runtime::settings().line_numbers = markers;
        runtime::settings().verbose = 1;
        const std::string code = code_of("decl n = 10;\nfor (decl i = 2; i <= n; i += 3) a += i;");
        EXPECT_NE(code.find("FOR -12\nJMP"), std::string::npos) << code;
        EXPECT_EQ(code.find("JMF"), std::string::npos) << code;
    }
    // Two declarations in the head: the counter's start is not a single push.
    TearDown();
    SetUp();
    const std::string two = code_of("decl n = 10;\nfor (decl j = 1, i = 0; i < n; ++i) a += i;");
    EXPECT_EQ(two.find("FOR"), std::string::npos) << two;
}

TEST_F(CodegenTest, LoopsThatAreNotCanonical) {
    runtime::settings().line_numbers = false;
    const struct {
        const char* loop;
        const char* reason;
    } cases[] = {
        {"for (i = 0.5; i < n; ++i) a += i;", "initialization part"},
        {"for (i = 0; i != n; ++i) a += i;", "test part"},
        {"for (i = 0; i < n; i *= 2) a += i;", "update part"},
        {"for (i = 0; i < n; ++i) i = 1;", "iterator variable modified or referenced in loop"},
        {"for (i = 0; i < n; ++i) n = 1;", "upperbound variable modified or referenced in loop"},
        {"for (i = 0; i < n; ++i) break;", "jumps outside loop"},
        {"for (i = 0; i < n; ++i) return;", "jumps outside loop"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.loop);
        TearDown();
        SetUp();
        runtime::settings().line_numbers = false;
        std::string loop = c.loop;
        loop.insert(0, "decl i, n = 10;\nparallel ");
        const std::string code = code_of(loop);
        EXPECT_EQ(code.find("FOR"), std::string::npos) << code;
        ASSERT_EQ(messages.size(), 2u) << joined();
        EXPECT_NE(messages[0].find("Warning: loop cannot be made parallel"), std::string::npos);
        EXPECT_EQ(messages[1], std::string("Loop is not canonical: unable to handle ") + c.reason);
    }
}

TEST_F(CodegenTest, LineMarkers) {
    const std::string code = code_of("a = 1;\nreturn a;");
    EXPECT_EQ(code, "PSH 1\nSAP 0\nPOP 0\nNUM 3\nPAP 0\nNUM 4\nRET 1\nRET 0\n");
}

}  // namespace
}  // namespace kj::compiler::test
