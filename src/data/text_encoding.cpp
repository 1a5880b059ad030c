#include "data/text_encoding.h"

namespace kj::data {

bool is_valid_utf8(std::string_view s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const auto* end = p + s.size();
    while (p < end) {
        const unsigned c = *p++;
        if (c < 0x80) continue;
        int more;
        unsigned code;
        if (c >= 0xC2 && c <= 0xDF) more = 1, code = c & 0x1F;
        else if (c >= 0xE0 && c <= 0xEF) more = 2, code = c & 0x0F;
        else if (c >= 0xF0 && c <= 0xF4) more = 3, code = c & 0x07;
        else return false;
        if (end - p < more) return false;
        for (int i = 0; i < more; ++i) {
            if ((p[i] & 0xC0) != 0x80) return false;
            code = (code << 6) | (p[i] & 0x3F);
        }
        p += more;
        if ((more == 2 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
            (more == 3 && (code < 0x10000 || code > 0x10FFFF)))
            return false;
    }
    return true;
}

std::string utf8_text(std::string_view s) {
    if (is_valid_utf8(s)) return std::string(s);
    std::string out;
    out.reserve(s.size() * 2);
    for (unsigned char c : s) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace kj::data
