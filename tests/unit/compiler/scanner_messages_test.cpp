#include "compiler/parser.h"
#include "compiler/scanner_messages.h"
#include "compiler/token_dump.h"
#include "scanner_fixture.h"

namespace kj::compiler::test {

class ScanMessages : public ScannerTest {};

TEST_F(ScanMessages, TableAndCountedCodes) {
    EXPECT_STREQ(scan_message_text(S_UnexpectedEof), "unexpected end of file");
    EXPECT_STREQ(scan_message_text(S_StringNotClosed), "ending \" missing for string literal");
    EXPECT_STREQ(scan_message_text(S_InvalidCharacter), "invalid character found");
    EXPECT_STREQ(scan_message_text(k_scan_message_count), "");
    int counted = 0;
    for (int code = 0; code < k_scan_message_count; ++code) counted += scan_message_counts(code);
    EXPECT_EQ(counted, k_scan_message_count - 4);
    EXPECT_FALSE(scan_message_counts(S_ImportHeaderNotFound));
}

TEST_F(ScanMessages, PrefixWithAndWithoutLine) {
    scan_error(parser(), S_Missing, "x");
    EXPECT_EQ(messages.back(), "'x' missing");
    open_source_text("unit.kj", "\n\n");
    scan_error(parser(), S_Missing);
    EXPECT_EQ(messages.back(), "unit.kj (1): missing");
    EXPECT_EQ(location_prefix(), "unit.kj (1): ");
    close_scan();
}

TEST_F(ScanMessages, AtMostOneHundredErrorsArePrinted) {
    std::string src;
    for (int i = 0; i < 120; ++i) src += "$\n";
    src += "1./2";
    scan(src);
    EXPECT_EQ(scan_error_count(), 120);
    ASSERT_EQ(messages.size(), 100u);
    EXPECT_EQ(messages[99], "t.kj (100): '$' unrecognized");
}

TEST_F(ScanMessages, TokenDumpListsEveryToken) {
    std::string dump = dump_tokens_text("d.kj", "x = \"a\\tb\";\n0x10'y");
    EXPECT_EQ(dump,
              "1 72 <identifier> x\n"
              "1 62 =\n"
              "1 85 <string> \"a\\x09b\"\n"
              "1 107 ;\n"
              "2 84 <int> 16\n"
              "2 115 '\n"
              "2 91 *\n"
              "2 72 <identifier> y\n"
              "2 61 <eof>\n");
    std::string path = write("f.kj", "z");
    std::string out;
    ASSERT_TRUE(dump_tokens(path.c_str(), out));
    EXPECT_EQ(out, "1 72 <identifier> z\n1 61 <eof>\n");
    EXPECT_FALSE(dump_tokens((dir() + "missing").c_str(), out));
}

}  // namespace kj::compiler::test
