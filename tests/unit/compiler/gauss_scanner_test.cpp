#include "compiler/token_names.h"
#include "scanner_fixture.h"

namespace kj::compiler::test {

using V = std::vector<int>;

class GaussScanner : public ScannerTest {};

TEST_F(GaussScanner, OperatorsDifferFromKj) {
    const struct { const char* src; V want; } cases[] = {
        {"a^2", {T_Identifier, T_DotCaret, T_IntLit}},
        {"x! /= != ./= %", {T_Identifier, T_G_Factorial, T_Ne, T_Ne, T_DotNe, T_Percent}},
        {";; *~ .*. .* ./", {T_G_SemiSemi, T_G_StarTilde, T_StarStar, T_DotStar, T_DotSlash}},
        {"-- ++ += && ->", {T_Minus, T_Minus, T_Plus, T_Plus, T_Plus, T_Assign, T_Amp, T_Amp,
                            T_Minus, T_Gt}},
        {"$+ $~ $| $ $< $<= $== $>= $> $/=",
         {T_G_DollarPlus, T_G_DollarTilde, T_G_DollarBar, T_G_Dollar, T_G_DollarLt,
          T_G_DollarLe, T_G_DollarEq, T_G_DollarGe, T_G_DollarGt, T_G_DollarNe}},
        {".$< .$<= .$== .$>= .$> .$/=",
         {T_G_DotDollarLt, T_G_DotDollarLe, T_G_DotDollarEq, T_G_DotDollarGe, T_G_DotDollarGt,
          T_G_DotDollarNe}},
        {"a .EQ b .and c .Eqv d .not e .xor f .or g",
         {T_Identifier, T_DotEq, T_Identifier, T_DotAndAnd, T_Identifier, T_G_Eqv, T_Identifier,
          T_G_Not, T_Identifier, T_G_Xor, T_Identifier, T_DotOrOr, T_Identifier}},
        {"s.field s.eqvx", {T_Identifier, T_Dot, T_Identifier, T_Identifier, T_Dot, T_Identifier}},
    };
    for (const auto& c : cases) EXPECT_EQ(codes(c.src, Dialect::Gauss), c.want) << c.src;
    EXPECT_EQ(scan_error_count(), 0);
}

TEST_F(GaussScanner, KeywordsAreCaseInsensitive) {
    auto toks = scan("IF X /= 0; ENDIF; Proc Retp And", Dialect::Gauss);
    V got;
    for (const Tok& t : toks) got.push_back(t.code);
    EXPECT_EQ(got, (V{T_If, T_Identifier, T_Ne, T_IntLit, T_Semicolon, T_G_Endif, T_Semicolon,
                      T_G_Proc, T_G_Retp, T_AndAnd}));
    EXPECT_EQ(toks[1].text, "x");
    // Back in Kj mode the same words are identifiers.
    EXPECT_EQ(codes("endif proc"), (V{T_Identifier, T_Identifier}));
}

TEST_F(GaussScanner, CommentsStringsAndEscapes) {
    auto toks = scan("a @ comment\n @ b \"x\\q\\g\\l\\65\\0\" \"no\" \"y\" \\ \"z\" \"1\n2\"",
                     Dialect::Gauss);
    ASSERT_EQ(toks.size(), 6u);
    EXPECT_EQ(toks[1], (Tok{T_Identifier, "b", 2}));
    EXPECT_EQ(toks[2].text, std::string("xq\a\nA\0", 6));
    EXPECT_EQ(toks[3].text, "no");
    EXPECT_EQ(toks[4].text, "yz");
    EXPECT_EQ(toks[5].text, "1\n2");  // a GAUSS literal may span lines
    EXPECT_EQ(scan_error_count(), 0);
    scan("@ open", Dialect::Gauss);
    EXPECT_EQ(joined_messages(), "t.kj (1): comment not closed\n");
}

TEST_F(GaussScanner, DefinesWithTextAreReplacedOneLevelDeep) {
    auto toks = scan("#define N  2 + M\n#define M N\n#definecs Big 7\nn*N; m; Big; big;"
                     "\n#ifunix\nu\n#endif\n#ifdos\nd\n#endif\n#lineson(3);\n#include \"x\" ",
                     Dialect::Gauss);
    std::string spelled;
    for (const Tok& t : toks) spelled += (t.text.empty() ? std::string(token_name(t.code)) : t.text) + " ";
    EXPECT_EQ(spelled, "2 + m * 2 + m ; n ; big ; big ; u ");
    EXPECT_TRUE(is_defined("$n"));
    EXPECT_EQ(joined_messages(), "t.kj (12): 'x' include file not found\n");
}

}  // namespace kj::compiler::test
