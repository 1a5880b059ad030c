// The drawing surface the graph writers implement. The scene walk
// (graphics/scene.h) turns a graph into these primitives; every output format
// renders the same calls. Coordinates are paper units with y upwards from the
// bottom-left corner.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kj::graphics {

struct Point {
    double x, y;
};

struct Pen {
    uint32_t colour = 0;  // 0xBBGGRR
    int width = 10;       // units
    int on = 0, off = 0;  // dash lengths in units; solid when off is 0
};

// Symbol shapes: the outline forms, each with a filled variant.
enum Shape : int { SH_Box, SH_Plus, SH_Circle, SH_Dash, SH_TriUp, SH_TriDown, SH_Diamond, SH_Cross };
struct SymbolShape {
    int shape;
    bool filled;
};
// The shape of a stored symbol type (0..13).
SymbolShape symbol_shape(int type);

enum Align : int { AL_Left = 0, AL_Centre = 1, AL_Right = 2 };

class Canvas {
public:
    virtual ~Canvas() = default;
    // A solid background of the whole paper.
    virtual void background(uint32_t colour) = 0;
    virtual void polyline(const std::vector<Point>& pts, const Pen& pen) = 0;
    // A filled polygon without outline.
    virtual void fill(const std::vector<Point>& pts, uint32_t colour) = 0;
    // A symbol inside the box (x - w/2, y - h/2) .. (x + w/2, y + h/2).
    virtual void symbol(double x, double y, double w, double h, SymbolShape s, const Pen& pen) = 0;
    // UTF-8 text with its baseline start (left), centre or end at (x, y),
    // rotated counter-clockwise by `rotation` degrees; size in units.
    virtual void text(double x, double y, const std::string& utf8, int font, int size, int align, int rotation,
                      uint32_t colour) = 0;
};

}  // namespace kj::graphics
