// The token loop: skipping, words and identifiers, the transpose rule, and
// the opening and closing of a unit.
#include "compiler/scanner.h"

#include <kj80x.h>

#include <cstdio>
#include <cstring>

#include "runtime/messages.h"
#include "runtime/settings.h"
#include "runtime/include_path.h"
#include "runtime/located_message.h"
#include "compiler/parser.h"
#include "compiler/scanner_messages.h"
#include "compiler/scanner_state.h"
#include "compiler/tokens.h"

namespace kj::compiler {

namespace {

int verbose() { return runtime::settings().verbose; }

// Resets everything a unit owns; the define table, the base path and the
// import hook stay.
void reset_unit(Parser& p, const char* name) {
    ScanState& s = p.scan;
    close_all_sources(p);
    s.keywords = &kj_keywords();
    s.scan_operator = scan_kj_operator;
    s.gauss = s.fold_case = false;
    s.errors = 0;
    text_clear(p);
    s.line = 1;
    s.lookahead = T_NoToken;
    s.held = 0;
    s.previous = 0;
    s.raw_backslash = s.space_token = s.single_line = false;
    s.cond_depth = s.skip_level = 0;
    s.header_pending = false;
    s.main.name = name;
    s.open = true;
    if (verbose() > 2) runtime::message((std::string("Opening for scan: ") + name).c_str());
}

// Installs the loaded main source after the encoding check (a file's is the
// stricter one).
void install_main(Parser& p, const std::string& path, std::string data, bool from_file) {
    ScanState& s = p.scan;
    std::size_t start = 0;
    s.main.encoding = from_file ? check_file_encoding(path, data, start) : check_encoding(path, data, start);
    s.main.name = path;
    s.main.data = std::move(data);
    s.main.pos = start;
    s.main.column_from = s.main.line_start = 0;
    if (verbose() != 0) runtime::message(("Opening source file: " + path).c_str());
}

bool fail_open(Parser& p, const std::string& name) {
    runtime::message(("failed to open " + name).c_str());
    p.scan.open = false;
    p.scan.main = SourceText{};
    return false;
}

// "comment not closed", reported at the line where the comment started.
void comment_not_closed(Parser& p, int start_line) {
    ScanState& s = p.scan;
    int line = s.line;
    s.line = start_line;
    scan_error(p, S_CommentNotClosed);
    s.line = line;
}

// Block comment after "/*", nested; the line of its start goes with the
// message when the input ends inside it.
void skip_block_comment(Parser& p) {
    int start_line = p.scan.line;
    int depth = 1;
    int prev = 0;
    while (depth > 0) {
        int c = read_char(p);
        if (c == k_end) {
            comment_not_closed(p, start_line);
            return;
        }
        if (c == '\r') continue;
        if (prev == '/' && c == '*') {
            ++depth;
            c = 0;
        } else if (prev == '*' && c == '/') {
            --depth;
            c = 0;
        }
        prev = c;
    }
}

// GAUSS comment between two at signs, not nested.
void skip_at_comment(Parser& p) {
    int start_line = p.scan.line;
    for (;;) {
        int c = read_char(p);
        if (c == '@') return;
        if (c == k_end) {
            comment_not_closed(p, start_line);
            return;
        }
    }
}

// A word: letters, digits and '_' (first character c). Keywords, then
// identifiers (cut to 60 characters; GAUSS defines with text are re-read),
// then numbers.
int scan_word(Parser& p, int c) {
    ScanState& s = p.scan;
    bool may_replace = !in_macro(p);
    int n = 0;
    bool too_long = false;
    bool non_ascii = false;
    s.text.clear();
    // Bytes of UTF-8 letters join the word, so that one misspelt name gives
    // one error rather than one per byte and a cascade in the parser.
    while (is_word_char(c) || c >= 128) {
        non_ascii = non_ascii || c >= 128;
        if (n < k_max_word) {
            s.text += static_cast<char>(s.fold_case ? to_lower(c) : c);
            ++n;
        } else {
            too_long = true;
        }
        c = read_char(p);
    }
    unread_char(p, c);
    if (non_ascii) scan_error(p, S_InvalidCharacter, s.text.substr(0, k_max_identifier).c_str());
    if (too_long || n >= k_max_word) {
        char shown[k_max_identifier + 4];
        std::snprintf(shown, sizeof shown, "%.60s...", s.text.c_str());
        scan_error(p, S_SymbolTooLong, shown);
    }
    if (int code = find_keyword(*s.keywords, s.text.c_str())) return code;
    if (is_digit(s.text[0])) return scan_number(p, false);
    if (n > k_max_identifier) s.text.resize(k_max_identifier);
    if (may_replace && p.session.defines.values_in_use) {
        int index = lookup_define(s.text.c_str());
        if (const char* text = index >= 0 ? define_text(index) : nullptr) {
            start_macro(p, text);
            return k_rescan;
        }
    }
    return T_Identifier;
}

// The transpose rule sits between the token loop and the parser's look-ahead.
int scan_next(Parser& p) {
    ScanState& s = p.scan;
    int tok;
    if (s.held) {
        tok = s.held;
        s.held = 0;
    } else {
        tok = scan_token(p);
        if ((s.previous == T_Transpose || s.previous == T_DotTranspose) &&
            (tok == T_Identifier || tok == T_LParen || tok == T_This)) {
            s.held = tok;
            tok = T_Star;
        }
    }
    s.previous = tok;
    return tok;
}

}  // namespace


void text_clear(Parser& p) { p.scan.text.clear(); }

void text_append(Parser& p, int c) { p.scan.text += static_cast<char>(c); }

void text_set(Parser& p, const char* t) {
    text_clear(p);
    for (; *t; ++t) text_append(p, static_cast<unsigned char>(*t));
}

int skip_blanks(Parser& p, bool& skipped) {
    ScanState& s = p.scan;
    skipped = false;
    for (;;) {
        int c = read_char(p);
        if (c == k_end) return c;
        if (is_space(c)) {
            skipped = true;
            continue;
        }
        if (c == '/') {
            int d = read_char(p);
            if (d == '/') {
                while ((c = read_char(p)) != '\n' && c != k_end) {}
                skipped = true;
                continue;
            }
            if (d == '*') {
                skip_block_comment(p);
                skipped = true;
                continue;
            }
            unread_char(p, d);
            return c;
        }
        if (c == '@' && s.gauss) {
            skip_at_comment(p);
            skipped = true;
            continue;
        }
        return c;
    }
}

namespace {
// Where the character just read starts on its line: the characters given
// back were the last ones read from the source, in order. The line's start
// is found from the position placed before, so that a long line is not
// searched again for each of its tokens.
int column_of_last_char(Parser& p) {
    if (in_macro(p)) return -1;
    SourceText& src = current_source(p);
    const std::size_t back = static_cast<std::size_t>(src.pending_count) + 1;
    if (src.pos < back) return -1;
    const std::size_t at = src.pos - back;
    const std::string_view data(src.data);
    if (at >= src.column_from) {
        const std::size_t newline = data.substr(src.column_from, at - src.column_from).rfind('\n');
        if (newline != std::string_view::npos) src.line_start = src.column_from + newline + 1;
    } else if (data.substr(at, src.column_from - at).find('\n') != std::string_view::npos) {
        const std::size_t newline = at == 0 ? std::string_view::npos : data.rfind('\n', at - 1);
        src.line_start = newline == std::string_view::npos ? 0 : newline + 1;
    }
    src.column_from = at;
    return static_cast<int>(at - src.line_start);
}
}  // namespace

int scan_raw(Parser& p) {
    ScanState& s = p.scan;
    for (;;) {
        bool skipped;
        int c = skip_blanks(p, skipped);
        s.token_column = column_of_last_char(p);
        text_clear(p);
        if (skipped && s.space_token) {
            unread_char(p, c);
            return T_Space;
        }
        if (c == k_end) return T_Eof;
        if (c == 0 || c == 127) {
            scan_error(p, S_InvalidCharacter);
            c = '?';
        }
        if (is_word_char(c) || c >= 128) {
            int tok = scan_word(p, c);
            if (tok == k_rescan) continue;
            return tok;
        }
        if (c == '"') return scan_string(p);
        if (c == '.') {
            int d = read_char(p);
            unread_char(p, d);
            if (is_digit(d)) {
                int tok = scan_number(p, true);
                if (tok == k_rescan) continue;
                return tok;
            }
        }
        if (int tok = s.scan_operator(p, c)) return tok;
        char shown[2] = {static_cast<char>(c), '\0'};
        scan_error(p, S_Unrecognized, shown);
    }
}

int scan_token(Parser& p) {
    ScanState& s = p.scan;
    if (s.header_pending) {
        s.header_pending = false;
        push_include(p, s.header_path, std::move(s.header_data));
    }
    for (;;) {
        int tok = scan_raw(p);
        if (tok == T_Hash) {
            if (int handed_on = run_directive(p)) return handed_on;
            continue;
        }
        if (tok == T_Eof) {
            if (pop_include(p)) continue;
            end_of_main_source(p);
            return T_Eof;
        }
        if (skipping(p)) continue;
        return tok;
    }
}

bool open_source(const char* name) {
    Parser& p = parser();
    reset_unit(p, name);
    std::string data;
    if (std::strcmp(name, "stdin") == 0) {
        load_file(stdin, data);
        install_main(p, name, std::move(data), true);
        return true;
    }
    std::string path = name;
    if (!runtime::has_extension(name)) path += ".kj";
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        std::string tried;
        file = runtime::find_file(path.c_str(), false, tried);
        if (file) path = tried;
    }
    if (!file || !load_file(file, data)) return fail_open(p, path);
    install_main(p, path, std::move(data), true);
    return true;
}

bool open_source_text(const char* name, std::string_view text) {
    Parser& p = parser();
    reset_unit(p, name);
    install_main(p, name, std::string(text), false);
    return true;
}

int close_scan() {
    Parser& p = parser();
    ScanState& s = p.scan;
    if (s.open) {
        if (s.cond_depth > 0) scan_error(p, S_IfNotClosed);
        if (verbose() > 2) {
            runtime::message(("Closing source file: " + s.main.name).c_str());
            runtime::message(("Closing for scan " + s.main.name).c_str());
        }
    }
    close_all_sources(p);
    s.open = false;
    s.cond_depth = s.skip_level = 0;
    text_clear(p);
    s.lookahead = T_Eof;
    s.held = 0;
    s.header_pending = false;
    return s.errors;
}

bool scan_is_open() { return parser().scan.open; }

void set_dialect(Dialect d) {
    Parser& p = parser();
    ScanState& s = p.scan;
    bool gauss = d == Dialect::Gauss;
    s.keywords = gauss ? &gauss_keywords() : &kj_keywords();
    s.scan_operator = gauss ? scan_gauss_operator : scan_kj_operator;
    s.gauss = s.fold_case = gauss;
}

Dialect dialect() { return parser().scan.gauss ? Dialect::Gauss : Dialect::Kj; }
void set_space_token(bool on) { parser().scan.space_token = on; }
void set_single_line_strings(bool on) { parser().scan.single_line = on; }
void set_raw_backslash(bool on) { parser().scan.raw_backslash = on; }

int next_token() { return next_token(parser()); }

int next_token(Parser& p) {
    ScanState& s = p.scan;
    if (s.lookahead != T_NoToken) {
        int tok = s.lookahead;
        s.lookahead = T_NoToken;
        return tok;
    }
    if (!s.open) return T_Eof;
    return scan_next(p);
}

int peek_token() {
    Parser& p = parser();
    ScanState& s = p.scan;
    if (s.lookahead == T_NoToken) s.lookahead = s.open ? scan_next(p) : T_Eof;
    return s.lookahead;
}

void push_back_token(int tok) { parser().scan.lookahead = tok; }
const char* token_text() { return parser().scan.text.c_str(); }
int token_length() { return static_cast<int>(parser().scan.text.size()); }

bool reading_include() {
    const ScanState& s = parser().scan;
    return s.open && s.include_depth >= 0;
}

const char* current_file() {
    Parser& p = parser();
    const ScanState& s = p.scan;
    if (!s.open) return "";
    return s.include_depth >= 0 ? s.includes[s.include_depth].name.c_str() : s.main.name.c_str();
}

int current_line() {
    const ScanState& s = parser().scan;
    return s.open ? s.line : 0;
}
int token_column() {
    const ScanState& s = parser().scan;
    return s.open ? s.token_column : -1;
}
std::string_view current_source_line(int line) {
    Parser& p = parser();
    return p.scan.open ? runtime::line_of_text(current_source(p).data, line) : std::string_view{};
}
int scan_error_count() { return parser().scan.errors; }

int read_char_constant() {
    Parser& p = parser();
    ScanState& s = p.scan;
    int c = read_char(p);
    int value = 0;
    if (c == k_end || c == '\n') {
        unread_char(p, c);
        scan_error(p, S_CharNotClosed);
    } else {
        value = c;
        if (c == '\\') {
            int out[2];
            int n = read_escape(p, out);
            value = n > 0 ? out[n - 1] : 0;
        }
        int d = read_char(p);
        if (d != '\'') {
            unread_char(p, d);
            scan_error(p, S_CharNotClosed);
        }
    }
    text_set(p, std::to_string(value).c_str());
    s.previous = T_IntLit;
    return T_IntLit;
}

std::string read_rest_of_line() {
    Parser& p = parser();
    std::string line;
    int c;
    while ((c = read_char(p)) != '\n' && c != k_end)
        if (c != '\r') line += static_cast<char>(c);
    unread_char(p, c);
    return line;
}

std::string read_raw_until(const char* stops) {
    Parser& p = parser();
    std::string text;
    int c;
    while ((c = read_char(p)) != k_end && !std::strchr(stops, c))
        if (c != '\r') text += static_cast<char>(c);
    unread_char(p, c);
    return text;
}

int peek_char_after_blanks() {
    Parser& p = parser();
    int c;
    while ((c = read_char(p)) == ' ' || c == '\t') {}
    unread_char(p, c);
    return c;
}

bool space_token_on() { return parser().scan.space_token; }

void skip_to_line_end() {
    Parser& p = parser();
    int c;
    while ((c = read_char(p)) != '\n' && c != k_end) {}
    unread_char(p, c);
}

}  // namespace kj::compiler
