#include <cmath>

#include "scanner_fixture.h"

namespace kj::compiler::test {

class ScanLiterals : public ScannerTest {};

TEST_F(ScanLiterals, NumbersAndTheirTokenText) {
    const struct { const char* src; int code; const char* text; } cases[] = {
        {"42", T_IntLit, "42"},
        {"1.5", T_DoubleLit, "1.5"},
        {".5", T_DoubleLit, ".5"},
        {"1.", T_DoubleLit, "1."},
        {"1e5", T_DoubleLit, "1e5"},
        {"1D5", T_DoubleLit, "1e5"},
        {"2.5E-3", T_DoubleLit, "2.5e-3"},
        {"1d+10", T_DoubleLit, "1e+10"},
        {"1.e5", T_DoubleLit, "1.e5"},
        {"2i", T_ComplexLit, "2"},
        {"1.5I", T_ComplexLit, "1.5"},
        {"1e-2i", T_ComplexLit, "1e-2"},
        {"0xFFFFFFFF", T_IntLit, "-1"},
        {"0x7fffffff", T_IntLit, "2147483647"},
        {"0x10", T_IntLit, "16"},
        {"0v3FF", T_HexDoubleLit, "3FF"},
        {"0V3ff0000000000000", T_HexDoubleLit, "3ff0000000000000"},
        {"0x.4000000000000000", T_HexDoubleLit, "4000000000000000"},
        {"99999999999", T_IntLit, "99999999999"},
    };
    for (const auto& c : cases) {
        auto toks = scan(c.src);
        ASSERT_EQ(toks.size(), 1u) << c.src;
        EXPECT_EQ(toks[0].code, c.code) << c.src;
        EXPECT_EQ(toks[0].text, c.text) << c.src;
        EXPECT_EQ(scan_error_count(), 0) << c.src;
    }
    EXPECT_TRUE(messages.empty()) << joined_messages();
}

TEST_F(ScanLiterals, HexDoubleBitPattern) {
    EXPECT_EQ(hex_double_value("3FF0000000000000"), 1.0);
    EXPECT_EQ(hex_double_value("4000000000000000"), 2.0);
    EXPECT_EQ(hex_double_value("c000000000000000"), -2.0);
    double tiny = hex_double_value("3FF");
    EXPECT_EQ(tiny, 1023 * std::ldexp(1.0, -1074));  // denormal 0x00000000000003FF
    EXPECT_TRUE(std::isnan(hex_double_value("7FF8000000000000")));
}

TEST_F(ScanLiterals, MalformedNumbersReportAndScanOn) {
    const struct { const char* src; std::vector<int> codes; const char* message; } cases[] = {
        {"1ex", {T_DoubleLit}, "t.kj (1): '1ex' error in double constant"},
        {"1e+x", {T_DoubleLit, T_Plus, T_Identifier}, "t.kj (1): '1e' error in double constant"},
        {"12ab", {T_IntLit}, "t.kj (1): '12ab' error in double constant"},
        {"0x123456789", {T_IntLit}, "t.kj (1): '0x123456789' hexadecimal constant truncated"},
        {"0x1g", {T_IntLit}, "t.kj (1): '0x1g' error in hexadecimal constant"},
        {"0x+1", {T_Plus, T_IntLit}, "t.kj (1): '0x' error in hexadecimal constant"},
        {"0x.", {}, "t.kj (1): '0x.' error in hexadecimal constant"},
        {"0v11112222333344445", {T_HexDoubleLit},
         "t.kj (1): '0v11112222333344445' hexadecimal constant truncated"},
    };
    for (const auto& c : cases) {
        messages.clear();
        EXPECT_EQ(codes(c.src), c.codes) << c.src;
        EXPECT_EQ(scan_error_count(), 1) << c.src;
        EXPECT_EQ(joined_messages(), std::string(c.message) + "\n") << c.src;
    }
    auto toks = scan("0x123456789");
    EXPECT_EQ(toks[0].text, std::to_string(0x12345678));
}

TEST_F(ScanLiterals, DotAfterNumberWarnsBeforeOperatorCharacters) {
    const struct { const char* src; std::vector<int> codes; bool warns; } cases[] = {
        {"1./2", {T_DoubleLit, T_Slash, T_IntLit}, true},
        {"1.:3", {T_DoubleLit, T_Colon, T_IntLit}, true},
        {"1.^2", {T_DoubleLit, T_Caret, T_IntLit}, true},
        {"1.?2", {T_DoubleLit, T_Question, T_IntLit}, true},
        {"1.*2", {T_DoubleLit, T_Star, T_IntLit}, false},
        {"1.'", {T_DoubleLit, T_Transpose}, false},
        {"1 ./2", {T_IntLit, T_DotSlash, T_IntLit}, false},
    };
    for (const auto& c : cases) {
        messages.clear();
        EXPECT_EQ(codes(c.src), c.codes) << c.src;
        EXPECT_EQ(scan_error_count(), 0) << c.src;  // a warning is not counted
        EXPECT_EQ(joined_messages(),
                  c.warns ? "t.kj (1): '1.' warning: dot part of number, not dot operator\n" : "")
            << c.src;
    }
    // GAUSS mode has no such warning ("./" is element-wise division there too).
    messages.clear();
    codes("1./2", Dialect::Gauss);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ScanLiterals, StringsEscapesAndJoining) {
    const struct { const char* src; std::string text; } cases[] = {
        {R"("ab" "cd")", "abcd"},
        {"\"ab\" /* c */ // d\n \"cd\"", "abcd"},
        {R"("\"\'\\")", "\"'\\"},
        {R"("\a\b\f\n\r\t\v")", "\a\b\f\n\r\t\v"},
        {R"("\x41\x4a2\x7")", "AJ2\x07"},
        {R"("\101\0612\7")", "A12\x07"},
        {R"("\q\g\l")", "\\q\\g\\l"},
        {"\"a\rb\"", "ab"},
        {"\"\"", ""},
    };
    for (const auto& c : cases) {
        auto toks = scan(c.src);
        ASSERT_EQ(toks.size(), 1u) << c.src;
        EXPECT_EQ(toks[0].code, T_StringLit);
        EXPECT_EQ(toks[0].text, c.text) << c.src;
        EXPECT_EQ(scan_error_count(), 0) << c.src;
    }
    // A zero byte from an escape stays in the text.
    auto toks = scan(R"("a\0b")");
    EXPECT_EQ(toks[0].text, std::string("a\0b", 3));
}

TEST_F(ScanLiterals, StringErrors) {
    auto toks = scan("\"abc\nx");
    ASSERT_EQ(toks.size(), 2u);
    EXPECT_EQ(toks[0].text, "abc");
    EXPECT_EQ(toks[1], (Tok{T_Identifier, "x", 2}));
    EXPECT_EQ(joined_messages(), "t.kj (1): ending \" missing for string literal\n");

    messages.clear();
    scan("\"abc");
    EXPECT_EQ(joined_messages(), "t.kj (1): unexpected end of file\n");

    messages.clear();
    toks = scan(R"("a\xg")");
    EXPECT_EQ(toks[0].text, "ag");
    EXPECT_EQ(joined_messages(), "t.kj (1): error in escape sequence\n");

    messages.clear();
    // A string literal has no length limit of its own.
    std::string big = "\"" + std::string(3000, 's') + "\"";
    toks = scan(big);
    EXPECT_EQ(toks[0].text.size(), 3000u);
    EXPECT_TRUE(messages.empty());

    messages.clear();
    toks = scan("\"" + std::string(2047, 's') + "\"");
    EXPECT_EQ(toks[0].text.size(), 2047u);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ScanLiterals, ModeFlagsForStrings) {
    open_source_text("t.kj", R"("a\n" "b")");
    set_raw_backslash(true);
    set_single_line_strings(true);
    EXPECT_EQ(next_token(), T_StringLit);
    EXPECT_STREQ(token_text(), "a\\n");
    EXPECT_EQ(next_token(), T_StringLit);
    EXPECT_STREQ(token_text(), "b");
    close_scan();
}

}  // namespace kj::compiler::test
