// The scanner of the small expression languages of the data layer: parameter
// restrictions and data-set transformations. It turns text into a stream of
// 16-bit token codes that the validators check and the evaluators read.
//
// Stream layout: the start code, a line marker, the tokens, the end code.
// Operators are their own character code. A number, identifier or string
// token is its code followed by its text (16-bit characters) and a zero. A
// line marker is k_tok_line followed by the line number as decimal digit
// characters (at least three, "%03d"); readers skip markers wherever they
// expect a token.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kj::data {

using TokenStream = std::vector<char16_t>;

enum TokenCode : char16_t {
    k_tok_start = 1,
    k_tok_end = 2,
    k_tok_param = u'&',   // a lone "&": parameter reference
    k_tok_number = 67,
    k_tok_ident = 73,
    k_tok_string = 83,
    k_tok_line = 127,
    // Two-character operators.
    k_tok_and = 128,       // &&
    k_tok_or = 129,        // ||
    k_tok_not_equal = 130, // !=
    k_tok_less_equal = 131,
    k_tok_equal = 132,     // ==
    k_tok_greater_equal = 133,
    // Words of the transformation language that are tokens of their own.
    k_tok_false = 140,
    k_tok_true = 141,
    k_tok_frequency = 142,
    k_tok_missing = 143,
    k_tok_pi = 144,
    k_tok_nobs = 145,
};

// Longest word, number or string the scanner accepts (in characters).
constexpr std::size_t k_max_token_length = 256;

// Scans text into out (replacing its contents). On failure out is left
// empty and error holds "Scan error: ..." with the kind, the offending text
// when there is one, and the line.
bool scan_expression_text(std::u16string_view text, TokenStream& out, std::string& error);

// Appends a line marker for line to s.
void append_line_marker(TokenStream& s, int line);

// A cursor over a token stream that steps over line markers and keeps the
// line of the last token read.
class TokenCursor {
public:
    explicit TokenCursor(const char16_t* p, int line = 1) : m_p(p), m_line(line) {}
    // The code of the next token (after any line markers), without taking it.
    char16_t peek();
    // Takes the next token; for a number, identifier or string its text.
    char16_t next();
    std::u16string_view text() const { return m_text; }
    int line() const { return m_line; }
    const char16_t* position() const { return m_p; }

private:
    void skip_markers();
    const char16_t* m_p;
    int m_line;
    std::u16string_view m_text;
};

// Whether a token code carries text after it.
inline bool has_text(char16_t code) {
    return code == k_tok_number || code == k_tok_ident || code == k_tok_string;
}

// The value of a number token's text ("D" and "d" exponents included).
double number_token_value(std::u16string_view text);

// Conversions between the UTF-8 of program strings and the 16-bit text the
// scanner reads. A byte that does not start well-formed UTF-8 stands for the
// Latin-1 character of its value; characters beyond 16 bits become U+FFFD.
std::u16string utf16_from_utf8(std::string_view s);
std::string utf8_from_utf16(std::u16string_view s);

}  // namespace kj::data
