// Member functions called without an object: Class::f for a static member
// function from anywhere, f by name inside the class and its derived
// classes, and Base::f on this inside a member function.
#include <string>

#include "compiler/codegen_fixture.h"

namespace kj::compiler::test {
namespace {

constexpr const char* k_classes =
    "class B { static sf(x); f(x); static decl s; decl m; };\n"
    "class D : B { g(); static h(); };\n";

class StaticCalls : public CodegenTest {
protected:
    void SetUp() override {
        CodegenTest::SetUp();
        runtime::settings().line_numbers = false;
    }

    static std::string symbol(const std::string& name) { return std::to_string(link::find_symbol(name)); }
};

TEST_F(StaticCalls, ClassQualifiedCallPassesTheClass) {
    // The function comes before its definition: it is declared external.
    ASSERT_EQ(compile(std::string(k_classes) + "main() { B::sf(1); D::sf(2); }\nB::sf(x) { return x + s; }\n"), 0)
        << joined();
    const std::string sf = symbol("B::sf"), b = symbol("B");
    EXPECT_EQ(body("main"),
              "PSH 0\nLOD " + sf + "\nPSH 0\nLOD " + b + "\nPSH 0\nPSH 1\nCAL 3\nPOP 0\n"
              "PSH 0\nLOD " + sf + "\nPSH 0\nLOD " + b + "\nPSH 0\nPSH 2\nCAL 3\nPOP 0\nRET 0\n");
    // The definition took over the declared symbol; the static member is read through the class.
    EXPECT_EQ(link::find_symbol("D::sf"), -1);
    EXPECT_EQ(body("B::sf"), "PAP 2\nPAP 0\nLMP 0\nOPR 99\nRET 1\nRET 0\n");
}

TEST_F(StaticCalls, PlainNameInsideTheClassAndDerivedClasses) {
    ASSERT_EQ(compile(std::string(k_classes) +
                      "B::f(x) { return sf(x); }\nD::g() { return sf(m); }\nD::h() { return sf(s); }\n"),
              0)
        << joined();
    const std::string call = "PSH 0\nLOD " + symbol("B::sf") + "\nPSH 0\nLOD " + symbol("B") + "\nPSH 0\n";
    EXPECT_EQ(body("B::f"), call + "PAP 2\nCAL 3\nRET 1\nRET 0\n");
    EXPECT_EQ(body("D::g"), call + "PAP 0\nLMP 1\nCAL 3\nRET 1\nRET 0\n");
    EXPECT_EQ(body("D::h"), call + "PAP 0\nLMP 0\nCAL 3\nRET 1\nRET 0\n");
}

TEST_F(StaticCalls, BaseMemberFunctionOnThis) {
    ASSERT_EQ(compile(std::string(k_classes) + "D::g() { return B::f(1); }\n"), 0) << joined();
    EXPECT_EQ(body("D::g"),
              "PSH 0\nLOD " + symbol("B::f") + "\nPAP 0\nPSH 0\nPSH 1\nCAL 3\nRET 1\nRET 0\n");
}

TEST_F(StaticCalls, ObjectlessAccessToNonStaticMembers) {
    const struct {
        const char* source;
        const char* message;
    } cases[] = {
        {"main() { B::f(1); }", "'f' is not a static member"},
        {"main() { B::m = 1; }", "'m' is not a static member"},
        {"class E { k(); };\nE::k() { B::f(1); }", "'f' is not a static member"},
        {"D::h() { B::f(1); }", "'f' static member function can only access static members"},
        {"D::h() { return f(1); }", "'f' static member function can only access static members"},
        {"D::h() { return m; }", "'m' static member function can only access static members"},
        {"D::h() { return B::m; }", "'m' static member function can only access static members"},
        {"main() { B::nothing(); }", "'nothing' undeclared member function"},
        {"main() { B::sf(); }", "'B::sf' wrong number of arguments"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        TearDown();
        SetUp();
        EXPECT_GE(compile(std::string(k_classes) + c.source + "\n"), 1);
        ASSERT_FALSE(messages.empty());
        EXPECT_NE(messages[0].find(c.message), std::string::npos) << joined();
    }
}

}  // namespace
}  // namespace kj::compiler::test
