// Where the legend of an area goes. An explicitly placed legend (DrawLegend,
// or DrawAdjust with an offset) stays where it was put. Otherwise, with the
// automatic placement of the legend settings (legend: automatic flag,
// columns), the legend takes the first corner of the plot (top left, top
// right, bottom right, bottom left) where it covers no data, in its columns
// or else stacked in one; failing that, with legendresize, the same at four
// fifths of the legend font size; failing that, it goes below the plot,
// which gives up the room (at most a quarter of its height), with as many
// entries side by side as fit; else it takes the corner covering least.
#pragma once

#include <string>

namespace kj::graphics {

struct AreaFrame;
struct Graph;

// The legend box of an area in paper units. Entries run across `columns`
// columns and then down, each `row` high and `column` wide.
struct LegendBox {
    bool shown = false;
    bool outside = false;  // below the plot
    double left = 0, top = 0, width = 0, height = 0;
    double row = 0, column = 0;
    int columns = 1;
    int size = 300;  // font size
    // Sample lines, gaps and insets are those of the 300-unit legend font
    // times `unit` (the font size over 300).
    double unit = 1;
    int entries = 0;
};

// DrawAdjust with ADJ_LEGEND: columns d1 (kept when below 1) and the
// top-left corner at offset (d2, d3) from the plot's top-left corner, or
// automatic placement when an offset is negative.
void adjust_legend(Graph& g, int area, double columns, double dx, double dy);

// Places the legend of `area` in the frame; may raise the frame's bottom to
// make room below the plot.
LegendBox place_legend(const Graph& g, int area, AreaFrame& f);

// The width of a legend text at font size `size`, as laid out.
double legend_text_width(const std::string& utf8, double size);

}  // namespace kj::graphics
