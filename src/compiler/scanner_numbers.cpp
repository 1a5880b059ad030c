// Number literals: hexadecimal integers (0x), hexadecimal doubles (0v, 0x.),
// decimal integers and doubles with exponent letters e, E, d, D, and the
// imaginary suffix i.
#include <cstdint>
#include <cstring>
#include <string>

#include "compiler/parser.h"
#include "compiler/scanner.h"
#include "compiler/scanner_messages.h"
#include "compiler/scanner_state.h"
#include "compiler/tokens.h"

namespace kj::compiler {

namespace {

constexpr int k_hex_int_digits = 8;
constexpr int k_hex_double_digits = 16;

bool is_exponent_letter(int c) { return c == 'e' || c == 'E' || c == 'd' || c == 'D'; }
bool is_imaginary_letter(int c) { return c == 'i' || c == 'I'; }

int hex_value(int c) {
    if (is_digit(c)) return c - '0';
    return to_lower(c) - 'a' + 10;
}

// digits: the characters after 0x. At most eight hex digits make the 32-bit
// value (0xFFFFFFFF is -1); other characters and extra digits are reported.
int hex_integer(Parser& p, const std::string& word, const std::string& digits) {
    std::uint32_t value = 0;
    int count = 0;
    bool truncated = false;
    for (char ch : digits) {
        if (!is_hex_digit(ch)) {
            scan_error(p, S_BadHex, word.c_str());
        } else if (count < k_hex_int_digits) {
            value = value * 16 + static_cast<std::uint32_t>(hex_value(ch));
            ++count;
        } else {
            truncated = true;
        }
    }
    if (truncated) scan_error(p, S_HexTruncated, word.c_str());
    text_set(p, std::to_string(static_cast<std::int32_t>(value)).c_str());
    return T_IntLit;
}

// The text of a <hex double> is its hex digits, at most sixteen; without
// any digit nothing is scanned.
int hex_double(Parser& p, const std::string& word, const std::string& digits) {
    std::string kept;
    bool truncated = false;
    for (char ch : digits) {
        if (!is_hex_digit(ch))
            scan_error(p, S_BadHex, word.c_str());
        else if (kept.size() < static_cast<std::size_t>(k_hex_double_digits))
            kept += ch;
        else
            truncated = true;
    }
    if (truncated) scan_error(p, S_HexTruncated, word.c_str());
    if (digits.empty()) {
        scan_error(p, S_BadHex, word.c_str());
        return k_rescan;
    }
    if (kept.empty()) kept.push_back('0');
    text_set(p, kept.c_str());
    return T_HexDoubleLit;
}

struct Decimal {
    std::string spelling;  // as written, for messages
    std::string text;      // token text: exponent letter as 'e', no 'i'
    bool is_double = false;
    bool has_exponent = false;
    bool imaginary = false;
    bool bad = false;
};

// After an exponent letter that ends its word: a sign and digits must follow
// in the input (1e-5 is the words 1e and 5 around the sign).
void read_signed_exponent(Parser& p, Decimal& n) {
    int sign = read_char(p);
    if (sign == '+' || sign == '-') {
        int d = read_char(p);
        if (is_digit(d)) {
            std::string w = read_word_from(p, d);
            n.spelling += static_cast<char>(sign);
            n.spelling += w;
            n.text += static_cast<char>(sign);
            std::size_t i = 0;
            while (i < w.size() && is_digit(w[i])) n.text += w[i++];
            if (i + 1 == w.size() && is_imaginary_letter(w[i]))
                n.imaginary = true;
            else if (i != w.size())
                n.bad = true;
            return;
        }
        unread_char(p, d);
    }
    unread_char(p, sign);
    n.bad = true;
}

// One word of a decimal number: digits, an exponent, an 'i'.
void parse_piece(Parser& p, const std::string& w, Decimal& n) {
    n.spelling += w;
    std::size_t i = 0;
    while (i < w.size() && is_digit(w[i])) n.text += w[i++];
    if (i < w.size() && is_exponent_letter(w[i])) {
        n.is_double = n.has_exponent = true;
        n.text += 'e';
        std::size_t first = ++i;
        while (i < w.size() && is_digit(w[i])) n.text += w[i++];
        if (i == first) {
            if (i == w.size()) {
                read_signed_exponent(p, n);
                return;
            }
            n.bad = true;
            return;
        }
    }
    if (i + 1 == w.size() && is_imaginary_letter(w[i])) {
        n.imaginary = true;
        ++i;
    }
    if (i != w.size()) n.bad = true;
}

}  // namespace

int scan_number(Parser& p, bool leading_dot) {
    ScanState& s = p.scan;
    std::string word = leading_dot ? std::string() : s.text;
    if (word.size() >= 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
        if (word.size() > 2) return hex_integer(p, word, word.substr(2));
        int c = read_char(p);
        if (c == '.') {
            int d = read_char(p);
            return hex_double(p, word + ".", read_word_from(p, d));
        }
        unread_char(p, c);
        scan_error(p, S_BadHex, word.c_str());
        return k_rescan;
    }
    if (word.size() > 2 && word[0] == '0' && (word[1] == 'v' || word[1] == 'V'))
        return hex_double(p, word, word.substr(2));

    Decimal n;
    if (!leading_dot) parse_piece(p, word, n);
    if (leading_dot || (!n.has_exponent && !n.imaginary && !n.bad)) {
        int c = leading_dot ? '.' : read_char(p);
        if (c == '.') {
            n.is_double = true;
            n.spelling += '.';
            n.text += '.';
            int d = read_char(p);
            if (is_word_char(d)) {
                parse_piece(p, read_word_from(p, d), n);
            } else {
                // A number ending in '.' keeps the dot even before an operator
                // that could start with one (1./2 is 1. / 2).
                unread_char(p, d);
                if (!s.gauss && (d == '/' || d == ':' || d == '?' || d == '^'))
                    scan_error(p, S_DotInNumber, n.spelling.c_str());
            }
        } else {
            unread_char(p, c);
        }
    }
    if (n.bad) scan_error(p, S_BadDouble, n.spelling.c_str());
    text_set(p, n.text.c_str());
    if (n.imaginary) return T_ComplexLit;
    return n.is_double ? T_DoubleLit : T_IntLit;
}

double hex_double_value(const char* digits) {
    std::uint64_t bits = 0;
    for (const char* p = digits; *p; ++p)
        if (is_hex_digit(static_cast<unsigned char>(*p)))
            bits = (bits << 4) | static_cast<std::uint64_t>(hex_value(static_cast<unsigned char>(*p)));
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace kj::compiler
