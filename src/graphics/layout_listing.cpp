#include "graphics/layout_listing.h"

#include "graphics/file_text.h"
#include "runtime/messages.h"

namespace kj::graphics {

namespace {

constexpr const char* k_call = "setdraw";

void one(std::string& s, const char* key, int v) { append_format(s, "%s(\"%s\", %d);\n", k_call, key, v); }
void two(std::string& s, const char* key, int a, int b) { append_format(s, "%s(\"%s\", %d, %d);\n", k_call, key, a, b); }
void three(std::string& s, const char* key, int a, int b, int c) {
    append_format(s, "%s(\"%s\", %d, %d, %d);\n", k_call, key, a, b, c);
}
void four(std::string& s, const char* key, int a, int b, int c, int d) {
    append_format(s, "%s(\"%s\", %d, %d, %d, %d);\n", k_call, key, a, b, c, d);
}
void five(std::string& s, const char* key, int a, int b, int c, int d, int e) {
    append_format(s, "%s(\"%s\", %d, %d, %d, %d, %d);\n", k_call, key, a, b, c, d, e);
}
void colour(std::string& s, const char* key, int index, uint32_t c) {
    four(s, key, index, red_of(c), green_of(c), blue_of(c));
}

void layout_block(std::string& s, const LayoutSettings& l) {
    s += "\n// Current layout settings\n";
    two(s, "margin", l.margin, l.margin);
    three(s, "box", l.box[0], l.box[1], l.box[2]);
    two(s, "font", l.font[0], l.font[1]);
    const uint32_t paper = static_cast<uint32_t>(l.papercolor);
    three(s, "papercolor", red_of(paper), green_of(paper), blue_of(paper));
    three(s, "axis", l.axis[0], l.axis[1], l.axis[2]);
    four(s, "axisline", l.axisline[0], l.axisline[1], 0, l.axisline[3]);
    one(s, "axiszeros", l.axiszeros);
    four(s, "axisformat", l.axisformat[0], l.axisformat[1], l.axisformat[2], l.axisformat[3]);
    two(s, "grid", l.grid[0], l.grid[1]);
    two(s, "legend", l.legend[0], l.legend[1]);
    one(s, "legendhide", l.legendhide);
    one(s, "legendresize", l.legendresize);
    one(s, "legendfontsize", l.legendfontsize);
    one(s, "legendcolor", l.legendcolor);
    two(s, "xystyle", l.xystyle[0], l.xystyle[1]);
    one(s, "histogram", l.histogram);
    s += "// PostScript:\n";
    one(s, "colormodel", l.colormodel);
    four(s, "printpage", l.printpage[0], l.printpage[1], l.printpage[2], l.printpage[3]);
}

void line_table(std::string& s, const char* key, const std::array<LineSetting, k_colour_count>& t) {
    for (int i = 1; i < k_colour_count; ++i) five(s, key, i, t[i].type, t[i].width, t[i].on, t[i].off);
}

}  // namespace

std::string layout_listing(const LayoutSettings& l, bool layout, int lines, bool palette) {
    std::string s;
    if (layout) layout_block(s, l);
    if (lines == LIST_Lines || lines == LIST_AllLines) {
        s += "\n// Current line settings (type, width, on, off)\n";
        line_table(s, "line", l.line);
        s += "\n// Current color settings (red, green, blue)\n";
        for (int i = 1; i < k_colour_count; ++i) colour(s, "color", i, l.colour[i]);
        s += "\n// Current symbol settings (type, size)\n";
        for (int i = 1; i < k_colour_count; ++i) three(s, "symbol", i, l.symbol[i][0], l.symbol[i][1]);
    }
    if (lines == LIST_BWLines || lines == LIST_AllLines) {
        s += "\n// Current B&W line settings (type, width, on, off)\n";
        line_table(s, "linebw", l.line_bw);
    }
    if (palette) {
        s += "\n// Current palette settings (red, green, blue)\n";
        for (int i = 0; i < k_palette_count; ++i) {
            colour(s, "palette_max", i, l.palette_max[i]);
            colour(s, "palette_min", i, l.palette_min[i]);
        }
    }
    return s;
}

void print_layout_listing(const LayoutSettings* record, bool layout, int lines, bool palette) {
    runtime::run_message(layout_listing(record ? *record : settings(), layout, lines, palette).c_str());
}

}  // namespace kj::graphics
