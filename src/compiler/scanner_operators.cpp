// Operator recognition of the Kj dialect: longest match with up to two
// characters of look-ahead.
#include "compiler/parser.h"
#include "compiler/scanner_state.h"
#include "compiler/tokens.h"

namespace kj::compiler {

namespace {

// After '.' (not before a digit).
int scan_dot(Parser& p) {
    int c = read_char(p);
    switch (c) {
        case '*': return accept_char(p, '=') ? T_DotStarAssign : T_DotStar;
        case '/': return accept_char(p, '=') ? T_DotSlashAssign : T_DotSlash;
        case '^': return T_DotCaret;
        case ':': return T_DotColon;
        case '?': return T_DotQuestion;
        case '\'': return T_DotTranspose;
        case '<': return accept_char(p, '=') ? T_DotLe : T_DotLt;
        case '>': return accept_char(p, '=') ? T_DotGe : T_DotGt;
        case '.':
            if (accept_char(p, '.')) return T_Ellipsis;
            unread_char(p, '.');
            return T_Dot;
        case '=': case '!': case '&': case '|': {
            // ".==", ".!=", ".&&", ".||"; without the second character the dot
            // stands alone.
            if (accept_char(p, c == '!' ? '=' : c))
                return c == '=' ? T_DotEq : c == '!' ? T_DotNe : c == '&' ? T_DotAndAnd : T_DotOrOr;
            unread_char(p, c);
            return T_Dot;
        }
        default: unread_char(p, c); return T_Dot;
    }
}

}  // namespace

int scan_kj_operator(Parser& p, int c) {
    switch (c) {
        case ':': return accept_char(p, ':') ? T_ColonColon : T_Colon;
        case ',': return T_Comma;
        case ';': return T_Semicolon;
        case '(': return T_LParen;
        case ')': return T_RParen;
        case '[': return T_LBracket;
        case ']': return T_RBracket;
        case '{': return T_LBrace;
        case '}': return T_RBrace;
        case '?': return T_Question;
        case '#': return T_Hash;
        case '\\': return T_Backslash;
        case '\'': return T_Transpose;
        case '^': return T_Caret;
        case '!': return accept_char(p, '=') ? T_Ne : T_Not;
        case '&': return accept_char(p, '&') ? T_AndAnd : T_Amp;
        case '|': return accept_char(p, '|') ? T_OrOr : accept_char(p, '=') ? T_BarAssign : T_Bar;
        case '~': return accept_char(p, '=') ? T_TildeAssign : T_Tilde;
        case '=': return accept_char(p, '=') ? T_Eq : T_Assign;
        case '<': return accept_char(p, '=') ? T_Le : accept_char(p, '<') ? T_ShiftLeft : T_Lt;
        case '>': return accept_char(p, '=') ? T_Ge : accept_char(p, '>') ? T_ShiftRight : T_Gt;
        case '*': return accept_char(p, '=') ? T_StarAssign : accept_char(p, '*') ? T_StarStar : T_Star;
        case '+': return accept_char(p, '+') ? T_PlusPlus : accept_char(p, '=') ? T_PlusAssign : T_Plus;
        case '-':
            if (accept_char(p, '-')) return T_MinusMinus;
            if (accept_char(p, '=')) return T_MinusAssign;
            return accept_char(p, '>') ? T_Arrow : T_Minus;
        case '/': return accept_char(p, '=') ? T_SlashAssign : T_Slash;
        case '.': return scan_dot(p);
        default: return 0;
    }
}

}  // namespace kj::compiler
