// The scanner's state, part of a Parser (parser.h), and the helpers shared
// by the scanner's and the preprocessor's implementation files. Not for
// other subsystems: they use scanner.h and preprocessor.h.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

#include "compiler/keywords.h"
#include "compiler/preprocessor.h"
#include "compiler/scanner.h"
#include "compiler/session.h"

namespace kj::compiler {

constexpr int k_max_word = 2047;       // word characters kept
constexpr int k_max_identifier = 60;   // identifiers are cut to this length
constexpr int k_max_includes = 10;
constexpr int k_max_pending = 8;       // characters given back per source
constexpr int k_end = -1;              // end of input

enum class Encoding { Plain, Utf8, Utf16Le, Utf16Be, Utf32Le, Utf32Be };

// A source read whole at open: the main source or an include file. Characters
// given back are read again before the rest of the text, last given first.
struct SourceText {
    std::string name;
    std::string data;
    std::size_t pos = 0;
    int saved_line = 0;  // include records: the includer's line
    int pending[k_max_pending] = {};
    int pending_count = 0;
    Encoding encoding = Encoding::Plain;
    // A position already placed on its line, and where that line starts:
    // the columns of tokens are found from there (token_column).
    std::size_t column_from = 0;
    std::size_t line_start = 0;
};

// Operator recognition of a dialect: c is the first character (not a word
// character); returns the token code, or 0 when c starts no operator.
struct Parser;
using OperatorScanner = int (*)(Parser& p, int c);

struct ScanState {
    const KeywordTable* keywords = nullptr;
    OperatorScanner scan_operator = nullptr;
    bool gauss = false;
    bool fold_case = false;
    int errors = 0;
    std::string text;  // the token's text; a string literal's has no length limit
    int line = 0;
    int token_column = -1;  // of the last token scanned, in bytes from its line's start (-1: not known)
    int lookahead = 0;  // parser's look-ahead (T_NoToken when empty)
    int held = 0;       // operand held back behind an inserted "*"
    int previous = 0;
    bool raw_backslash = false;
    bool space_token = false;
    bool single_line = false;
    bool open = false;
    SourceText main;
    // Replacement text being re-read (one level deep), in macro_buffer.
    std::string macro_buffer;
    const char* macro_pos = nullptr;
    const char* macro_end = nullptr;
    int include_depth = -1;  // -1: main source
    SourceText includes[k_max_includes];
    // A module header found by #import, opened once the import token is out.
    bool header_pending = false;
    std::string header_path;
    std::string header_data;
    int cond_depth = 0;
    int skip_level = 0;  // 0: live; else depth of the outermost false block
};


// Characters (source_reader.cpp). read_char gives 0..255 or k_end and counts
// lines; unread_char gives one back (a newline uncounts its line).
int read_char(Parser& p);
void unread_char(Parser& p, int c);
SourceText& current_source(Parser& p);
// Reads expected if it comes next; otherwise gives the character back.
bool accept_char(Parser& p, int expected);
// Word characters from c (already read) on, at most k_max_word kept, unfolded;
// the character after them stays unread.
std::string read_word_from(Parser& p, int c);
// Starts re-reading text; characters already given back follow it.
void start_macro(Parser& p, const std::string& text);
bool in_macro(Parser& p);
// Loads a whole file (binary) and closes it; false on a read error.
bool load_file(std::FILE* file, std::string& data);
// Pushes an include record for the loaded text after the encoding check;
// reports "include files nested too deeply" when ten are open.
bool push_include(Parser& p, const std::string& path, std::string data);
// Closes the innermost include; false when reading the main source.
bool pop_include(Parser& p);
void close_all_sources(Parser& p);
// Classifies the first bytes; Utf8 means a byte-order mark of length 3.
Encoding detect_encoding(std::string_view data);
// Checks the encoding of a loaded source and skips a UTF-8 mark; stops the
// process on UTF-16 and UTF-32 ("Can only read ASCII and UTF8 files").
Encoding check_encoding(const std::string& name, std::string& data, std::size_t& start);
// The same for a source read from a file, which must moreover be UTF-8 text
// (plain ASCII included) without NUL bytes: another 8-bit encoding or a
// binary file stops with the same message.
Encoding check_file_encoding(const std::string& name, std::string& data, std::size_t& start);
// Well-formed UTF-8 without NUL bytes.
bool is_utf8_text(std::string_view data);

// Token text.
void text_clear(Parser& p);
void text_append(Parser& p, int c);
void text_set(Parser& p, const char* s);

// Character classes for codes 0..255 (plain ASCII).
inline bool is_word_char(int c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}
inline bool is_digit(int c) { return c >= '0' && c <= '9'; }
inline bool is_letter(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline bool is_hex_digit(int c) {
    return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
inline bool is_space(int c) { return c == ' ' || (c >= '\t' && c <= '\r') || c == 26; }
inline int to_lower(int c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }

// Skips white space and comments (GAUSS: also @...@). Returns the first other
// character, already read; skipped tells whether anything was skipped.
int skip_blanks(Parser& p, bool& skipped);

// One token without directives, includes or conditional blocks: <eof> at the
// end of the innermost source.
int scan_raw(Parser& p);
// scan_raw with directives, conditional blocks and the ends of include files.
int scan_token(Parser& p);
constexpr int k_rescan = -2;   // scan_word, scan_number: nothing yet, scan again

// Token pieces (scanner_*.cpp).
// The word in the token text starts with a digit (leading_dot: the '.' before
// a digit was just read and the text is empty); reads fraction and exponent.
int scan_number(Parser& p, bool leading_dot);
int scan_string(Parser& p);             // after the opening quote
// After a backslash: the characters the escape stands for (0 to 2) in out.
int read_escape(Parser& p, int out[2]);
int scan_kj_operator(Parser& p, int c);
int scan_gauss_operator(Parser& p, int c);

// Preprocessor (preprocessor.cpp): carries out the directive after '#';
// returns a token for the parser (pragma, import) or 0.
int run_directive(Parser& p);
bool skipping(Parser& p);
// At the end of the main source: warns about a block still open.
void end_of_main_source(Parser& p);

}  // namespace kj::compiler
