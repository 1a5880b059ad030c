/* External tokens of the Kj grammar: block comments, which nest, and the
 * multiplication implied when a transpose is directly followed by a name, "("
 * or this (x'y is x' * y). */
#include "tree_sitter/parser.h"

#include <wctype.h>

enum TokenType { BLOCK_COMMENT, IMPLICIT_TIMES };

void *tree_sitter_kj_external_scanner_create(void) { return NULL; }
void tree_sitter_kj_external_scanner_destroy(void *payload) { (void)payload; }
unsigned tree_sitter_kj_external_scanner_serialize(void *payload, char *buffer) {
    (void)payload;
    (void)buffer;
    return 0;
}
void tree_sitter_kj_external_scanner_deserialize(void *payload, const char *buffer, unsigned length) {
    (void)payload;
    (void)buffer;
    (void)length;
}

static void advance(TSLexer *lexer) { lexer->advance(lexer, false); }

/* After the opening slash and star: up to the matching close, counting the
 * opening pairs inside. False at the end of input. */
static bool block_comment_rest(TSLexer *lexer) {
    unsigned depth = 1;
    while (depth > 0) {
        if (lexer->eof(lexer)) return false;
        if (lexer->lookahead == '*') {
            advance(lexer);
            if (lexer->lookahead == '/') {
                advance(lexer);
                --depth;
            }
        } else if (lexer->lookahead == '/') {
            advance(lexer);
            if (lexer->lookahead == '*') {
                advance(lexer);
                ++depth;
            }
        } else {
            advance(lexer);
        }
    }
    return true;
}

bool tree_sitter_kj_external_scanner_scan(void *payload, TSLexer *lexer, const bool *valid_symbols) {
    (void)payload;
    while (iswspace(lexer->lookahead)) lexer->advance(lexer, true);
    if (valid_symbols[IMPLICIT_TIMES]) {
        const int32_t c = lexer->lookahead;
        if (iswalpha(c) || c == '_' || c == '(') {
            lexer->mark_end(lexer);
            lexer->result_symbol = IMPLICIT_TIMES;
            return true;
        }
    }
    if (valid_symbols[BLOCK_COMMENT] && lexer->lookahead == '/') {
        advance(lexer);
        if (lexer->lookahead != '*') return false;
        advance(lexer);
        if (!block_comment_rest(lexer)) return false;
        lexer->mark_end(lexer);
        lexer->result_symbol = BLOCK_COMMENT;
        return true;
    }
    return false;
}
