#include "graphics/text_metrics.h"

#include <algorithm>

namespace kj::graphics {

namespace {

// The next code point of UTF-8 text at i, advancing i; a byte that starts
// no valid sequence is returned as 0xFFFD.
unsigned next_code(const std::string& s, std::size_t& i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
        ++i;
        return c;
    }
    const int len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    unsigned code = len == 2 ? c & 0x1F : len == 3 ? c & 0x0F : c & 0x07;
    bool ok = len > 1 && i + static_cast<std::size_t>(len) <= s.size();
    for (int k = 1; ok && k < len; ++k) {
        const unsigned char cc = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
        ok = (cc & 0xC0) == 0x80;
        code = code << 6 | (cc & 0x3F);
    }
    i += ok ? static_cast<std::size_t>(len) : 1;
    return ok ? code : 0xFFFD;
}

// The width table slot of a Latin-1 character, or -1.
int latin1_slot(unsigned code) {
    if (code >= 0x20 && code <= 0x7E) return static_cast<int>(code - 0x20);
    if (code >= 0xA0 && code <= 0xFF) return static_cast<int>(code - 0xA0 + 95);
    return -1;
}

const SymbolGlyph* symbol_glyph(unsigned code) {
    const SymbolGlyph* end = k_symbol_glyphs + k_symbol_glyph_count;
    const SymbolGlyph* g =
        std::lower_bound(k_symbol_glyphs, end, code, [](const SymbolGlyph& s, unsigned c) { return s.code < c; });
    return g != end && g->code == code ? g : nullptr;
}

}  // namespace

int face_of_font(int font) {
    switch (font) {
    case 2: return FACE_Bold;
    case 3: return FACE_Italic;
    case 4: return FACE_BoldItalic;
    case 5: return FACE_Sans;
    case 6: return FACE_Mono;
    default: return FACE_Roman;
    }
}

std::vector<TextRun> text_runs(const std::string& utf8, int font) {
    const int face = face_of_font(font);
    std::vector<TextRun> runs;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t from = i;
        const unsigned code = next_code(utf8, i);
        int slot = latin1_slot(code);
        const SymbolGlyph* g = slot < 0 ? symbol_glyph(code) : nullptr;
        const int in = g ? FACE_Symbol : face;
        if (runs.empty() || runs.back().face != in) runs.push_back({in, {}, {}, 0});
        TextRun& r = runs.back();
        r.utf8.append(utf8, from, i - from);
        if (g) {
            r.bytes += static_cast<char>(g->byte);
            r.em += g->width / 1000.0;
            continue;
        }
        if (slot < 0) slot = latin1_slot('?');  // a character neither face has
        r.bytes += static_cast<char>(slot < 95 ? 0x20 + slot : 0xA0 + slot - 95);
        r.em += k_face_widths[face][slot] / 1000.0;
    }
    return runs;
}

double text_width(const std::string& utf8, int font, double size) {
    double em = 0;
    for (const TextRun& r : text_runs(utf8, font)) em += r.em;
    return em * size;
}

}  // namespace kj::graphics
