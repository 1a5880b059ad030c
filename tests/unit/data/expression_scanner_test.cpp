#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "data/expression_scanner.h"

namespace kd = kj::data;

namespace {

// The stream of text, written back as readable pieces: "#" for start and
// end, "L<digits>" for a line marker, "N:text" for numbers, "I:text" for
// identifiers, "S:text" for strings, "K<code>" for other codes above 127,
// the character itself for operators.
std::string render(const kd::TokenStream& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char16_t c = s[i];
        if (!out.empty()) out += ' ';
        if (c == kd::k_tok_start || c == kd::k_tok_end) {
            out += '#';
        } else if (c == kd::k_tok_line) {
            out += 'L';
            while (i + 1 < s.size() && s[i + 1] >= u'0' && s[i + 1] <= u'9') out += static_cast<char>(s[++i]);
        } else if (kd::has_text(c)) {
            out += c == kd::k_tok_number ? "N:" : c == kd::k_tok_ident ? "I:" : "S:";
            std::u16string text;
            while (s[++i] != 0) text += s[i];
            out += kd::utf8_from_utf16(text);
        } else if (c > 127) {
            out += "K" + std::to_string(static_cast<int>(c));
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string scan(const char* text) {
    kd::TokenStream s;
    std::string error;
    if (!kd::scan_expression_text(kd::utf16_from_utf8(text), s, error)) return error;
    EXPECT_TRUE(error.empty());
    return render(s);
}

}  // namespace

TEST(ExpressionScanner, StreamLayoutOfARestriction) {
    EXPECT_EQ(scan("&1 = 2*&0;"), "# L001 & N:1 = N:2 * & N:0 ; #");
    EXPECT_EQ(scan(""), "# L001 #");
    // Every line feed marks the line that follows; blanks, tabs and carriage
    // returns only separate.
    EXPECT_EQ(scan("&1\r\n=\t3;\n\n"), "# L001 & N:1 L002 = N:3 ; L003 L004 #");
}

TEST(ExpressionScanner, NumbersWordsAndTheirOwnKeywords) {
    EXPECT_EQ(scan("1 1.5 .5 2. 1e5 1E-5 2.5D+3 7d2"), "# L001 N:1 N:1.5 N:.5 N:2. N:1e5 N:1E-5 N:2.5D+3 N:7d2 #");
    EXPECT_EQ(scan("start x_1 _y \xC3\xA9t\xC3\xA9"), "# L001 I:start I:x_1 I:_y I:\xC3\xA9t\xC3\xA9 #");
    // The transformation language's words are tokens of their own, exactly
    // as written; in any other case they are identifiers.
    EXPECT_EQ(scan("FALSE TRUE FREQUENCY MISSING PI NOBS Pi"), "# L001 K140 K141 K142 K143 K144 K145 I:Pi #");
    EXPECT_DOUBLE_EQ(kd::number_token_value(u"2.5D+3"), 2500.0);
    EXPECT_DOUBLE_EQ(kd::number_token_value(u"7d-2"), 0.07);
    // Short plain numbers take a quicker path; both give the nearest double.
    for (const char* t : {"0.1", "3.14159", "123456789012345", "1234567890123456", ".000000000000001",
                          "98765.4321", "2.", "0.3", "9007199254740993", "1.7976931348623157e308"})
        EXPECT_EQ(kd::number_token_value(kd::utf16_from_utf8(t)), std::strtod(t, nullptr)) << t;
}

TEST(ExpressionScanner, OperatorsSingleAndDouble) {
    EXPECT_EQ(scan("( ) , { } [ ] ? : ^ * / + - = ! < >"), "# L001 ( ) , { } [ ] ? : ^ * / + - = ! < > #");
    EXPECT_EQ(scan("a&&b||c!=d<=e==f>=g & h"),
              "# L001 I:a K128 I:b K129 I:c K130 I:d K131 I:e K132 I:f K133 I:g & I:h #");
    EXPECT_EQ(scan("\"a b\" \"\""), "# L001 S:a b S: #");
}

TEST(ExpressionScanner, CommentsKeepLineNumbers) {
    EXPECT_EQ(scan("1 // rest ( of line\n2"), "# L001 N:1 L002 N:2 #");
    EXPECT_EQ(scan("1 /* a\n b\n */ 2\n3"), "# L001 N:1 L003 N:2 L004 N:3 #");
    EXPECT_EQ(scan("/* /* */ 4"), "# L001 N:4 #");  // comments do not nest
}

TEST(ExpressionScanner, ErrorsNameKindTextAndLine) {
    EXPECT_EQ(scan("1 +\n 2 @ 3"), "Scan error: Unrecognized @ on line 2");
    EXPECT_EQ(scan("12abc"), "Scan error: Unrecognized 12abc on line 1");
    EXPECT_EQ(scan("1e+"), "Scan error: Unrecognized 1e on line 1");
    EXPECT_EQ(scan("1.2.3"), "Scan error: Unrecognized 1.2.3 on line 1");
    EXPECT_EQ(scan("\xC3\x97"), "Scan error: Unrecognized \xC3\x97 on line 1");  // the multiplication sign is no letter
    EXPECT_EQ(scan("a | b"), "Scan error: Missing | on line 1");
    // Control characters are shown, never passed on raw.
    kd::TokenStream s;
    std::string error;
    EXPECT_FALSE(kd::scan_expression_text(std::u16string(u"1 \x1b[2J", 6), s, error));
    EXPECT_EQ(error, "Scan error: Unrecognized \\x1B on line 1");
    EXPECT_FALSE(kd::scan_expression_text(std::u16string(u"\"a\0b\"", 5), s, error));
    EXPECT_EQ(error, "Scan error: Unrecognized \\x00 on line 1");
    EXPECT_TRUE(s.empty());
    EXPECT_EQ(scan("\n/* open"), "Scan error: Unexpected end of code on line 2");
    EXPECT_EQ(scan("\"abc\ndef\""), "Scan error: End of string missing on line 1");
    EXPECT_EQ(scan("\"abc"), "Scan error: End of string missing on line 1");
    EXPECT_EQ(scan(("\"" + std::string(257, 'x') + "\"").c_str()), "Scan error: Token too long on line 1");
    const std::string word(300, 'w');
    const std::string long_word = scan(word.c_str());
    EXPECT_EQ(long_word.rfind("Scan error: Token too long ", 0), 0u) << long_word;
    EXPECT_NE(scan(std::string(256, 'w').c_str()).find("I:www"), std::string::npos);
}

TEST(ExpressionScanner, CursorSkipsMarkersAndKeepsLines) {
    kd::TokenStream s;
    std::string error;
    ASSERT_TRUE(kd::scan_expression_text(u"&3\n\n = x1;", s, error));
    kd::TokenCursor c(s.data());
    EXPECT_EQ(c.next(), kd::k_tok_start);
    EXPECT_EQ(c.next(), kd::k_tok_param);
    EXPECT_EQ(c.next(), kd::k_tok_number);
    EXPECT_EQ(c.text(), u"3");
    EXPECT_EQ(c.line(), 1);
    EXPECT_EQ(c.peek(), u'=');
    EXPECT_EQ(c.line(), 3);
    c.next();
    EXPECT_EQ(c.next(), kd::k_tok_ident);
    EXPECT_EQ(c.text(), u"x1");
    EXPECT_EQ(c.next(), u';');
    EXPECT_EQ(c.next(), kd::k_tok_end);
    EXPECT_EQ(c.next(), kd::k_tok_end);  // the end stays put
}

TEST(ExpressionScanner, TextConversions) {
    // Two-, three- and four-byte UTF-8; a stray byte is read as Latin-1.
    EXPECT_EQ(kd::utf16_from_utf8("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"), std::u16string(u"a\u00E9\u20AC\uFFFD"));
    EXPECT_EQ(kd::utf16_from_utf8("\xE9t\xC3"), std::u16string(u"\u00E9t\u00C3"));
    EXPECT_EQ(kd::utf8_from_utf16(u"a\u00E9\u20AC"), "a\xC3\xA9\xE2\x82\xAC");
}
