// Text in the graph fonts: which face draws each character, and how wide a
// text is. Every writer and the layout measure with these tables, so a
// label takes the same room in SVG, PDF, PostScript and PNG.
//
// Font numbers 0 and 7..9 are Times roman, 2 bold, 3 italic, 4 bold italic,
// 5 Helvetica, 6 Courier, 1 Symbol. A text shows its Unicode characters:
// Latin-1 ones in the face of its font (Times roman for font 1), Greek
// letters and mathematical signs that Latin-1 lacks in the Symbol face, any
// other character as '?'.
#pragma once

#include <string>
#include <vector>

namespace kj::graphics {

enum Face : int { FACE_Roman, FACE_Bold, FACE_Italic, FACE_BoldItalic, FACE_Sans, FACE_Mono, FACE_Symbol };
constexpr int k_face_count = 6;  // the faces with Latin-1 widths

// A character of the Symbol face: its code point, its code in the face and
// its width in thousandths of the font size.
struct SymbolGlyph {
    unsigned code;
    unsigned char byte;
    short width;
};

// The generated tables (font_metrics.cpp).
extern const short k_face_widths[k_face_count][191];
extern const SymbolGlyph k_symbol_glyphs[];
extern const int k_symbol_glyph_count;

// The face that draws the Latin-1 characters of a font number.
int face_of_font(int font);

// A run of characters drawn in one face: their bytes in the face's encoding
// (Latin-1, or the Symbol face's own codes), the same characters as UTF-8,
// and their width in units of the font size.
struct TextRun {
    int face;
    std::string bytes;
    std::string utf8;
    double em = 0;
};

std::vector<TextRun> text_runs(const std::string& utf8, int font);

// The width of a text at font size `size`, in the units of the size.
double text_width(const std::string& utf8, int font, double size);

}  // namespace kj::graphics
