// Operator recognition of the GAUSS dialect: "^" is element-wise power, "!"
// factorial, "/=" not-equal, "%" modulo, ";;", "*~", ".*.", the dot words
// (.eq, .and, ...) and the string operators built on "$". The increment and
// compound-assignment operators of Kj do not exist here.
#include <string>

#include "compiler/parser.h"
#include "compiler/keywords.h"
#include "compiler/scanner_state.h"
#include "compiler/tokens.h"

namespace kj::compiler {

namespace {

constexpr int k_dollar_relation_count = 6;  // < <= == >= > /=

// After "$" or ".$": the relation's index in $< $<= $== $>= $> $/=, or -1
// with the input as it was.
int dollar_relation(Parser& p) {
    int c = read_char(p);
    switch (c) {
        case '<': return accept_char(p, '=') ? 1 : 0;
        case '>': return accept_char(p, '=') ? 3 : 4;
        case '=':
            if (accept_char(p, '=')) return 2;
            break;
        case '/':
            if (accept_char(p, '=')) return 5;
            break;
        default: break;
    }
    unread_char(p, c);
    return -1;
}

int scan_dollar(Parser& p) {
    if (accept_char(p, '+')) return T_G_DollarPlus;
    if (accept_char(p, '~')) return T_G_DollarTilde;
    if (accept_char(p, '|')) return T_G_DollarBar;
    int r = dollar_relation(p);
    return r >= 0 ? T_G_DollarLt + r : T_G_Dollar;
}

// A dot word (".eq", ".and", ...): at most four letters, matched whole and
// case-insensitively; anything else is given back and the dot stands alone.
int scan_dot_word(Parser& p, int first) {
    int letters[5];
    int n = 0;
    int c = first;
    while (is_letter(c) && n < 5) {
        letters[n++] = c;
        c = read_char(p);
    }
    if (n <= 4 && !is_word_char(c)) {
        std::string word = ".";
        for (int i = 0; i < n; ++i) word += static_cast<char>(to_lower(letters[i]));
        if (int code = find_keyword(gauss_keywords(), word.c_str())) {
            unread_char(p, c);
            return code;
        }
    }
    unread_char(p, c);
    while (n > 0) unread_char(p, letters[--n]);
    return T_Dot;
}

int scan_gauss_dot(Parser& p) {
    int c = read_char(p);
    switch (c) {
        case '*':
            if (accept_char(p, '.')) return T_StarStar;  // .*. Kronecker product
            return T_DotStar;
        case '/': return accept_char(p, '=') ? T_DotNe : T_DotSlash;
        case '^': return T_DotCaret;
        case '\'': return T_DotTranspose;
        case '<': return accept_char(p, '=') ? T_DotLe : T_DotLt;
        case '>': return accept_char(p, '=') ? T_DotGe : T_DotGt;
        case '=':
            if (accept_char(p, '=')) return T_DotEq;
            break;
        case '$': {
            int r = dollar_relation(p);
            if (r >= 0) return T_G_DotDollarLt + r;
            break;
        }
        default:
            if (is_letter(c)) return scan_dot_word(p, c);
            break;
    }
    unread_char(p, c);
    return T_Dot;
}

static_assert(T_G_DollarNe - T_G_DollarLt + 1 == k_dollar_relation_count);
static_assert(T_G_DotDollarNe - T_G_DotDollarLt + 1 == k_dollar_relation_count);

}  // namespace

int scan_gauss_operator(Parser& p, int c) {
    switch (c) {
        case '^': return T_DotCaret;
        case '!': return accept_char(p, '=') ? T_Ne : T_G_Factorial;
        case '/': return accept_char(p, '=') ? T_Ne : T_Slash;
        case '%': return T_Percent;
        case ';': return accept_char(p, ';') ? T_G_SemiSemi : T_Semicolon;
        case '*': return accept_char(p, '~') ? T_G_StarTilde : accept_char(p, '*') ? T_StarStar : T_Star;
        case '-': return T_Minus;
        case '+': return T_Plus;
        case '|': return accept_char(p, '|') ? T_OrOr : T_Bar;
        case '~': return T_Tilde;
        case '&': return T_Amp;
        case '$': return scan_dollar(p);
        case '.': return scan_gauss_dot(p);
        default: return scan_kj_operator(p, c);
    }
}

}  // namespace kj::compiler
