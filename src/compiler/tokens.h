// Token codes of the scanner and the parser. The tokens that are also
// operand codes of the instruction set (operators, cast targets, new and
// delete) come from link/operators.def, so their numbers are the ones object
// files store.
#pragma once

namespace kj::compiler {

enum Tok : int {
    T_Nothing = 0,
    T_Amp = 32,            // &
    T_AndAnd = 33,         // &&
#define KJ_OPERATOR(name, code, text, arity, level, token) name = code,
#include "link/operators.def"
    T_Break = 35,
    T_Case = 36,
    T_Char = 37,
    T_Class = 38,
    T_ColonColon = 39,     // ::
    T_Comma = 41,
    T_Const = 42,
    T_Continue = 43,
    T_Decl = 45,
    T_Default = 46,
    T_SlashAssign = 49,    // /=
    T_Do = 50,
    T_Dot = 51,            // .
    T_DotColon = 52,       // .:
    T_Else = 59,
    T_Enum = 60,
    T_Eof = 61,
    T_Assign = 62,         // =
    T_Extern = 64,
    T_For = 65,
    T_Goto = 67,
    T_Hash = 69,           // #
    T_TildeAssign = 71,    // ~=
    T_Identifier = 72,
    T_If = 73,
    T_Inline = 75,
    T_LBrace = 78,         // {
    T_LBracket = 79,       // [
    T_DoubleLit = 82,      // <double>
    T_HexDoubleLit = 83,   // <hex double>
    T_IntLit = 84,         // <int>
    T_StringLit = 85,      // <string>
    T_LParen = 86,         // (
    T_Arrow = 88,          // ->
    T_MinusAssign = 90,    // -=
    T_StarAssign = 92,     // *=
    T_NoToken = 96,        // <notoken>
    T_Operator = 97,
    T_OrOr = 98,           // ||
    T_PlusAssign = 100,    // +=
    T_Question = 102,      // ?
    T_RBracket = 104,      // ]
    T_Return = 105,
    T_RParen = 106,        // )
    T_Semicolon = 107,     // ;
    T_Short = 109,
    T_Static = 111,
    T_Switch = 113,
    T_This = 114,
    T_BarAssign = 118,     // |=
    T_Virtual = 119,
    T_While = 120,
    T_Pragma = 121,        // from #pragma
    T_Import = 172,        // from #import
    T_ComplexLit = 173,    // <complex double>
    T_Namespace = 176,
    T_DotStarAssign = 177, // .*=
    T_DotSlashAssign = 178,// ./=
    T_Backslash = 180,     // \ (left division)
    T_Public = 182,
    T_Protected = 183,
    T_Struct = 184,
    T_SwitchSingle = 185,
    T_Foreach = 186,
    T_Parallel = 187,
    T_Serial = 190,
    T_Space = 225,         // <space>

    // GAUSS dialect operators
    T_G_SemiSemi = 202,    // ;;
    T_G_Eqv = 212,         // .eqv
    T_G_Factorial = 214,   // ! (factorial)
    T_G_Not = 221,         // .not
    T_G_Xor = 228,         // .xor
    T_G_Dollar = 229,      // $
    T_G_DollarPlus = 230,  // $+
    T_G_DollarTilde = 231, // $~
    T_G_DollarBar = 232,   // $|
    T_G_DollarLt = 240, T_G_DollarLe = 241, T_G_DollarEq = 242,
    T_G_DollarGe = 243, T_G_DollarGt = 244, T_G_DollarNe = 245,
    T_G_DotDollarLt = 246, T_G_DotDollarLe = 247, T_G_DotDollarEq = 248,
    T_G_DotDollarGe = 249, T_G_DotDollarGt = 250, T_G_DotDollarNe = 251,

    // GAUSS dialect keywords without a Kj counterpart
    T_G_Call = 200, T_G_Dataloop = 201, T_G_Declare = 203, T_G_Elseif = 205,
    T_G_Endata = 206, T_G_Endfor = 207, T_G_Endif = 208, T_G_Endo = 209, T_G_Endp = 210,
    T_G_EqvWord = 211,     // eqv
    T_G_External = 213, T_G_Fn = 215, T_G_Gosub = 216, T_G_Keyword = 217, T_G_Let = 218,
    T_G_Local = 219, T_G_Pop = 222, T_G_Proc = 223, T_G_Retp = 224, T_G_Until = 226,
    T_G_XorWord = 227,     // xor
};

}  // namespace kj::compiler
