#include "data/expression_scanner.h"

#include "data/printable_text.h"

#include <cstdio>
#include <cstdlib>

namespace kj::data {

namespace {

bool is_letter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_' ||
           (c >= 192 && c <= 255 && c != 215 && c != 247);
}
bool is_digit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool is_word_char(char16_t c) { return is_letter(c) || is_digit(c); }
bool is_operator_char(char16_t c) {
    return c < 128 && std::u16string_view(u",{}()=!<>&|;?:\"[]^*/+-").find(c) != std::u16string_view::npos;
}

struct Keyword {
    std::u16string_view word;
    TokenCode code;
};
constexpr Keyword k_keywords[] = {
    {u"FALSE", k_tok_false},     {u"TRUE", k_tok_true}, {u"FREQUENCY", k_tok_frequency},
    {u"MISSING", k_tok_missing}, {u"PI", k_tok_pi},     {u"NOBS", k_tok_nobs},
};

// The length of a number at the start of s (digits, an optional point and
// digits, an optional exponent), or 0 when s does not start with one.
std::size_t number_length(std::u16string_view s) {
    std::size_t i = 0, digits = 0;
    while (i < s.size() && is_digit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == u'.') {
        ++i;
        while (i < s.size() && is_digit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (i < s.size() && (s[i] == u'e' || s[i] == u'E' || s[i] == u'd' || s[i] == u'D')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == u'+' || s[j] == u'-')) ++j;
        const std::size_t first = j;
        while (j < s.size() && is_digit(s[j])) ++j;
        if (j == first) return 0;  // an exponent letter without digits
        i = j;
    }
    return i;
}

class Scanner {
public:
    Scanner(std::u16string_view text, TokenStream& out) : m_s(text), m_out(out) {}

    bool run(std::string& error) {
        m_out.clear();
        m_out.reserve(8192);
        m_out.push_back(k_tok_start);
        line_marker();
        while (m_i < m_s.size()) {
            if (!step()) {
                error = "Scan error: " + m_kind;
                if (!m_offending.empty()) error += " " + printable_text(utf8_from_utf16(m_offending));
                error += " on line " + std::to_string(m_line);
                m_out.clear();
                return false;
            }
        }
        m_out.push_back(k_tok_end);
        return true;
    }

private:
    bool fail(const char* kind, std::u16string_view offending = {}) {
        m_kind = kind;
        m_offending = offending.substr(0, 40);
        return false;
    }

    void line_marker() { append_line_marker(m_out, m_line); }

    void text_token(char16_t code, std::u16string_view text) {
        m_out.push_back(code);
        m_out.insert(m_out.end(), text.begin(), text.end());
        m_out.push_back(0);
    }

    bool step() {
        const char16_t c = m_s[m_i];
        if (c == u' ' || c == u'\t' || c == u'\r') {
            ++m_i;
            return true;
        }
        if (c == u'\n') {
            ++m_i;
            ++m_line;
            line_marker();
            return true;
        }
        const std::u16string_view rest = m_s.substr(m_i);
        if (rest.starts_with(u"/*")) return block_comment();
        if (rest.starts_with(u"//")) {
            const std::size_t end = m_s.find(u'\n', m_i);
            m_i = end == std::u16string_view::npos ? m_s.size() : end;
            return true;
        }
        if (is_word_char(c) || (c == u'.' && rest.size() > 1 && is_digit(rest[1]))) return word();
        if (c == u'"') return string();
        if (!is_operator_char(c)) return fail("Unrecognized", rest.substr(0, 1));
        return operator_token(c, rest.size() > 1 ? rest[1] : 0);
    }

    bool block_comment() {
        const std::size_t end = m_s.find(u"*/", m_i + 2);
        if (end == std::u16string_view::npos) return fail("Unexpected end of code");
        const int first_line = m_line;
        for (std::size_t k = m_i; k < end; ++k)
            if (m_s[k] == u'\n') ++m_line;
        m_i = end + 2;
        // A marker for the line the comment ends on keeps later lines right.
        if (m_line != first_line) line_marker();
        return true;
    }

    bool word() {
        const bool numeric = !is_letter(m_s[m_i]);
        const std::size_t n = numeric ? number_length(m_s.substr(m_i)) : 0;
        std::size_t end = m_i + n;
        while (end < m_s.size() && (is_word_char(m_s[end]) || (numeric && m_s[end] == u'.'))) ++end;
        const std::u16string_view w = m_s.substr(m_i, end - m_i);
        m_i = end;
        if (w.size() > k_max_token_length) return fail("Token too long", w);
        if (!numeric) {
            for (const Keyword& k : k_keywords)
                if (w == k.word) {
                    m_out.push_back(k.code);
                    return true;
                }
            text_token(k_tok_ident, w);
            return true;
        }
        if (n != w.size()) return fail("Unrecognized", w);
        text_token(k_tok_number, w);
        return true;
    }

    bool string() {
        std::size_t end = m_i + 1;
        while (end < m_s.size() && m_s[end] != u'"' && m_s[end] != u'\n') {
            if (m_s[end] == 0) return fail("Unrecognized", m_s.substr(end, 1));
            ++end;
        }
        if (end >= m_s.size() || m_s[end] != u'"') return fail("End of string missing");
        const std::u16string_view body = m_s.substr(m_i + 1, end - m_i - 1);
        if (body.size() > k_max_token_length) return fail("Token too long");
        text_token(k_tok_string, body);
        m_i = end + 1;
        return true;
    }

    bool operator_token(char16_t c, char16_t next) {
        char16_t code = c;
        if (c == u'&' && next == u'&')
            code = k_tok_and;
        else if (c == u'|' && next == u'|')
            code = k_tok_or;
        else if (c == u'|')
            return fail("Missing", u"|");
        else if (next == u'=' && (c == u'!' || c == u'<' || c == u'=' || c == u'>'))
            code = c == u'!' ? k_tok_not_equal : c == u'<' ? k_tok_less_equal : c == u'=' ? k_tok_equal : k_tok_greater_equal;
        m_i += code == c ? 1 : 2;
        m_out.push_back(code);
        return true;
    }

    std::u16string_view m_s;
    TokenStream& m_out;
    std::size_t m_i = 0;
    int m_line = 1;
    std::string m_kind;
    std::u16string_view m_offending;
};

}  // namespace

void append_line_marker(TokenStream& s, int line) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%03d", line);
    s.push_back(k_tok_line);
    for (const char* p = digits; *p; ++p) s.push_back(static_cast<char16_t>(*p));
}

bool scan_expression_text(std::u16string_view text, TokenStream& out, std::string& error) {
    return Scanner(text, out).run(error);
}

void TokenCursor::skip_markers() {
    while (*m_p == k_tok_line) {
        ++m_p;
        int line = 0;
        while (*m_p >= u'0' && *m_p <= u'9') {
            if (line < 100000000) line = line * 10 + (*m_p - u'0');
            ++m_p;
        }
        m_line = line;
    }
}

char16_t TokenCursor::peek() {
    skip_markers();
    return *m_p;
}

char16_t TokenCursor::next() {
    skip_markers();
    const char16_t code = *m_p;
    if (code == k_tok_end) return code;  // the end stays put
    ++m_p;
    if (has_text(code)) {
        const char16_t* start = m_p;
        while (*m_p) ++m_p;
        m_text = std::u16string_view(start, static_cast<std::size_t>(m_p - start));
        ++m_p;
    } else {
        m_text = {};
    }
    return code;
}

double number_token_value(std::u16string_view text) {
    // Up to 15 digits with an optional point and no exponent: the digits
    // and the power of ten are exact doubles, so one division gives the
    // correctly rounded value, as the full conversion below would.
    constexpr double k_tens[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    std::int64_t digits = 0;
    int count = 0, decimals = -1;
    bool plain = text.size() <= 16;
    for (std::size_t i = 0; plain && i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= u'0' && c <= u'9') {
            digits = digits * 10 + (c - u'0');
            ++count;
            if (decimals >= 0) ++decimals;
        } else if (c == u'.' && decimals < 0) {
            decimals = 0;
        } else {
            plain = false;
        }
    }
    if (plain && count > 0 && count <= 15)
        return static_cast<double>(digits) / k_tens[decimals > 0 ? decimals : 0];

    char buf[k_max_token_length + 1];
    std::size_t n = 0;
    for (char16_t c : text) {
        if (n == k_max_token_length) break;
        buf[n++] = c == u'd' || c == u'D' ? 'e' : static_cast<char>(c);
    }
    buf[n] = 0;
    return std::strtod(buf, nullptr);
}

std::u16string utf16_from_utf8(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        int extra = b >= 0xF0 && b < 0xF8 ? 3 : b >= 0xE0 ? 2 : b >= 0xC2 && b < 0xE0 ? 1 : 0;
        if (b >= 0xF8) extra = 0;
        char32_t cp = extra == 3 ? b & 0x07u : extra == 2 ? b & 0x0Fu : b & 0x1Fu;
        bool ok = extra > 0 && i + static_cast<std::size_t>(extra) < s.size();
        for (int k = 1; ok && k <= extra; ++k) {
            const auto t = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
            if ((t & 0xC0) != 0x80) ok = false;
            cp = (cp << 6) | (t & 0x3Fu);
        }
        if (!ok || (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000)) {
            out.push_back(b);  // plain ASCII, or a byte read as Latin-1
            ++i;
            continue;
        }
        out.push_back(cp > 0xFFFF || (cp >= 0xD800 && cp < 0xE000) ? char16_t(0xFFFD) : static_cast<char16_t>(cp));
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

std::string utf8_from_utf16(std::u16string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char16_t c : s) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

}  // namespace kj::data
