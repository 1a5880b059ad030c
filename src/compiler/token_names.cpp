#include "compiler/token_names.h"

#include "compiler/keywords.h"
#include "compiler/tokens.h"

namespace kj::compiler {

namespace {

struct Spelling {
    int code;
    const char* text;
};

// The operators (operators.def; a null spelling is a keyword's), then the
// other punctuation and placeholders, Kj first; the GAUSS operators follow
// because their spellings are not keywords.
constexpr Spelling k_spellings[] = {
#define KJ_OPERATOR(name, code, text, arity, level, token) {code, token},
#include "link/operators.def"
    {T_Amp, "&"}, {T_AndAnd, "&&"}, {T_ColonColon, "::"}, {T_Comma, ","}, {T_SlashAssign, "/="},
    {T_Dot, "."}, {T_DotColon, ".:"}, {T_Eof, "<eof>"}, {T_Assign, "="}, {T_Hash, "#"},
    {T_TildeAssign, "~="}, {T_Identifier, "<identifier>"}, {T_LBrace, "{"}, {T_LBracket, "["},
    {T_DoubleLit, "<double>"}, {T_HexDoubleLit, "<hex double>"}, {T_IntLit, "<int>"},
    {T_StringLit, "<string>"}, {T_LParen, "("}, {T_Arrow, "->"}, {T_MinusAssign, "-="},
    {T_StarAssign, "*="}, {T_NoToken, "<notoken>"}, {T_OrOr, "||"}, {T_PlusAssign, "+="},
    {T_Question, "?"}, {T_RBracket, "]"}, {T_RParen, ")"}, {T_Semicolon, ";"}, {T_BarAssign, "|="},
    {T_Pragma, "pragma"}, {T_Import, "import"}, {T_ComplexLit, "<complex double>"},
    {T_DotStarAssign, ".*="}, {T_DotSlashAssign, "./="}, {T_Backslash, "\\"}, {T_Space, "<space>"},
    {T_G_SemiSemi, ";;"}, {T_G_Factorial, "!"}, {T_G_Dollar, "$"}, {T_G_DollarPlus, "$+"},
    {T_G_DollarTilde, "$~"}, {T_G_DollarBar, "$|"}, {T_G_DollarLt, "$<"}, {T_G_DollarLe, "$<="},
    {T_G_DollarEq, "$=="}, {T_G_DollarGe, "$>="}, {T_G_DollarGt, "$>"}, {T_G_DollarNe, "$/="},
    {T_G_DotDollarLt, ".$<"}, {T_G_DotDollarLe, ".$<="}, {T_G_DotDollarEq, ".$=="},
    {T_G_DotDollarGe, ".$>="}, {T_G_DotDollarGt, ".$>"}, {T_G_DotDollarNe, ".$/="},
};

}  // namespace

const char* token_name(int code) {
    if (const char* s = keyword_spelling(kj_keywords(), code)) return s;
    for (const Spelling& s : k_spellings)
        if (s.code == code && s.text) return s.text;
    if (const char* s = keyword_spelling(gauss_keywords(), code)) return s;
    return "<token>";
}

}  // namespace kj::compiler
