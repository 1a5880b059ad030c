#include "compiler/token_names.h"

#include "compiler/keywords.h"
#include "compiler/tokens.h"

namespace kj::compiler {

namespace {

struct Spelling {
    int code;
    const char* text;
};

// Operators, placeholders and generated operator names, Kj first; the GAUSS
// operators follow because their spellings are not keywords.
constexpr Spelling k_spellings[] = {
    {T_Amp, "&"}, {T_AndAnd, "&&"}, {T_ColonColon, "::"}, {T_Colon, ":"}, {T_Comma, ","},
    {T_MinusMinus, "--"}, {T_Slash, "/"}, {T_SlashAssign, "/="}, {T_Dot, "."},
    {T_DotColon, ".:"}, {T_DotSlash, "./"}, {T_DotStar, ".*"}, {T_DotCaret, ".^"},
    {T_DotQuestion, ".?"}, {T_Ellipsis, "..."}, {T_Eof, "<eof>"}, {T_Assign, "="},
    {T_DotEq, ".=="}, {T_DotGe, ".>="}, {T_DotGt, ".>"}, {T_Hash, "#"}, {T_Tilde, "~"},
    {T_TildeAssign, "~="}, {T_Identifier, "<identifier>"}, {T_PlusPlus, "++"},
    {T_StarStar, "**"}, {T_LBrace, "{"}, {T_LBracket, "["}, {T_DotLe, ".<="}, {T_DotLt, ".<"},
    {T_DoubleLit, "<double>"}, {T_HexDoubleLit, "<hex double>"}, {T_IntLit, "<int>"},
    {T_StringLit, "<string>"}, {T_LParen, "("}, {T_Arrow, "->"}, {T_Minus, "-"},
    {T_MinusAssign, "-="}, {T_Star, "*"}, {T_StarAssign, "*="}, {T_Not, "!"}, {T_DotNe, ".!="},
    {T_NoToken, "<notoken>"}, {T_OrOr, "||"}, {T_Plus, "+"}, {T_PlusAssign, "+="},
    {T_Caret, "^"}, {T_Question, "?"}, {T_RBrace, "}"}, {T_RBracket, "]"}, {T_RParen, ")"},
    {T_Semicolon, ";"}, {T_ShiftLeft, "<<"}, {T_ShiftRight, ">>"}, {T_Transpose, "'"},
    {T_UnaryMinus, "Unary -"}, {T_Bar, "|"}, {T_BarAssign, "|="}, {T_Pragma, "pragma"},
    {T_XtX, "X'X"}, {T_Eq, "=="}, {T_Ge, ">="}, {T_Gt, ">"}, {T_Le, "<="}, {T_Lt, "<"},
    {T_Ne, "!="}, {T_DotAndAnd, ".&&"}, {T_DotOrOr, ".||"}, {T_FullRange, "[]"},
    {T_Destruct, "destruct"}, {T_XYt, "XY'"}, {T_Import, "import"},
    {T_ComplexLit, "<complex double>"}, {T_Percent, "%"}, {T_IntToDouble, "<int2dbl>"},
    {T_DotStarAssign, ".*="}, {T_DotSlashAssign, "./="}, {T_Backslash, "\\"},
    {T_DotTranspose, ".'"}, {T_Space, "<space>"},
    {T_G_SemiSemi, ";;"}, {T_G_Factorial, "!"}, {T_G_StarTilde, "*~"}, {T_G_Dollar, "$"},
    {T_G_DollarPlus, "$+"}, {T_G_DollarTilde, "$~"}, {T_G_DollarBar, "$|"},
    {T_G_DollarLt, "$<"}, {T_G_DollarLe, "$<="}, {T_G_DollarEq, "$=="}, {T_G_DollarGe, "$>="},
    {T_G_DollarGt, "$>"}, {T_G_DollarNe, "$/="}, {T_G_DotDollarLt, ".$<"},
    {T_G_DotDollarLe, ".$<="}, {T_G_DotDollarEq, ".$=="}, {T_G_DotDollarGe, ".$>="},
    {T_G_DotDollarGt, ".$>"}, {T_G_DotDollarNe, ".$/="},
};

}  // namespace

const char* token_name(int code) {
    if (const char* s = keyword_spelling(kj_keywords(), code)) return s;
    for (const Spelling& s : k_spellings)
        if (s.code == code) return s.text;
    if (const char* s = keyword_spelling(gauss_keywords(), code)) return s;
    return "<token>";
}

}  // namespace kj::compiler
