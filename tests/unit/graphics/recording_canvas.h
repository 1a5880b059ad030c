// A canvas that keeps what the scene walk draws, for tests to inspect.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/canvas.h"

namespace kj::test {

struct Recording : graphics::Canvas {
    struct Line {
        std::vector<graphics::Point> pts;
        graphics::Pen pen;
    };
    struct Fill {
        std::vector<graphics::Point> pts;
        uint32_t colour;
    };
    struct Text {
        double x, y;
        std::string s;
        int font = 0, size = 0, align = 0, rotation = 0;
    };
    std::vector<Line> lines;
    std::vector<Fill> fills;
    std::vector<Text> texts;
    std::vector<double> symbol_sizes;
    std::string sequence;  // 'l'ine, 'f'ill, 's'ymbol, 't'ext in drawing order

    void background(uint32_t) override {}
    void polyline(const std::vector<graphics::Point>& pts, const graphics::Pen& pen) override {
        lines.push_back({pts, pen});
        sequence += 'l';
    }
    void fill(const std::vector<graphics::Point>& pts, uint32_t colour) override {
        fills.push_back({pts, colour});
        sequence += 'f';
    }
    void symbol(double, double, double w, double, graphics::SymbolShape, const graphics::Pen&) override {
        symbol_sizes.push_back(w);
        sequence += 's';
    }
    void text(double x, double y, const std::string& s, int font, int size, int align, int rotation,
              uint32_t) override {
        texts.push_back({x, y, s, font, size, align, rotation});
        sequence += 't';
    }

    std::vector<const Line*> in_colour(uint32_t c) const {
        std::vector<const Line*> out;
        for (const Line& l : lines)
            if (l.pen.colour == c) out.push_back(&l);
        return out;
    }
    bool has_text(const std::string& s) const {
        for (const Text& t : texts)
            if (t.s == s) return true;
        return false;
    }
};

}  // namespace kj::test
