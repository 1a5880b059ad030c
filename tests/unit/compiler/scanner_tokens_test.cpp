#include <cstring>

#include "compiler/keywords.h"
#include "compiler/token_names.h"
#include "scanner_fixture.h"

namespace kj::compiler::test {

using V = std::vector<int>;

TEST(Keywords, TablesAreSortedAndEndInTheSentinel) {
    for (const KeywordTable* t : {&kj_keywords(), &gauss_keywords()}) {
        for (int i = 1; i < t->count; ++i)
            EXPECT_LT(std::strcmp(t->entries[i - 1].spelling, t->entries[i].spelling), 0)
                << t->entries[i].spelling;
        EXPECT_STREQ(t->entries[t->count].spelling, "$$$");
        EXPECT_EQ(t->entries[t->count].code, T_NoToken);
        for (int i = 0; i < t->count; ++i)
            EXPECT_EQ(find_keyword(*t, t->entries[i].spelling), t->entries[i].code);
    }
    EXPECT_EQ(find_keyword(kj_keywords(), "switch_single"), T_SwitchSingle);
    EXPECT_EQ(find_keyword(kj_keywords(), "Switch"), 0);
    EXPECT_EQ(find_keyword(kj_keywords(), "$$$"), 0);
    EXPECT_EQ(find_keyword(gauss_keywords(), "endp"), T_G_Endp);
}

TEST(TokenNames, KeywordsSpellingsPlaceholdersAndUnknown) {
    const struct { int code; const char* name; } cases[] = {
        {T_While, "while"}, {T_Namespace, "namespace"}, {T_DotStarAssign, ".*="},
        {T_Identifier, "<identifier>"}, {T_ComplexLit, "<complex double>"},
        {T_IntToDouble, "<int2dbl>"}, {T_Space, "<space>"}, {T_UnaryMinus, "Unary -"},
        {T_XtX, "X'X"}, {T_XYt, "XY'"}, {T_FullRange, "[]"}, {T_Destruct, "destruct"},
        {T_Backslash, "\\"}, {T_G_DotDollarNe, ".$/="}, {T_G_Retp, "retp"},
        {T_G_Endfor, "endfor"}, {T_StarStar, "**"}, {T_Eof, "<eof>"}, {999, "<token>"},
        {0, "<token>"},
    };
    for (const auto& c : cases) EXPECT_STREQ(token_name(c.code), c.name) << c.code;
}

class ScanTokens : public ScannerTest {};

TEST_F(ScanTokens, KjOperatorsTakeTheLongestMatch) {
    const struct { const char* src; V want; } cases[] = {
        {":: : , ; ( ) [ ] { } ? # \\", {T_ColonColon, T_Colon, T_Comma, T_Semicolon, T_LParen,
                                         T_RParen, T_LBracket, T_RBracket, T_LBrace, T_RBrace,
                                         T_Question, T_Backslash}},
        {"! != & && | || |= ~ ~= = ==", {T_Not, T_Ne, T_Amp, T_AndAnd, T_Bar, T_OrOr, T_BarAssign,
                                         T_Tilde, T_TildeAssign, T_Assign, T_Eq}},
        {"< <= << > >= >>", {T_Lt, T_Le, T_ShiftLeft, T_Gt, T_Ge, T_ShiftRight}},
        {"* *= ** + ++ += - -- -= -> / /=", {T_Star, T_StarAssign, T_StarStar, T_Plus, T_PlusPlus,
                                             T_PlusAssign, T_Minus, T_MinusMinus, T_MinusAssign,
                                             T_Arrow, T_Slash, T_SlashAssign}},
        {".* .*= ./ ./= .^ .: .? ... .== .!= .&& .|| .< .<= .> .>= .",
         {T_DotStar, T_DotStarAssign, T_DotSlash, T_DotSlashAssign, T_DotCaret, T_DotColon,
          T_DotQuestion, T_Ellipsis, T_DotEq, T_DotNe, T_DotAndAnd, T_DotOrOr, T_DotLt, T_DotLe,
          T_DotGt, T_DotGe, T_Dot}},
        {"a+++b", {T_Identifier, T_PlusPlus, T_Plus, T_Identifier}},
        {"x..y", {T_Identifier, T_Dot, T_Dot, T_Identifier}},
        {"x.=y", {T_Identifier, T_Dot, T_Assign, T_Identifier}},
        {"x.!y", {T_Identifier, T_Dot, T_Not, T_Identifier}},
        {"a.b", {T_Identifier, T_Dot, T_Identifier}},
        {"a^b", {T_Identifier, T_Caret, T_Identifier}},
    };
    for (const auto& c : cases) EXPECT_EQ(codes(c.src), c.want) << c.src;
    EXPECT_EQ(scan_error_count(), 0);
}

TEST_F(ScanTokens, TransposeFollowedByAnOperandMultiplies) {
    const struct { const char* src; V want; } cases[] = {
        {"x'y", {T_Identifier, T_Transpose, T_Star, T_Identifier}},
        {"x' y", {T_Identifier, T_Transpose, T_Star, T_Identifier}},
        {"x'(y)", {T_Identifier, T_Transpose, T_Star, T_LParen, T_Identifier, T_RParen}},
        {"x'this", {T_Identifier, T_Transpose, T_Star, T_This}},
        {"x.'y", {T_Identifier, T_DotTranspose, T_Star, T_Identifier}},
        {"x'*y", {T_Identifier, T_Transpose, T_Star, T_Identifier}},
        {"x'+y", {T_Identifier, T_Transpose, T_Plus, T_Identifier}},
        {"x''", {T_Identifier, T_Transpose, T_Transpose}},
        {"x'1", {T_Identifier, T_Transpose, T_IntLit}},
    };
    for (const auto& c : cases) EXPECT_EQ(codes(c.src), c.want) << c.src;
    // The held operand keeps its text.
    auto toks = scan("a'bc");
    ASSERT_EQ(toks.size(), 4u);
    EXPECT_EQ(toks[3].text, "bc");
}

TEST_F(ScanTokens, LookAheadAndPushBack) {
    open_source_text("t.kj", "a b'c");
    EXPECT_EQ(peek_token(), T_Identifier);
    EXPECT_STREQ(token_text(), "a");
    EXPECT_EQ(next_token(), T_Identifier);
    EXPECT_EQ(next_token(), T_Identifier);
    EXPECT_STREQ(token_text(), "b");
    push_back_token(T_Identifier);
    EXPECT_EQ(next_token(), T_Identifier);
    EXPECT_EQ(next_token(), T_Transpose);
    EXPECT_EQ(peek_token(), T_Star);
    EXPECT_EQ(next_token(), T_Star);
    EXPECT_EQ(next_token(), T_Identifier);
    EXPECT_STREQ(token_text(), "c");
    EXPECT_EQ(next_token(), T_Eof);
    EXPECT_EQ(next_token(), T_Eof);
    EXPECT_EQ(close_scan(), 0);
    EXPECT_EQ(next_token(), T_Eof);
}

TEST_F(ScanTokens, CharacterConstantInOperandPosition) {
    open_source_text("t.kj", "'a' '\\n' '\\x41' 'b x");
    const struct { const char* text; int errors; } want[] = {{"97", 0}, {"10", 0}, {"65", 0}, {"98", 1}};
    for (const auto& w : want) {
        ASSERT_EQ(next_token(), T_Transpose);
        EXPECT_EQ(read_char_constant(), T_IntLit);
        EXPECT_STREQ(token_text(), w.text);
        EXPECT_EQ(scan_error_count(), w.errors);
    }
    // No multiplication is inserted after a character constant.
    EXPECT_EQ(next_token(), T_Identifier);
    close_scan();
    EXPECT_EQ(joined_messages(), "t.kj (1): ending ' missing for character literal\n");
}

TEST_F(ScanTokens, IdentifiersWordsAndKeywords) {
    std::string id70(70, 'a');
    auto toks = scan(id70 + " _x1 while While");
    ASSERT_EQ(toks.size(), 4u);
    EXPECT_EQ(toks[0], (Tok{T_Identifier, std::string(60, 'a'), 1}));
    EXPECT_EQ(toks[1], (Tok{T_Identifier, "_x1", 1}));
    EXPECT_EQ(toks[2].code, T_While);
    EXPECT_EQ(toks[3], (Tok{T_Identifier, "While", 1}));
    EXPECT_TRUE(messages.empty());

    toks = scan(std::string(3000, 'w') + " z");
    ASSERT_EQ(toks.size(), 2u);
    EXPECT_EQ(toks[0].text.size(), 60u);
    EXPECT_EQ(toks[1].text, "z");
    EXPECT_EQ(scan_error_count(), 1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("symbol too long"), std::string::npos);
}

TEST_F(ScanTokens, CommentsAndLineCounting) {
    auto toks = scan("a/*x/*y*/z*/b // c\n/* 1\n2 */ c\r\n\v\f\x1A d/e");
    const std::vector<Tok> want = {{T_Identifier, "a", 1}, {T_Identifier, "b", 1},
                                   {T_Identifier, "c", 3}, {T_Identifier, "d", 4},
                                   {T_Slash, "", 4}, {T_Identifier, "e", 4}};
    EXPECT_EQ(toks, want);
    EXPECT_TRUE(messages.empty());

    // The message carries the line where the comment started.
    scan("a\n /* /* */ \n\n");
    EXPECT_EQ(joined_messages(), "t.kj (2): comment not closed\n");
}

TEST_F(ScanTokens, InvalidAndUnrecognizedCharacters) {
    // Bytes above 127 join a word: one error for the word, which stays an
    // identifier so that the parser does not stumble over each byte.
    EXPECT_EQ(codes("a \xC3 b"), (V{T_Identifier, T_Identifier, T_Identifier}));
    EXPECT_EQ(scan_error_count(), 1);
    EXPECT_EQ(joined_messages(), "t.kj (1): '\\xC3' invalid character found\n");
    messages.clear();
    EXPECT_EQ(codes("gr\xC3\xB6\xC3\x9F\x65 = 1"), (V{T_Identifier, T_Assign, T_IntLit}));
    EXPECT_EQ(scan_error_count(), 1);
    EXPECT_EQ(joined_messages(), "t.kj (1): 'gr\xC3\xB6\xC3\x9F\x65' invalid character found\n");
    messages.clear();
    EXPECT_EQ(codes(std::string("a\0b\x7F", 4)), (V{T_Identifier, T_Question, T_Identifier, T_Question}));
    EXPECT_EQ(scan_error_count(), 2);
    messages.clear();
    EXPECT_EQ(codes("a $ % @ ` b"), (V{T_Identifier, T_Identifier}));
    EXPECT_EQ(scan_error_count(), 4);
    EXPECT_EQ(messages.front(), "t.kj (1): '$' unrecognized");
    // Bytes above 127 are fine in strings and comments.
    messages.clear();
    EXPECT_EQ(codes("\"\xC3\xA9\" // \xFF\n/* \xC3 */"), (V{T_StringLit}));
    EXPECT_TRUE(messages.empty());
}

TEST_F(ScanTokens, SpaceTokenMode) {
    open_source_text("t.kj", "a  b/**/c\"x\" \"y\"");
    set_space_token(true);
    V got;
    for (int t; (t = next_token()) != T_Eof;) got.push_back(t);
    EXPECT_EQ(got, (V{T_Identifier, T_Space, T_Identifier, T_Space, T_Identifier, T_StringLit,
                      T_Space, T_StringLit}));
    close_scan();
}

TEST_F(ScanTokens, ReadRestOfLine) {
    open_source_text("t.kj", "a rest of  line\r\nb");
    EXPECT_EQ(next_token(), T_Identifier);
    EXPECT_EQ(read_rest_of_line(), " rest of  line");
    EXPECT_EQ(current_line(), 1);
    EXPECT_EQ(next_token(), T_Identifier);
    EXPECT_STREQ(token_text(), "b");
    EXPECT_EQ(current_line(), 2);
    close_scan();
    EXPECT_EQ(current_line(), 0);
    EXPECT_STREQ(current_file(), "");
}

}  // namespace kj::compiler::test
