// Each compilation is a Parser of its own: two threads scan and preprocess
// at the same time without seeing each other's defines, conditional blocks or
// positions, and a unit compiled while another is suspended half-way leaves
// the suspended one as it was.
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "compiler/codegen_fixture.h"
#include "compiler/compile_observer.h"
#include "compiler/parser.h"

namespace kj::compiler::test {
namespace {

struct Scanned {
    std::string tokens;  // "code:text@line" per token
    int errors = -1;
    int defines = -1;
};

// The rest of the open source, one "code:text@line" per token.
std::string scan_all_open() {
    std::string tokens;
    for (int t = next_token(); t != T_Eof; t = next_token())
        tokens += std::to_string(t) + ":" + std::string(token_text(), static_cast<std::size_t>(token_length())) +
                  "@" + std::to_string(current_line()) + " ";
    return tokens;
}

// Scans the source to its end with the parser of this thread.
Scanned scan_all(const std::string& name, const std::string& source) {
    Scanned out;
    open_source_text(name.c_str(), source);
    out.tokens = scan_all_open();
    out.errors = close_scan();
    out.defines = define_count();
    return out;
}

// A session and parser of its own for the calling thread.
Scanned scan_in_own_parser(const std::string& name, const std::string& source) {
    Session session;
    Parser p(session);
    const ParserScope scope(p);
    return scan_all(name, source);
}

TEST(ParserPerCompilation, TwoThreadsScanAtOnce) {
    // The same names defined differently, and blocks that are live in one
    // source only: a define or a block state leaking across would change the
    // other thread's tokens.
    const std::string a = "#define N 1\n#ifdef N\nalpha = N;\n#else\nwrong;\n#endif\n#define ONLY_A\nx + y\n";
    const std::string b = "#ifdef N\nwrong;\n#else\nbeta(2, 3);\n#endif\n#define N 7\n\"text\" N\n#ifdef ONLY_A\nwrong\n#endif\n";
    const Scanned want_a = scan_in_own_parser("a.kj", a);
    const Scanned want_b = scan_in_own_parser("b.kj", b);
    ASSERT_EQ(want_a.errors, 0);
    ASSERT_EQ(want_b.errors, 0);
    EXPECT_EQ(want_a.tokens.find("wrong"), std::string::npos);
    EXPECT_EQ(want_b.tokens.find("wrong"), std::string::npos);
    EXPECT_NE(want_a.tokens, want_b.tokens);

    constexpr int k_rounds = 300;
    auto run = [](const std::string& name, const std::string& source, const Scanned& want, int& mismatches) {
        Session session;
        Parser p(session);
        const ParserScope scope(p);
        for (int i = 0; i < k_rounds; ++i) {
            remove_defines_from(0);
            const Scanned got = scan_all(name, source);
            if (got.tokens != want.tokens || got.errors != 0 || got.defines != want.defines) ++mismatches;
        }
    };
    int mismatches_a = 0;
    int mismatches_b = 0;
    std::thread ta(run, "a.kj", a, std::cref(want_a), std::ref(mismatches_a));
    std::thread tb(run, "b.kj", b, std::cref(want_b), std::ref(mismatches_b));
    ta.join();
    tb.join();
    EXPECT_EQ(mismatches_a, 0);
    EXPECT_EQ(mismatches_b, 0);
}

TEST(ParserPerCompilation, InnerScanLeavesTheOuterWhereItWas) {
    Session session;
    Parser outer(session);
    const ParserScope scope(outer);
    open_source_text("outer.kj", "first\n#ifdef INNER\nsecond\n#endif\nthird");
    ASSERT_EQ(next_token(), T_Identifier);
    {
        Parser inner(session);
        const ParserScope inner_scope(inner);
        EXPECT_EQ(scan_all("inner.kj", "#define INNER\n#ifdef NOTHING\nx\n#endif\n").tokens, "");
        EXPECT_EQ(&parser(), &inner);
    }
    EXPECT_EQ(&parser(), &outer);
    // The inner source's define is the session's; its open block is not the outer's.
    const std::string id = std::to_string(T_Identifier);
    EXPECT_EQ(scan_all_open(), id + ":second@3 " + id + ":third@5 ");
}

// A unit compiled while another one is half-way through: an import compiled
// when the outer unit announces its first function.
class NestedCompile : public CodegenTest {
protected:
    static inline std::string import_path;
    static inline int nested_errors = -1;
    static inline bool started = false;

    static void on_declaration(const std::string&, DeclKind kind, const std::string&, int, bool) {
        if (kind != DeclKind::Function || started) return;
        started = true;
        nested_errors = compile_source_file(import_path.c_str(), false);
    }

    void TearDown() override {
        set_compile_observer({});
        CodegenTest::TearDown();
    }

    // The listing with the literal numbers of names left out: the import's
    // names take literals before the outer unit's later ones.
    std::string code_of_function(const std::string& name) {
        return std::regex_replace(body(name), std::regex("ELT [0-9]+"), "ELT name");
    }
};

TEST_F(NestedCompile, SuspendedUnitGoesOnUnchanged) {
    runtime::settings().line_numbers = false;
    // The outer unit: a function, then more code whose lines and names must
    // still be those of the outer source after the import was compiled.
    const std::string outer =
        "f(a)\n{\n    return a + 1;\n}\n"
        "g(a, b)\n{\n    decl s = 0;\n    for (decl i = 0; i < a; ++i) s += b[i];\n    return s;\n}\n"
        "h()\n{\n    return missing;\n}\n";
    const std::string imported = "#define OUTER_MUST_NOT_SEE\nimported(x)\n{\n    return x * 2;\n}\n";

    ASSERT_EQ(compile(outer), 1);
    const std::string alone_messages = joined();
    const std::string alone_f = code_of_function("f");
    const std::string alone_g = code_of_function("g");
    ASSERT_NE(alone_messages.find("t.kj (13)"), std::string::npos) << alone_messages;

    // Again from fresh tables, with the import compiled after f.
    destroy_preprocessor();
    link::free_compiler_tables();
    messages.clear();
    link::reset_compiler_tables();
    reset_compiler_state();
    create_preprocessor();
    const auto dir = std::filesystem::temp_directory_path() / ("kj_nested_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    import_path = (dir / "imported.kj").string();
    std::ofstream(import_path) << imported;
    nested_errors = -1;
    started = false;
    set_compile_observer({nullptr, on_declaration});

    EXPECT_EQ(compile(outer), 1);
    EXPECT_EQ(nested_errors, 0) << joined();
    EXPECT_EQ(joined(), alone_messages);
    EXPECT_EQ(code_of_function("f"), alone_f);
    EXPECT_EQ(code_of_function("g"), alone_g);
    EXPECT_NE(body("imported").find("RET"), std::string::npos) << body("imported");
    EXPECT_TRUE(is_defined("OUTER_MUST_NOT_SEE"));  // defines belong to the session
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kj::compiler::test
