// The walk from a graph to drawing primitives: area placement, automatic and
// fixed axes, the mapping from world to paper coordinates, and every object
// drawn on a Canvas. All writers share it.
#pragma once

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "graphics/axis_ticks.h"
#include "graphics/canvas.h"
#include "graphics/graph.h"
#include "graphics/legend_layout.h"

namespace kj::graphics {

// The plot rectangle of an area (paper units) and the world ranges mapped onto it.
struct AreaFrame {
    double left = 0, bottom = 0, right = 0, top = 0;
    double xmin = 0, xmax = 1, ymin = 0, ymax = 1;
    double xstep = 0.2, ystep = 0.2;  // distance between labelled ticks
    double xfirst = 0, yfirst = 0;    // first labelled tick
    int xfreq = 0;                    // periods per year of a time axis in x, 0 otherwise
    int xdate = DL_None;              // label kind of a date axis in x
    std::vector<double> xdates;       // the ticks of a date axis
    bool has_data = false;
    LegendBox legend;                 // where the legend goes, if anywhere
    // Areas laid out in a grid draw their labels and margins smaller, by
    // `scale`; `font` is the size of their axis labels.
    double scale = 1;
    int font = 330;
    // The cell of the paper the area owns: no label leaves it.
    double cell_left = 0, cell_bottom = 0, cell_right = k_paper_width, cell_top = 10000;
    double ylabels = 0;               // width of the widest y tick label
    double corner = 0;                // x tick labels start right of this (clear of the y labels)

    // A title or axis label text of size `size` as drawn in this area.
    int scaled(int size) const { return std::max(1, static_cast<int>(std::lround(size * scale))); }

    double px(double x) const { return left + (x - xmin) / (xmax - xmin) * (right - left); }
    double py(double y) const { return bottom + (y - ymin) / (ymax - ymin) * (top - bottom); }
};

AreaFrame area_frame(const Graph& g, int area);

// An x tick label at paper x.
struct XLabel {
    double x;
    std::string text;
};
// Where an x tick label goes: its left and right ends, its position in the
// list, and whether it left its centred place.
struct PlacedLabel {
    double left, right;
    std::size_t at;
    bool moved;
};
// Places x tick labels: centred under their ticks, moved right of `corner`
// and left of the cell's right edge when they would cross them; a label
// that would then run into the one before is left out (a moved one gives
// way to the next).
std::vector<PlacedLabel> place_x_labels(const AreaFrame& f, const std::vector<XLabel>& labels, double corner);

// The length of the tick marks, positive into the plot, negative out of it.
double tick_length(const LayoutSettings& s);
// Whether `area` has a text with the role (a title or an axis label).
bool has_role(const Graph& g, int area, int role);

// Draws the graph with the current layout settings; `colour_model` 0..3
// (above 3: the settings' own).
void render(const Graph& g, Canvas& c, int colour_model);

// The x value of observation t of an x-y object.
double x_of(const XYObject& o, std::size_t t);

}  // namespace kj::graphics
