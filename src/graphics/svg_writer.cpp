// SVG: the paper is the view box (units, y downwards), symbols are shared
// definitions placed with <use>, text stays UTF-8.
#include <cmath>
#include <cstdio>

#include "graphics/file_text.h"
#include "graphics/scene.h"
#include "graphics/text_metrics.h"
#include "graphics/writers.h"

namespace kj::graphics {

namespace {

std::string colour_text(uint32_t c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", red_of(c), green_of(c), blue_of(c));
    return buf;
}

std::string xml_escaped(const std::string& s) {
    std::string out;
    for (char ch : s) {
        switch (ch) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        case '"': out += "&quot;"; break;
        default:
            // Control characters are not allowed in XML text.
            if (static_cast<unsigned char>(ch) >= 0x20 || ch == '\t') out += ch;
            break;
        }
    }
    return out;
}

// The families of the faces: the fonts the other writers name, then their
// usual stand-ins.
const char* font_family(int face) {
    switch (face) {
    case FACE_Symbol: return "'Standard Symbols PS', Symbol";
    case FACE_Sans: return "'Nimbus Sans', Helvetica, Arial, sans-serif";
    case FACE_Mono: return "'Nimbus Mono PS', Courier, monospace";
    default: return "'Nimbus Roman', Times, 'Times New Roman', serif";
    }
}
const char* font_weight_style(int font) {
    switch (font) {
    case 2: return " font-weight=\"bold\"";
    case 3: return " font-style=\"italic\"";
    case 4: return " font-weight=\"bold\" font-style=\"italic\"";
    default: return "";
    }
}

class SvgCanvas : public Canvas {
public:
    SvgCanvas(std::string& out, double height) : m_out(out), m_h(height) {}

    void background(uint32_t colour) override {
        out("<rect x=\"0\" y=\"0\" width=\"%d\" height=\"%.0f\" fill=\"%s\" stroke=\"none\"/>\n", k_paper_width, m_h,
            colour_text(colour).c_str());
    }
    void polyline(const std::vector<Point>& pts, const Pen& pen) override {
        if (pts.size() < 2) return;
        m_out += "<polyline fill=\"none\" points=\"";
        points(pts);
        out("\" stroke=\"%s\" stroke-width=\"%d\"", colour_text(pen.colour).c_str(), pen.width);
        if (pen.off > 0) out(" stroke-dasharray=\"%d %d\"", pen.on, pen.off);
        m_out += "/>\n";
    }
    void fill(const std::vector<Point>& pts, uint32_t colour) override {
        if (pts.size() < 3) return;
        m_out += "<polygon points=\"";
        points(pts);
        out("\" fill=\"%s\" stroke=\"none\"/>\n", colour_text(colour).c_str());
    }
    void symbol(double x, double y, double w, double h, SymbolShape s, const Pen& pen) override {
        const std::string c = colour_text(pen.colour);
        const char* paint = s.filled ? "fill" : "stroke";
        const std::string other = s.filled ? " stroke=\"none\"" : " fill=\"none\"";
        if (s.shape == SH_Circle) {
            out("<ellipse cx=\"%.1f\" cy=\"%.1f\" rx=\"%.1f\" ry=\"%.1f\" %s=\"%s\"%s/>\n", x, m_h - y, w / 2, h / 2,
                paint, c.c_str(), other.c_str());
            return;
        }
        static const char* const ids[] = {"Rect", "Plus", "", "Dash", "TriangleUp", "TriangleDn", "Diamond", "Cross"};
        out("<use xlink:href=\"#%s\" x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" %s=\"%s\"%s/>\n",
            ids[s.shape], x - w / 2, m_h - y - h / 2, w, h, paint, c.c_str(), other.c_str());
    }
    void text(double x, double y, const std::string& utf8, int font, int size, int align, int rotation,
              uint32_t colour) override {
        static const char* const anchors[] = {"start", "middle", "end"};
        const std::vector<TextRun> runs = text_runs(utf8, font);
        const int face = face_of_font(font);
        out("<text x=\"%.1f\" y=\"%.1f\" font-family=\"%s\"%s font-size=\"%d\" text-anchor=\"%s\" fill=\"%s\"", x,
            m_h - y, font_family(face), font_weight_style(font), size, anchors[align], colour_text(colour).c_str());
        if (rotation != 0) out(" transform=\"rotate(%d %.1f %.1f)\"", -rotation, x, m_h - y);
        m_out += ">";
        // Greek letters and signs in the Symbol face, as the other writers draw them.
        for (const TextRun& r : runs) {
            if (r.face == FACE_Symbol)
                m_out += std::string("<tspan font-family=\"") + font_family(FACE_Symbol) +
                         "\" font-weight=\"normal\" font-style=\"normal\">" + xml_escaped(r.utf8) + "</tspan>";
            else
                m_out += xml_escaped(r.utf8);
        }
        m_out += "</text>\n";
    }

private:
    void points(const std::vector<Point>& pts) {
        for (std::size_t i = 0; i < pts.size(); ++i) out(i ? " %.1f,%.1f" : "%.1f,%.1f", pts[i].x, m_h - pts[i].y);
    }
    void out(const char* fmt, ...) __attribute__((format(printf, 2, 3))) {
        va_list ap;
        va_start(ap, fmt);
        append_vformat(m_out, fmt, ap);
        va_end(ap);
    }
    std::string& m_out;
    double m_h;
};

// Outlines on a 100 x 100 box, drawn in the colour that the <use> element sets.
const char* const k_symbols[][2] = {
    {"TriangleUp", "M50,0 L100,100 L0,100 Z"}, {"TriangleDn", "M0,0 L100,0 L50,100 Z"},
    {"Dash", "M0,50 L100,50"},                   {"Plus", "M50,0 L50,100 M0,50 L100,50"},
    {"Cross", "M0,0 L100,100 M0,100 L100,0"},    {"Diamond", "M50,0 L100,50 L50,100 L0,50 Z"},
    {"Rect", "M0,0 L100,0 L100,100 L0,100 Z"},
};

}  // namespace

std::string svg_text(const Graph& g, int mode, int colour_model) {
    const int h = g.paper_height();
    std::string s;
    append_format(s,
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                  "<svg viewBox=\"0 0 %d %d\" preserveAspectRatio=\"xMidYMin meet\" version=\"1.2\" "
                  "xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
                  "width=\"%gpt\" height=\"%gpt\">\n"
                  "<desc>Kj graph</desc>\n<defs>\n",
                  k_paper_width, h, k_paper_width * 0.0288, h * 0.0288);
    const char* stroke = mode >= 120 ? " stroke-width=\"1\" vector-effect=\"non-scaling-stroke\"" : " stroke-width=\"6\"";
    for (const auto& sym : k_symbols) {
        append_format(s,
                      "<symbol id=\"%s\" viewBox=\"0 0 100 100\" overflow=\"visible\"%s>"
                      "<path d=\"%s\" stroke-linejoin=\"round\"%s/></symbol>\n",
                      sym[0], std::string(sym[0]) == "Rect" ? " preserveAspectRatio=\"none\"" : "", sym[1], stroke);
    }
    s += "</defs>\n<g stroke-linejoin=\"round\" stroke-linecap=\"round\" stroke-width=\"10\">\n";
    SvgCanvas c(s, h);
    render(g, c, colour_model);
    s += "</g>\n</svg>\n";
    return s;
}

bool write_svg(const Graph& g, const std::string& path, int mode, int colour_model) {
    return save_file(path, svg_text(g, mode, colour_model));
}

}  // namespace kj::graphics
