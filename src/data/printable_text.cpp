#include "data/printable_text.h"

namespace kj::data {

namespace {

constexpr char k_hex[] = "0123456789ABCDEF";

void append_escape(std::string& out, unsigned char c) {
    out += "\\x";
    out += k_hex[c >> 4];
    out += k_hex[c & 15];
}

// Length of the well-formed UTF-8 sequence at text[i] (lead byte >= 128), or 0.
std::size_t utf8_length(std::string_view text, std::size_t i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const std::size_t n = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
    if (n == 0 || i + n > text.size()) return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
    return n;
}

}  // namespace

std::string printable_text(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 128) {
            const std::size_t n = utf8_length(text, i);
            if (n == 0) {
                append_escape(out, c);
            } else {
                out.append(text.substr(i, n));
                i += n - 1;
            }
        } else if (c >= 32 && c != 127) {
            out += static_cast<char>(c);
        } else if (c == '\t' || c == '\n') {
            out += static_cast<char>(c);  // layout, not control
        } else if (c == '\r') {
            out += "\\r";
        } else {
            append_escape(out, c);
        }
    }
    return out;
}

}  // namespace kj::data
