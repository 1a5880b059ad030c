// String literals with escapes and joining of adjacent literals.
#include "compiler/parser.h"
#include "compiler/scanner_messages.h"
#include "compiler/scanner_state.h"
#include "compiler/tokens.h"

namespace kj::compiler {

namespace {

int simple_escape(int c) {
    switch (c) {
        case '"': case '\'': case '\\': return c;
        case 'a': return 7;
        case 'b': return 8;
        case 'f': return 12;
        case 'n': return 10;
        case 'r': return 13;
        case 't': return 9;
        case 'v': return 11;
        default: return -1;
    }
}

// After the closing quote: whether another literal continues this one. Kj
// joins across white space and comments; GAUSS needs a backslash between.
bool continues_with_literal(Parser& p) {
    ScanState& s = p.scan;
    bool skipped;
    int c = skip_blanks(p, skipped);
    if (s.gauss) {
        if (c != '\\') {
            unread_char(p, c);
            return false;
        }
        int d = skip_blanks(p, skipped);
        if (d == '"') return true;
        unread_char(p, d);
        unread_char(p, c);
        return false;
    }
    if (c == '"') return true;
    unread_char(p, c);
    return false;
}

}  // namespace

int read_escape(Parser& p, int out[2]) {
    const bool gauss = p.scan.gauss;
    int c = read_char(p);
    if (int value = simple_escape(c); value >= 0) {
        out[0] = value;
        return 1;
    }
    if (c == 'x') {
        int value = 0;
        int count = 0;
        for (; count < 2; ++count) {
            int d = read_char(p);
            if (!is_hex_digit(d)) {
                unread_char(p, d);
                break;
            }
            value = value * 16 + (is_digit(d) ? d - '0' : to_lower(d) - 'a' + 10);
        }
        if (count == 0) {
            scan_error(p, S_BadEscape);
            return 0;
        }
        out[0] = value;
        return 1;
    }
    if (c >= '0' && c <= '7') {
        // Kj: up to three octal digits; GAUSS: up to three decimal digits.
        int base = gauss ? 10 : 8;
        int value = c - '0';
        for (int count = 1; count < 3; ++count) {
            int d = read_char(p);
            if (!is_digit(d) || d - '0' >= base) {
                unread_char(p, d);
                break;
            }
            value = value * base + (d - '0');
        }
        out[0] = value & 0xFF;
        return 1;
    }
    if (c == k_end || (c == '\n' && !gauss)) {
        // The string loop reports the missing end.
        unread_char(p, c);
        out[0] = '\\';
        return 1;
    }
    if (gauss) {
        out[0] = c == 'g' ? 7 : c == 'l' ? 10 : c;
        return 1;
    }
    out[0] = '\\';
    out[1] = c;
    return 2;
}

int scan_string(Parser& p) {
    ScanState& s = p.scan;
    auto put = [&p](int ch) { text_append(p, ch); };
    text_clear(p);
    for (;;) {
        int c = read_char(p);
        if (c == k_end) {
            scan_error(p, S_UnexpectedEof);
            break;
        }
        if (c == '\r') continue;
        if (c == '\n') {
            if (s.gauss && !s.single_line) {
                put(c);
                continue;
            }
            unread_char(p, c);
            scan_error(p, S_StringNotClosed);
            break;
        }
        if (c == '"') {
            if (s.space_token || s.single_line || !continues_with_literal(p)) break;
            continue;
        }
        if (c == '\\' && !s.raw_backslash) {
            int out[2];
            int n = read_escape(p, out);
            for (int i = 0; i < n; ++i) put(out[i]);
            continue;
        }
        put(c);
    }
    return T_StringLit;
}

}  // namespace kj::compiler
