#include <cstdlib>

#include "runtime/fatal_error.h"
#include "scanner_fixture.h"

namespace kj::compiler::test {

using runtime::add_to_include_path;
using runtime::build_default_include_path;
using runtime::directory_of;
using runtime::find_file;
using runtime::has_extension;
using runtime::include_path;

using V = std::vector<int>;

class Preprocessor : public ScannerTest {
protected:
    std::vector<std::string> identifiers(std::string_view src) {
        std::vector<std::string> out;
        for (const Tok& t : scan(src))
            if (t.code == T_Identifier) out.push_back(t.text);
        return out;
    }
    using S = std::vector<std::string>;
};

TEST_F(Preprocessor, ConditionalBlocks) {
    define_names("A");
    const struct { const char* src; S live; } cases[] = {
        {"#ifdef A\n a\n#else\n b\n#endif\n c", {"a", "c"}},
        {"#ifndef A\n a\n#else\n b\n#endif\n c", {"b", "c"}},
        {"#ifdef B\n a\n #ifdef A\n b\n #else\n c\n #endif\n d\n#else\n e\n#endif", {"e"}},
        {"#ifdef A\n #ifdef B\n a\n #else\n b\n #endif\n#endif", {"b"}},
        {"#ifdef B\n #define C\n#endif\n#ifdef C\n x\n#endif\n y", {"y"}},
        {"#ifdef B\n #bogus here\n#endif\n y", {"y"}},
        {"#ifdef A x #endif y", {"x", "y"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(identifiers(c.src), c.live) << c.src;
        EXPECT_EQ(scan_error_count(), 0) << c.src << joined_messages();
    }
    EXPECT_FALSE(is_defined("C"));
}

TEST_F(Preprocessor, UnbalancedConditionals) {
    scan("#else\n#endif\n");
    EXPECT_EQ(joined_messages(),
              "t.kj (1): no matching #if\nt.kj (2): no matching #if\n");
    EXPECT_EQ(scan_error_count(), 2);
    messages.clear();
    scan("#ifdef X\na\n");
    EXPECT_EQ(joined_messages(), "t.kj (3): warning: #if... statement not closed\n");
    EXPECT_EQ(scan_error_count(), 0);
}

TEST_F(Preprocessor, DefineUndefAndProtection) {
    define_names("KJ_Linux+KJ_PARALLEL+KJ_64_BIT");
    protect_defines();
    EXPECT_EQ(define_count(), 3);
    EXPECT_EQ(lookup_define("KJ_PARALLEL"), 1);
    undefine("KJ_Linux");
    EXPECT_TRUE(is_defined("KJ_Linux"));

    auto ids = identifiers("#define X 5\n#ifdef X\n a\n#endif\n#undef X\n#ifdef X\n b\n#endif\n"
                           "#undef KJ_Linux\n#ifdef KJ_Linux\n c\n#endif");
    EXPECT_EQ(ids, (S{"a", "c"}));
    // Kj defines have no text: the rest of the line is ordinary tokens.
    EXPECT_EQ(codes("#define Y 5 + 1\nY"), (V{T_IntLit, T_Plus, T_IntLit, T_Identifier}));
    EXPECT_TRUE(is_defined("Y"));
    EXPECT_FALSE(is_defined("y"));

    define_names("M+N");
    EXPECT_EQ(define_count(), 6);
    undefine("M");
    EXPECT_EQ(lookup_define("N"), 4);
    remove_defines_from(0);
    EXPECT_EQ(define_count(), 3);
    EXPECT_TRUE(is_defined("KJ_64_BIT"));
    EXPECT_FALSE(is_defined("N"));
}

TEST_F(Preprocessor, DefineTextAndTheFullTable) {
    define_names("V", false, "1");
    define_names("V", false, "1");
    EXPECT_TRUE(messages.empty());
    define_names("V", false, "2");
    EXPECT_STREQ(define_text(lookup_define("V")), "1");
    EXPECT_EQ(messages.back(), "'V' previously #defined with different value");
    define_names("W");
    define_names("W", false, "3");
    EXPECT_STREQ(define_text(lookup_define("W")), "3");

    messages.clear();
    for (int i = define_count(); i < k_max_defines; ++i) define_names(("D" + std::to_string(i)).c_str());
    EXPECT_TRUE(messages.empty());
    define_names("Extra1+Extra2");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "'Extra1' too many #defines");
    EXPECT_EQ(define_count(), k_max_defines);
    EXPECT_TRUE(is_defined("D511"));
}

TEST_F(Preprocessor, PragmaAndUnknownDirectives) {
    auto toks = scan("#pragma array_base(1)\n#ifdef Q\n#pragma x\n#endif\n#frob\n");
    ASSERT_GE(toks.size(), 1u);
    EXPECT_EQ(toks[0].code, T_Pragma);
    V rest;
    for (std::size_t i = 1; i < toks.size(); ++i) rest.push_back(toks[i].code);
    EXPECT_EQ(rest, (V{T_Identifier, T_LParen, T_IntLit, T_RParen}));
    EXPECT_EQ(joined_messages(), "t.kj (5): 'frob' unrecognized preprocessor directive\n");
}

TEST_F(Preprocessor, IncludeQuotedRelativeToTheIncluder) {
    write("sub/inner.kj", "inner1\ninner2");
    write("sub/mid.kj", "#include \"inner.kj\"\nmid");
    std::string main = write("main.kj", "a\n#include \"sub/mid.kj\"\nb");
    ASSERT_TRUE(open_source(main.c_str()));
    auto toks = drain();
    close_scan();
    const std::vector<Tok> want = {{T_Identifier, "a", 1}, {T_Identifier, "inner1", 1},
                                   {T_Identifier, "inner2", 2}, {T_Identifier, "mid", 2},
                                   {T_Identifier, "b", 3}};
    EXPECT_EQ(toks, want);
    EXPECT_TRUE(messages.empty()) << joined_messages();
}

TEST_F(Preprocessor, MessagesNameTheInnermostFile) {
    std::string inc = write("inc.kj", "x\n  $");
    std::string main = write("main.kj", "#include \"inc.kj\"\n$");
    ASSERT_TRUE(open_source(main.c_str()));
    drain();
    close_scan();
    EXPECT_EQ(joined_messages(), inc + " (2): '$' unrecognized\n" + main + " (2): '$' unrecognized\n");
}

TEST_F(Preprocessor, MissingIncludeReportsAndScanningGoesOn) {
    std::string main = write("main.kj", "a\n#include \"nothere.kj\"\nb\n#include <none.h>\n#include 5\nc");
    ASSERT_TRUE(open_source(main.c_str()));
    auto toks = drain();
    EXPECT_EQ(close_scan(), 3);
    ASSERT_EQ(toks.size(), 3u);
    EXPECT_EQ(toks[2], (Tok{T_Identifier, "c", 6}));
    EXPECT_EQ(joined_messages(), main + " (2): 'nothere.kj' include file not found\n" +
                                     main + " (4): 'none.h' header file not found\n" +
                                     main + " (5): '5' unrecognized\n");
}

TEST_F(Preprocessor, AngleIncludeSearchesThePathAndPrefersKjh) {
    write("lib/x.kjh", "from_kjh");
    write("lib/x.h", "from_h");
    write("lib/y.h", "only_h");
    write("lib/z.kj", "plain");
    add_to_include_path((dir() + "nowhere").c_str());
    add_to_include_path((dir() + "lib").c_str());
    EXPECT_EQ(include_path(), dir() + "lib;" + dir() + "nowhere");
    auto ids = identifiers("#include <x.h>\n#include <y.h>\n#include <z.kj>\n");
    EXPECT_EQ(ids, (S{"from_kjh", "only_h", "plain"}));
    EXPECT_TRUE(messages.empty()) << joined_messages();

    scan("#include <unclosed\nq");
    EXPECT_EQ(joined_messages(), "t.kj (1): 'unclosed' end of include string missing\n");
}

TEST_F(Preprocessor, IncludesNestAtMostTenDeep) {
    for (int i = 0; i < 12; ++i)
        write("n" + std::to_string(i) + ".kj",
              "#include \"n" + std::to_string(i + 1) + ".kj\"\nlevel" + std::to_string(i));
    std::string main = write("main.kj", "#include \"n0.kj\"\ntop");
    ASSERT_TRUE(open_source(main.c_str()));
    auto toks = drain();
    EXPECT_EQ(close_scan(), 1);
    ASSERT_EQ(toks.size(), 11u);
    EXPECT_EQ(toks.front().text, "level9");
    EXPECT_EQ(toks.back().text, "top");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("n9.kj (1): '"), std::string::npos) << messages[0];
    EXPECT_NE(messages[0].find("n10.kj' include files nested too deeply"), std::string::npos);
}

TEST_F(Preprocessor, ImportReadsTheHeaderOnceAndHandsOnTheName) {
    write("mods/maximize.kjh", "hdr");
    add_to_include_path((dir() + "mods").c_str());
    auto toks = scan("#import <maximize>\n#import <maximize>\n#import \"pkg::maximize.ox\"\n"
                     "#import <none>\n#import <dir/>\nend");
    std::vector<Tok> want = {{T_Import, "maximize", 1}, {T_Identifier, "hdr", 1},
                             {T_Import, "maximize", 2}, {T_Import, "pkg::maximize.ox", 3},
                             {T_Identifier, "hdr", 1}, {T_Import, "none", 4},
                             {T_Import, "dir/", 5}, {T_Identifier, "end", 6}};
    EXPECT_EQ(toks, want);
    EXPECT_TRUE(is_defined("maximize$h$"));
    EXPECT_TRUE(is_defined("none$h$"));
    EXPECT_EQ(scan_error_count(), 0);
    EXPECT_EQ(joined_messages(), "t.kj (4): 'none' header file for import not found\n");
    // The guards survive into the next unit.
    EXPECT_EQ(codes("#import <maximize>"), (V{T_Import}));
}

TEST_F(Preprocessor, SearchTracesTheNumberedAttempts) {
    write("p2/other.kj", "");
    write("p1/x.kj", "");
    add_to_include_path((dir() + "p2;" + dir() + "p1").c_str());
    runtime::settings().verbose = 2;
    messages.clear();
    std::string tried;
    std::FILE* f = find_file("x", true, tried, ".kj", (dir() + "base/").c_str());
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_EQ(tried, dir() + "p1/x.kj");
    EXPECT_EQ(joined_messages(), "1.trying: " + dir() + "base/x.kj\n2.trying: x.kj\n" +
                                     "3.trying: " + dir() + "p2/x.kj\n3.trying: " + dir() +
                                     "p1/x.kj\n  found: " + dir() + "p1/x.kj\n");
    messages.clear();
    EXPECT_EQ(find_file("nope", false, tried), nullptr);
    EXPECT_EQ(joined_messages(), "3.trying: " + dir() + "p2/nope\n3.trying: " + dir() +
                                     "p1/nope\n4.trying: nope\n");
}

TEST_F(Preprocessor, SearchOrderAndParentSteps) {
    write("a/b/t.kj", "");
    write("a/t.kj", "");
    std::string tried;
    std::FILE* f = find_file("../t.kj", true, tried, nullptr, (dir() + "a/b/").c_str());
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_EQ(tried, dir() + "a/t.kj");
    // The angle form skips the includer's directory; a directory never opens.
    EXPECT_EQ(find_file("t.kj", false, tried, nullptr, (dir() + "a/").c_str()), nullptr);
    EXPECT_EQ(tried, "t.kj");
    EXPECT_EQ(find_file((dir() + "a").c_str(), true, tried), nullptr);
    EXPECT_TRUE(has_extension("x.kj"));
    EXPECT_FALSE(has_extension("dir.d/x"));
    EXPECT_FALSE(has_extension("../x"));
    EXPECT_EQ(directory_of("/a/b/c.kj"), "/a/b/");
    EXPECT_EQ(directory_of("c.kj"), "");
}

TEST_F(Preprocessor, IncludePathOperations) {
    add_to_include_path("b");
    add_to_include_path("a;");
    add_to_include_path("");
    EXPECT_EQ(include_path(), "a;b");
    add_to_include_path(nullptr);
    EXPECT_EQ(include_path(), "");
    runtime::settings().verbose = 1;
    add_to_include_path("c");
    EXPECT_EQ(messages.back(), "New include path: c");

    ::setenv("KJ8PATH", "/x;/y", 1);
    build_default_include_path();
    EXPECT_EQ(include_path(), "/x;/y");
    ::unsetenv("KJ8PATH");
    build_default_include_path();
    EXPECT_NE(include_path().find("/../include;/"), std::string::npos) << include_path();
    EXPECT_EQ(include_path().back(), '.');
}

TEST_F(Preprocessor, OpeningTheMainSource) {
    std::string path = write("prog.kj", "\xEF\xBB\xBFmain");
    ASSERT_TRUE(open_source((dir() + "prog").c_str()));
    EXPECT_EQ(current_file(), path);
    EXPECT_EQ(drain(), (std::vector<Tok>{{T_Identifier, "main", 1}}));
    close_scan();

    // Not found as written: searched along the include path.
    add_to_include_path(dir().c_str());
    ASSERT_TRUE(open_source("prog"));
    EXPECT_EQ(current_file(), dir() + "prog.kj");
    close_scan();

    EXPECT_FALSE(open_source("surely_missing_file"));
    EXPECT_EQ(messages.back(), "failed to open surely_missing_file.kj");
    EXPECT_FALSE(scan_is_open());
}

// UTF-8 text, with or without its mark, is read whatever the characters in
// its strings and comments.
TEST_F(Preprocessor, Utf8SourcesAreRead) {
    write("utf8_inc.kj", "// \xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80\nb");
    write("utf8.kj", "\xEF\xBB\xBF\"na\xC3\xAFve\"\n#include \"utf8_inc.kj\"\n");
    ASSERT_TRUE(open_source((dir() + "utf8.kj").c_str()));
    const std::vector<Tok> tokens = drain();
    ASSERT_EQ(tokens.size(), 2u);
    EXPECT_EQ(tokens[0].text, "na\xC3\xAFve");
    EXPECT_EQ(tokens[1].text, "b");
    EXPECT_TRUE(messages.empty()) << joined_messages();
    close_scan();
}

// Besides UTF-16 and UTF-32, an 8-bit encoding other than UTF-8 (bytes that
// form no UTF-8 sequence, here Latin-1 in a comment), malformed UTF-8 and
// binary data are refused, in the main source and in included files.
TEST_F(Preprocessor, UnreadableEncodingsAreFatal) {
    const struct { const char* name; std::string bytes; } cases[] = {
        {"utf16le", std::string("\xFF\xFEx\0", 4)},
        {"utf16be", std::string("\xFE\xFF\0x", 4)},
        {"utf32le", std::string("\xFF\xFE\0\0", 4)},
        {"utf32be", std::string("\0\0\xFE\xFF", 4)},
        {"latin1", "main()\n{\n    // caf\xE9, na\xEFve\n}\n"},
        {"latin1_marked", "\xEF\xBB\xBFmain() {} // \xA9"},
        {"overlong", "decl s = \"\xC0\xAF\";"},
        {"surrogate", "decl s = \"\xED\xA0\x80\";"},
        {"cut_short", "decl s = \"\xE2\x82"},
        {"binary", std::string("\x7F" "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\x03\0>\0\x01\0\0\0\x90\x10", 26)},
        {"nul_bytes", std::string("m\0a\0i\0n\0", 8)},
    };
    for (const auto& c : cases) {
        std::string path = write(std::string(c.name) + ".kj", c.bytes);
        messages.clear();
        EXPECT_THROW(open_source(path.c_str()), runtime::FatalError) << c.name;
        ASSERT_FALSE(messages.empty()) << c.name;
        EXPECT_NE(messages.back().find(": Can only read ASCII and UTF8 files"), std::string::npos) << c.name;
        if (scan_is_open()) close_scan();
        // Included files are checked as well.
        std::string main = write("main.kj", "#include \"" + std::string(c.name) + ".kj\"");
        ASSERT_TRUE(open_source(main.c_str()));
        messages.clear();
        EXPECT_THROW(next_token(), runtime::FatalError) << c.name;
        ASSERT_FALSE(messages.empty()) << c.name;
        EXPECT_NE(messages.back().find(": Can only read ASCII and UTF8 files"), std::string::npos) << c.name;
        close_scan();
    }
}

}  // namespace kj::compiler::test
