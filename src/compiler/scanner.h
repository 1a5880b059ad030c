// The scanner: one process-wide object that turns a source into tokens with
// one token of look-ahead, expanding includes, defines and conditional blocks
// on the way (preprocessor.h). Token codes are those of tokens.h; messages go
// through scanner_messages.h.
//
// Use: open_source (or open_source_text), then next_token until T_Eof, then
// close_scan, whose result is the error count (non-zero: the unit failed).
#pragma once

#include <string>
#include <string_view>

namespace kj::compiler {

struct Parser;

enum class Dialect { Kj, Gauss };

// Opens the main source for scanning and resets the per-unit state (include
// stack, look-ahead, line 1, Kj dialect, mode flags off, error count 0,
// conditional counters 0; defines survive). "stdin" reads standard input;
// any other name gets ".kj" when it has no extension and is opened as written,
// else searched along the include path. Prints "failed to open %s" and
// returns false when nothing opens.
bool open_source(const char* name);
// As open_source, but the text is the source; name is used in messages.
bool open_source_text(const char* name, std::string_view text);
// Releases the sources, warns about an open conditional block, sets the
// look-ahead to <eof>; returns the error count.
int close_scan();
bool scan_is_open();

void set_dialect(Dialect dialect);  // also sets fold-case (on for GAUSS)
Dialect dialect();
// While on, white space before a token is itself the token <space>.
void set_space_token(bool on);
// While on, strings may not span lines and adjacent strings are not joined.
void set_single_line_strings(bool on);
// While on, a backslash in a string is an ordinary character.
void set_raw_backslash(bool on);

// The next token: the look-ahead if one is held, else a scanned one. After a
// transpose (' or .') directly followed by an identifier, "(" or this, a "*"
// comes first (a'b is a' * b).
int next_token();
// The same for a parser at hand (the parser's token stream).
int next_token(Parser& p);
// The next token without consuming it. The token text becomes that token's.
int peek_token();
// Gives tok back: the next call of next_token returns it (one token only).
void push_back_token(int tok);

// Spelling of the current word, number or string (decimal value of <int>
// from hex or character constants; hex digits of <hex double>; the digits of
// a <complex double> without the "i"; exponent letters written as "e").
// Strings may hold a zero byte: token_length gives their full length.
const char* token_text();
int token_length();

// Innermost include file, else the main source; "" when none is open.
const char* current_file();
int current_line();
// Where the last token scanned begins on its line (bytes from 0); -1 when
// not known (replacement text of a define).
int token_column();
// Line `line` of the current file's text; "" when none is open.
std::string_view current_source_line(int line);
// True while an included file (not the main source) is being read.
bool reading_include();  // 0 when no source is open
int scan_error_count();

// After a ' in operand position: reads the character (with escapes) and the
// closing ', sets the token text to its decimal code and returns T_IntLit
// (reports "ending ' missing for character literal" without the ').
int read_char_constant();
// The rest of the current line without its line end (which stays unread).
std::string read_rest_of_line();
void skip_to_line_end();
// Raw text up to (not including) the first character of stops or the end of
// input; the stop character stays unread. No token may be held back.
std::string read_raw_until(const char* stops);
// The next character after blanks and tabs, left unread (the blanks are not).
int peek_char_after_blanks();
bool space_token_on();

// Decodes the text of a <hex double>: the digits, right-aligned in 16 and
// padded with '0', are the IEEE-754 bit pattern, most significant byte first.
double hex_double_value(const char* digits);

}  // namespace kj::compiler
