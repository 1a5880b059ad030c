// x = f(..., x, ...): which arguments the compiler hands over with MVL (the
// local's value moves to the call) and where it must keep the plain push
// because something else could still see the local during the call.
#include <string>

#include "compiler/codegen_fixture.h"

namespace kj::compiler::test {
namespace {

constexpr const char* k_prelude = "decl gl;\ng(p, q, r) { return p; }\nh(p) { return p; }\n";

class MoveLocal : public CodegenTest {
protected:
    void SetUp() override {
        CodegenTest::SetUp();
        runtime::settings().line_numbers = false;
    }

    // The listing of f with the given body, compiled from a fresh state.
    std::string listing(const std::string& statements) {
        TearDown();
        SetUp();
        return code_of(statements, k_prelude);
    }

    static int count(const std::string& code, const std::string& what) {
        int n = 0;
        for (std::size_t at = code.find(what); at != std::string::npos; at = code.find(what, at + 1)) ++n;
        return n;
    }

    // Each body moves slot 0 once (moved) or moves nothing.
    template <std::size_t N>
    void expect_moves(const char* const (&bodies)[N], bool moved) {
        for (const char* body : bodies) {
            SCOPED_TRACE(body);
            const std::string code = listing(body);
            EXPECT_EQ(count(code, moved ? "MVL 0\n" : "MVL"), moved ? 1 : 0) << code;
        }
    }
};

TEST_F(MoveLocal, TheAssignedLocalMovesIntoTheCall) {
    // Slot 0 is x; the argument that is x is MVL, everything else as before.
    EXPECT_EQ(listing("decl x = 1;\nx = g(x, 1, 2);"),
              "ELT 2\nPSH 1\nSBP 0\nPOP 0\nPSH 0\nLOD 1\nMVL 0\nPSH 1\nPSH 2\nCAL 3\nSBP 0\nPOP 0\nSBZ 0\nRET 0\n");
    const char* moved[] = {
        "decl x = 1;\nx = g(1, x, b);",
        "decl x = 1;\nx = x';",
        "decl x = 1;\nx = x.';",
        "decl x = 1, i;\nfor (i = 0; i < 3; ++i) x = g(x, i, 1);",
        "decl x = 1;\nif (a) { x = g(x, 1, 2); }",
        "decl x = 1, y;\nx = y = g(1, 2, 3);\nx = g(x, y, 1);",
    };
    expect_moves(moved, true);
}

TEST_F(MoveLocal, NoMoveWhereTheValueIsStillSeen) {
    const char* kept[] = {
        "decl x = 1;\nx = g(x, x, 1);",                      // a second use
        "decl x = 1;\nx = g(x, x', 1);",
        "decl x = 1;\nx = a ? g(x, 1, 2) : x;",
        "decl x = 1;\nx = g(&x, 1, 2);",                     // a reference
        "decl x = 1;\nx = g(x, 1, &x);",
        "decl x = 1, y;\ny = g(x, 1, 2);\na = x;",            // another target, x read later
        "decl x = 1;\nx = g(x, 1, 2) + 1;",                  // the call is not the whole right side
        "decl x = 1;\nx = g(h(x), 1, 2);",                   // not an argument of the outer call
        "decl x = 1;\nx += g(x, 1, 2);",                     // compound: x is loaded first
        "decl x = 1, y;\ny = x + (x = g(x, 1, 2));",         // an alias of x is already pushed
        "decl x = 1, y;\ny = 0, x = g(x, 1, 2);",
        "a = g(a, 1, 2);",                                   // an argument slot
        "gl = g(gl, 1, 2);",                                 // a global
        "decl x = 1;\nx = g(x, [=]() { return x; }, 1);",    // a lambda reads the frame
        "decl x = 1, l;\nx = g(x, 1, 2);\nl = [=]() { return 1; };",  // even one defined later
        "decl x = 1;\nx = g(...x);",
    };
    expect_moves(kept, false);
}

TEST_F(MoveLocal, ALastUseMovesIntoTheCall) {
    // Slot 0 is t: handed over where no path reads it again before a store or the return.
    const char* moved[] = {
        "decl t = 1, r;\nr = g(t, 1, 2);\nt = 2;\nreturn r;",
        "decl t = 1, r;\nr = g(1, 2, t);",
        "decl t = 1;\ng(t, 1, 2);",
        "decl t = 1, r;\nr = g(t, 1, 2);\nif (a) t = 3; else t = 4;\nb = t;",
        "decl t, r, i;\nfor (i = 0; i < 3; ++i) { t = h(i); r = g(t, i, 1); }\nreturn r;",
        "decl t = 1, r, i = 0;\nwhile (i < 3) { r = g(t, i, 1); t = i++; }",
        "decl t = 1;\nreturn t;",                                 // the frame is left
        "decl t = 1;\nif (a) return t;\nreturn 2;",
    };
    expect_moves(moved, true);
    const char* kept[] = {
        "decl t = 1, r;\nr = g(t, 1, 2);\nb = t;",
        "decl t = 1, r;\nr = g(t, 1, 2);\nif (a) t = 3;\nb = t;",
        "decl t = 1, r, i;\nfor (i = 0; i < 3; ++i) r = g(t, i, 1);",  // the next iteration reads it
        "decl t = 1, r, i = 0;\nwhile (i < 3) { r = g(t, i, 1); i++; }",
        "decl t = 1, r;\nr = g(t, t, 1);\nt = 2;",
        "decl t = 1, r;\nr = g(t, 1, 2) + t;\nt = 2;",
        "decl t = 1, r;\nr = g(&t, 1, 2);\nt = 2;",
        "decl t = 1, r;\nr = g(t, 1, 2);\nt[0] = 2;",                  // an indexed store reads t
        "decl t = 1, r, l;\nr = g(t, 1, 2);\nl = [=]() { return 1; };\nt = 2;",
        "decl t = <1, 2>, r, v;\nforeach (v in t) r = g(t, v, 1);",
        "decl t = 1;\nreturn t + 1;",
        "decl t = 1, l;\nl = [=]() { return t; };\nreturn t;",
    };
    expect_moves(kept, false);
}

TEST_F(MoveLocal, NoLastUseMoveUnderTheDebugger) {
    // Commands at a stop may still read the local.
    TearDown();
    SetUp();
    runtime::settings().debug = true;
    const std::string code = code_of("decl t = 1, r;\nr = g(t, 1, 2);\nt = 2;", k_prelude);
    EXPECT_EQ(count(code, "MVL"), 0) << code;
}

TEST_F(MoveLocal, NoMoveAtThePrompt) {
    // A statement that fails at the prompt must leave its variables as they were.
    ASSERT_EQ(compile(k_prelude), 0) << joined();
    open_source_text("t.kj", "x = 1; x = g(x, 1, 2);");
    int errors = 0;
    try {
        errors = compile_command("cmd");
    } catch (const StopCompiling&) {
        errors = -1;
    }
    close_scan();
    ASSERT_EQ(errors, 0) << joined();
    const std::string code = body("cmd");
    EXPECT_NE(code.find("CAL 3"), std::string::npos) << code;
    EXPECT_EQ(count(code, "MVL"), 0) << code;
}

}  // namespace
}  // namespace kj::compiler::test
