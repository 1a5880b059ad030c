// Multiple assignment: the right side into "$t1", then for target k its own
// code, "$t1", XMV k and the store, for every kind of storage object.
#include <string>

#include "compiler/codegen_fixture.h"

namespace kj::compiler::test {
namespace {

class MultipleAssignment : public CodegenTest {
protected:
    void SetUp() override {
        CodegenTest::SetUp();
        runtime::settings().line_numbers = false;
    }

    // A fresh unit per listing.
    std::string listing(const std::string& statements, const std::string& prelude = "") {
        TearDown();
        SetUp();
        return code_of(statements, prelude);
    }

    static std::string symbol(const char* name) { return std::to_string(link::find_symbol(name)); }
};

TEST_F(MultipleAssignment, VariablesAndEmptyPositions) {
    // x in slot 0, "$t1" in slot 1 (each named for the debugger ahead of the
    // statement); the empty position skips element 1.
    EXPECT_EQ(listing("decl x; [a, , x] = b;"),
              "ELT 2\nELT 3\nPAP 1\nSBP 1\n"
              "PBP 1\nXMV 0\nSAP 0\nPOP 0\n"
              "PBP 1\nXMV 2\nSBP 0\nPOP 0\n"
              "POP 0\nSBZ 1\nSBZ 0\nRET 0\n");
    // A trailing empty position, and the declaring form.
    EXPECT_EQ(listing("decl [x, , y] = c; [a, ] = c;"),
              "ELT 2\nELT 3\nELT 4\nPAP 2\nSBP 2\nPBP 2\nXMV 0\nSBP 0\nPOP 0\nPBP 2\nXMV 2\nSBP 1\nPOP 0\nPOP 0\n"
              "PAP 2\nSBP 2\nPBP 2\nXMV 0\nSAP 0\nPOP 0\nPOP 0\n"
              "SBZ 2\nSBZ 1\nSBZ 0\nRET 0\n");
}

TEST_F(MultipleAssignment, GlobalsAndStaticMembers) {
    const std::string code = listing("[C::s, g, c] = c;", "class C { static decl s; };\ndecl g;\n");
    EXPECT_EQ(code,
              "ELT 2\nPAP 2\nSBP 0\n"
              "PSH 0\nLOD " + symbol("C") + "\nPBP 0\nXMV 0\nSMP 0\nPOP 0\n"
              "PBP 0\nXMV 1\nSTO " + symbol("g") + "\nPOP 0\n"
              "PBP 0\nXMV 2\nSAP 2\nPOP 0\n"
              "POP 0\nSBZ 0\nRET 0\n");
}

TEST_F(MultipleAssignment, IndexedElementsFollowTheRightSide) {
    EXPECT_EQ(listing("[a[1], b[c][2]] = c;"),
              "ELT 2\nPAP 2\nSBP 0\n"
              "PSH 0\nXRS 1\nLAP 0\nPSH 1\nPBP 0\nXMV 0\nXST 0\nPOP 0\n"
              "PSH 0\nXRS 1\nLAP 1\nPAP 2\nXLD 0\nPSH 2\nPBP 0\nXMV 1\nXST 0\nPOP 0\n"
              "POP 0\nSBZ 0\nRET 0\n");
}

TEST_F(MultipleAssignment, MembersByName) {
    EXPECT_EQ(listing("[a.m, b->n] = c;"),
              "ELT 2\nPAP 2\nSBP 0\n"
              "PAP 0\nPSH 0\nLIT 3\nPBP 0\nXMV 0\nSMN 0\nPOP 0\n"
              "PAP 1\nPSH 0\nLIT 4\nPBP 0\nXMV 1\nSMN 0\nPOP 0\n"
              "POP 0\nSBZ 0\nRET 0\n");
}

TEST_F(MultipleAssignment, MembersByIndexInsideTheClass) {
    ASSERT_EQ(compile("class C { f(v); decl m, n; };\nC::f(v) { [m, this.n, v[0]] = v; }\n"), 0) << joined();
    EXPECT_EQ(body("C::f"),
              "ELT 2\nPAP 2\nSBP 0\n"
              "PAP 0\nPBP 0\nXMV 0\nSMP 0\nPOP 0\n"
              "PAP 0\nPBP 0\nXMV 1\nSMP 1\nPOP 0\n"
              "PSH 0\nXRS 1\nLAP 2\nPSH 0\nPBP 0\nXMV 2\nXST 0\nPOP 0\n"
              "POP 0\nSBZ 0\nRET 0\n");
}

TEST_F(MultipleAssignment, JumpsMoveWithTheirTarget) {
    // The conditional's jumps (relative to the listing) land inside the moved code.
    EXPECT_EQ(listing("[a[b ? 1 : 2], c] = c;"),
              "ELT 2\nPAP 2\nSBP 0\n"
              "PSH 0\nXRS 1\nLAP 0\nPAP 1\nJMF 10\nLTI 1\nJMP 11\nLTI 2\nPBP 0\nXMV 0\nXST 0\nPOP 0\n"
              "PBP 0\nXMV 1\nSAP 2\nPOP 0\n"
              "POP 0\nSBZ 0\nRET 0\n");
}

TEST_F(MultipleAssignment, LambdaInsideATargetKeepsItsEntry) {
    ASSERT_EQ(compile("f(a, b) { [a[[=](x){ return x; }(0)], b] = a; }\n"), 0) << joined();
    const int lambda = static_cast<int>(link::symbol_at(link::find_symbol("$lam1")).val.u.fn.entry);
    EXPECT_EQ(link::code_at(lambda).op, static_cast<int32_t>(link::Op::Elf));
    EXPECT_EQ(link::code_at(lambda - 1).op, static_cast<int32_t>(link::Op::Jmp));
    // The lambda comes after the right side's store into "$t1".
    int store = static_cast<int>(link::symbol_at(link::find_symbol("f")).val.u.fn.entry);
    while (link::code_at(store).op != static_cast<int32_t>(link::Op::Sbp)) ++store;
    EXPECT_LT(store, lambda);
}

TEST_F(MultipleAssignment, OneTemporaryPerScope) {
    const std::string code = listing("[a, b] = c; { [b, c] = a; }");
    EXPECT_EQ(code.find("SBP 1"), std::string::npos) << code;
}

TEST_F(MultipleAssignment, Diagnostics) {
    const struct {
        const char* statements;
        const char* message;
    } cases[] = {
        {"[a, b] = [c] = a;", "t.kj (4): nested multiple assignments not allowed"},
        {"[a, [b] = c] = a;", "t.kj (4): nested multiple assignments not allowed"},
        {"[K, a] = c;", "t.kj (4): 'K' cannot assign to constant"},
        {"[g, a] = c;", "t.kj (4): 'g' left-value expected (need storage object)"},
        {"[a, g()] = c;", "t.kj (4): left-value expected (need storage object)"},
        {"[a, 1] = c;", "t.kj (4): left-value expected (need storage object)"},
        {"[a, b c] = c;", "t.kj (4): ']' expected but found '<identifier>'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.statements);
        TearDown();
        SetUp();
        EXPECT_GE(compile(std::string("const decl K = 1;\ng() { }\nf(a, b, c) {\n") + c.statements + "\n}\n"), 1);
        ASSERT_FALSE(messages.empty());
        EXPECT_EQ(messages[0], c.message);
    }
}

}  // namespace
}  // namespace kj::compiler::test
