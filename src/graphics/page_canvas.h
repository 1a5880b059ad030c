// The drawing commands that PostScript and PDF share: paths of straight
// segments and Bezier arcs, colours, widths and dashes; the two differ in the
// operator names and in how text is placed.
#pragma once

#include <string>

#include "graphics/canvas.h"

namespace kj::graphics {

struct PageOperators {
    const char* moveto;
    const char* lineto;
    const char* curveto;
    const char* closepath;
    const char* stroke;
    const char* fill;
    const char* stroke_colour;  // "r g b <op>"
    const char* fill_colour;
    const char* width;
    const char* dash_format;    // printf format with on, off ("[%d %d] 0 setdash")
    const char* solid;          // "[] 0 setdash"
};

class PageCanvas : public Canvas {
public:
    PageCanvas(std::string& out, const PageOperators& ops) : m_out(out), m_ops(ops) {}

    void background(uint32_t colour) override;
    void polyline(const std::vector<Point>& pts, const Pen& pen) override;
    void fill(const std::vector<Point>& pts, uint32_t colour) override;
    void symbol(double x, double y, double w, double h, SymbolShape s, const Pen& pen) override;

protected:
    void out(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    void set_stroke(const Pen& pen);
    void set_fill_colour(uint32_t colour);
    std::string& m_out;
    double m_height = 10000;

private:
    void path(const std::vector<Point>& pts, bool close);
    void ellipse(double x, double y, double rx, double ry);
    const PageOperators& m_ops;
    // The state last set, so that runs of equal settings are written once.
    long m_stroke = -1, m_fill = -1;
    int m_width = -1, m_on = -1, m_off = -1;

public:
    void set_height(double h) { m_height = h; }
};

// Escapes a byte string for a PostScript or PDF string literal: the
// parentheses and the backslash, and bytes outside printable ASCII as octal.
std::string page_string(const std::string& bytes);
// The page font (F0..F<most>) of a run in `face` of a text in `font`: the
// Symbol font F1 for Symbol runs, F0 for the Latin-1 runs of font 1.
int page_font(int face, int font, int most);

}  // namespace kj::graphics
