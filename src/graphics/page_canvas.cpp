#include "graphics/page_canvas.h"

#include <cstdarg>
#include <cstring>

#include "graphics/file_text.h"
#include "graphics/graph.h"
#include "graphics/text_metrics.h"

namespace kj::graphics {

void PageCanvas::out(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    append_vformat(m_out, fmt, ap);
    va_end(ap);
}

void PageCanvas::set_stroke(const Pen& pen) {
    if (static_cast<long>(pen.colour) != m_stroke) {
        out("%.3f %.3f %.3f %s\n", red_of(pen.colour) / 255.0, green_of(pen.colour) / 255.0,
            blue_of(pen.colour) / 255.0, m_ops.stroke_colour);
        m_stroke = pen.colour;
        if (std::strcmp(m_ops.stroke_colour, m_ops.fill_colour) == 0) m_fill = m_stroke;  // one colour for both
    }
    if (pen.width != m_width) {
        out("%d %s\n", pen.width, m_ops.width);
        m_width = pen.width;
    }
    const int on = pen.off > 0 ? pen.on : 0, off = pen.off > 0 ? pen.off : 0;
    if (on != m_on || off != m_off) {
        if (off > 0)
            out(m_ops.dash_format, on, off);
        else
            m_out += m_ops.solid;
        m_out += '\n';
        m_on = on;
        m_off = off;
    }
}

void PageCanvas::set_fill_colour(uint32_t colour) {
    if (static_cast<long>(colour) == m_fill) return;
    out("%.3f %.3f %.3f %s\n", red_of(colour) / 255.0, green_of(colour) / 255.0, blue_of(colour) / 255.0,
        m_ops.fill_colour);
    m_fill = colour;
    if (std::strcmp(m_ops.stroke_colour, m_ops.fill_colour) == 0) m_stroke = m_fill;
}

void PageCanvas::path(const std::vector<Point>& pts, bool close) {
    for (std::size_t i = 0; i < pts.size(); ++i) {
        out("%.1f %.1f %s", pts[i].x, pts[i].y, i ? m_ops.lineto : m_ops.moveto);
        m_out += (i % 6 == 5) ? '\n' : ' ';
    }
    if (close) out("%s ", m_ops.closepath);
}

void PageCanvas::background(uint32_t colour) {
    set_fill_colour(colour);
    path({{0, 0}, {k_paper_width, 0}, {k_paper_width, m_height}, {0, m_height}}, true);
    out("%s\n", m_ops.fill);
}

void PageCanvas::polyline(const std::vector<Point>& pts, const Pen& pen) {
    if (pts.size() < 2) return;
    set_stroke(pen);
    path(pts, false);
    out("%s\n", m_ops.stroke);
}

void PageCanvas::fill(const std::vector<Point>& pts, uint32_t colour) {
    if (pts.size() < 3) return;
    set_fill_colour(colour);
    path(pts, true);
    out("%s\n", m_ops.fill);
}

// Four Bezier quarter arcs.
void PageCanvas::ellipse(double x, double y, double rx, double ry) {
    const double k = 0.5522847498;
    out("%.1f %.1f %s\n", x + rx, y, m_ops.moveto);
    out("%.1f %.1f %.1f %.1f %.1f %.1f %s\n", x + rx, y + k * ry, x + k * rx, y + ry, x, y + ry, m_ops.curveto);
    out("%.1f %.1f %.1f %.1f %.1f %.1f %s\n", x - k * rx, y + ry, x - rx, y + k * ry, x - rx, y, m_ops.curveto);
    out("%.1f %.1f %.1f %.1f %.1f %.1f %s\n", x - rx, y - k * ry, x - k * rx, y - ry, x, y - ry, m_ops.curveto);
    out("%.1f %.1f %.1f %.1f %.1f %.1f %s %s ", x + k * rx, y - ry, x + rx, y - k * ry, x + rx, y, m_ops.curveto,
        m_ops.closepath);
}

void PageCanvas::symbol(double x, double y, double w, double h, SymbolShape s, const Pen& pen) {
    const double l = x - w / 2, r = x + w / 2, b = y - h / 2, t = y + h / 2;
    if (s.filled)
        set_fill_colour(pen.colour);
    else
        set_stroke(pen);
    switch (s.shape) {
    case SH_Box: path({{l, b}, {r, b}, {r, t}, {l, t}}, true); break;
    case SH_TriUp: path({{l, b}, {r, b}, {x, t}}, true); break;
    case SH_TriDown: path({{l, t}, {r, t}, {x, b}}, true); break;
    case SH_Diamond: path({{x, b}, {r, y}, {x, t}, {l, y}}, true); break;
    case SH_Circle: ellipse(x, y, w / 2, h / 2); break;
    case SH_Plus:
        path({{l, y}, {r, y}}, false);
        path({{x, b}, {x, t}}, false);
        break;
    case SH_Cross:
        path({{l, b}, {r, t}}, false);
        path({{l, t}, {r, b}}, false);
        break;
    default: path({{l, y}, {r, y}}, false); break;
    }
    const bool open = s.shape == SH_Plus || s.shape == SH_Cross || s.shape == SH_Dash;
    out("%s\n", s.filled && !open ? m_ops.fill : m_ops.stroke);
}

std::string page_string(const std::string& bytes) {
    std::string out = "(";
    for (unsigned char ch : bytes) {
        if (ch == '(' || ch == ')' || ch == '\\') {
            out += '\\';
            out += static_cast<char>(ch);
        } else if (ch < 0x20 || ch >= 0x7F) {
            append_format(out, "\\%03o", ch);
        } else {
            out += static_cast<char>(ch);
        }
    }
    return out + ")";
}

int page_font(int face, int font, int most) {
    if (face == FACE_Symbol) return 1;
    return font < 0 || font > most || font == 1 ? 0 : font;
}

}  // namespace kj::graphics
