// Token codes shared by the scanner, the code generator and the operators:
// an operator's token code is also the operand of the OPR instruction that
// applies it, and a type keyword's code names the target of a cast.
#pragma once

namespace kj::compiler {

enum Tok : int {
    T_Nothing = 0,
    T_Amp = 32,            // &
    T_AndAnd = 33,         // &&
    T_Array = 34,
    T_Break = 35,
    T_Case = 36,
    T_Char = 37,
    T_Class = 38,
    T_ColonColon = 39,     // ::
    T_Colon = 40,          // :  (range)
    T_Comma = 41,
    T_Const = 42,
    T_Continue = 43,
    T_MinusMinus = 44,     // --
    T_Decl = 45,
    T_Default = 46,
    T_Delete = 47,
    T_Slash = 48,          // /
    T_SlashAssign = 49,    // /=
    T_Do = 50,
    T_Dot = 51,            // .
    T_DotColon = 52,       // .:
    T_DotSlash = 53,       // ./
    T_DotStar = 54,        // .*
    T_DotCaret = 55,       // .^
    T_DotQuestion = 56,    // .?
    T_Double = 57,
    T_Ellipsis = 58,       // ...
    T_Else = 59,
    T_Enum = 60,
    T_Eof = 61,
    T_Assign = 62,         // =
    T_DotEq = 63,          // .==
    T_Extern = 64,
    T_For = 65,
    T_DotGe = 66,          // .>=
    T_Goto = 67,
    T_DotGt = 68,          // .>
    T_Hash = 69,           // #
    T_Tilde = 70,          // ~
    T_TildeAssign = 71,    // ~=
    T_Identifier = 72,
    T_If = 73,
    T_PlusPlus = 74,       // ++
    T_Inline = 75,
    T_Int = 76,
    T_StarStar = 77,       // **
    T_LBrace = 78,         // {
    T_LBracket = 79,       // [
    T_DotLe = 80,          // .<=
    T_DotLt = 81,          // .<
    T_DoubleLit = 82,      // <double>
    T_HexDoubleLit = 83,   // <hex double>
    T_IntLit = 84,         // <int>
    T_StringLit = 85,      // <string>
    T_LParen = 86,         // (
    T_Matrix = 87,
    T_Arrow = 88,          // ->
    T_Minus = 89,          // -
    T_MinusAssign = 90,    // -=
    T_Star = 91,           // *
    T_StarAssign = 92,     // *=
    T_New = 93,
    T_Not = 94,            // !
    T_DotNe = 95,          // .!=
    T_NoToken = 96,        // <notoken>
    T_Operator = 97,
    T_OrOr = 98,           // ||
    T_Plus = 99,           // +
    T_PlusAssign = 100,    // +=
    T_Caret = 101,         // ^
    T_Question = 102,      // ?
    T_RBrace = 103,        // }
    T_RBracket = 104,      // ]
    T_Return = 105,
    T_RParen = 106,        // )
    T_Semicolon = 107,     // ;
    T_ShiftLeft = 108,     // <<
    T_Short = 109,
    T_ShiftRight = 110,    // >>
    T_Static = 111,
    T_String = 112,
    T_Switch = 113,
    T_This = 114,
    T_Transpose = 115,     // '
    T_UnaryMinus = 116,    // "Unary -" (generated)
    T_Bar = 117,           // |
    T_BarAssign = 118,     // |=
    T_Virtual = 119,
    T_While = 120,
    T_Pragma = 121,        // from #pragma
    T_XtX = 122,           // "X'X" (generated)
    T_Eq = 123,            // ==
    T_Ge = 124,            // >=
    T_Gt = 125,            // >
    T_Le = 126,            // <=
    T_Lt = 127,            // <
    T_Ne = 128,            // !=
    T_DotAndAnd = 129,     // .&&
    T_DotOrOr = 130,       // .||
    T_FullRange = 131,     // "[]" (generated)
    T_Destruct = 132,      // "destruct" (generated)
    T_XYt = 171,           // "XY'" (generated)
    T_Import = 172,        // from #import
    T_ComplexLit = 173,    // <complex double>
    T_Percent = 174,       // % (GAUSS only)
    T_IntToDouble = 175,   // "<int2dbl>" (generated)
    T_Namespace = 176,
    T_DotStarAssign = 177, // .*=
    T_DotSlashAssign = 178,// ./=
    T_Backslash = 180,     // \ (left division)
    T_ToMatrix1x1 = 181,   // internal: int or double to a 1 by 1 matrix
    T_Public = 182,
    T_Protected = 183,
    T_Struct = 184,
    T_SwitchSingle = 185,
    T_Foreach = 186,
    T_Parallel = 187,
    T_Serial = 190,
    T_DotTranspose = 204,  // .'
    T_Space = 225,         // <space>

    // GAUSS dialect operators
    T_G_SemiSemi = 202,    // ;;
    T_G_Eqv = 212,         // .eqv
    T_G_Factorial = 214,   // ! (factorial)
    T_G_StarTilde = 220,   // *~
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
