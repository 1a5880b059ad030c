// The parser's view of the scanner: the current token with its text and
// line, kept apart from the scanner's own look-ahead so that the parser can
// peek one token further.
#include "compiler/parser.h"
#include "compiler/scanner.h"
#include "compiler/token_names.h"

namespace kj::compiler {

namespace {
Token g_cur;
int g_last_line = 0;
int g_consumed = 0;
int g_space_nesting = 0;  // open ( and [ while blanks are tokens
}  // namespace

const Token& cur() { return g_cur; }
int tok() { return g_cur.tok; }

void advance() {
    ++g_consumed;
    g_last_line = g_cur.line;
    g_cur.tok = next_token();
    if (space_token_on()) {
        // Blanks separate items only outside parentheses and brackets.
        while (g_cur.tok == T_Space && g_space_nesting > 0) g_cur.tok = next_token();
        if (g_cur.tok == T_LParen || g_cur.tok == T_LBracket) ++g_space_nesting;
        if ((g_cur.tok == T_RParen || g_cur.tok == T_RBracket) && g_space_nesting > 0) --g_space_nesting;
    } else {
        g_space_nesting = 0;
    }
    g_cur.text.assign(token_text(), static_cast<std::size_t>(token_length()));
    g_cur.line = current_line();
    g_cur.column = token_column();
}

bool accept(int t) {
    if (g_cur.tok != t) return false;
    advance();
    return true;
}

bool expect(int t) {
    if (accept(t)) return true;
    report(D_Expected, token_name(t), g_cur.tok);
    return false;
}

int peek() { return peek_token(); }
int last_line() { return g_last_line; }
int tokens_consumed() { return g_consumed; }

}  // namespace kj::compiler
