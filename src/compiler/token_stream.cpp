// The parser's view of the scanner: the current token with its text and
// line, kept apart from the scanner's own look-ahead so that the parser can
// peek one token further.
#include "compiler/parser.h"
#include "compiler/scanner.h"
#include "compiler/token_names.h"

namespace kj::compiler {

const Token& cur(Parser& p) { return p.tokens.cur; }
int tok(Parser& p) { return p.tokens.cur.tok; }

void advance(Parser& p) {
    TokenStream& s = p.tokens;
    Token& cur = s.cur;
    ++s.consumed;
    s.last_line = cur.line;
    const ScanState& scan = p.scan;
    cur.tok = next_token(p);
    if (scan.space_token) {
        // Blanks separate items only outside parentheses and brackets.
        while (cur.tok == T_Space && s.space_nesting > 0) cur.tok = next_token(p);
        if (cur.tok == T_LParen || cur.tok == T_LBracket) ++s.space_nesting;
        if ((cur.tok == T_RParen || cur.tok == T_RBracket) && s.space_nesting > 0) --s.space_nesting;
    } else {
        s.space_nesting = 0;
    }
    cur.text = scan.text;
    cur.line = scan.open ? scan.line : 0;
    cur.column = scan.open ? scan.token_column : -1;
}

bool accept(Parser& p, int t) {
    if (tok(p) != t) return false;
    advance(p);
    return true;
}

bool expect(Parser& p, int t) {
    if (accept(p, t)) return true;
    report(p, D_Expected, token_name(t), tok(p));
    return false;
}

int peek() { return peek_token(); }
int last_line(Parser& p) { return p.tokens.last_line; }
int tokens_consumed(Parser& p) { return p.tokens.consumed; }

}  // namespace kj::compiler
