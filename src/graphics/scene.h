// The walk from a graph to drawing primitives: area placement, automatic and
// fixed axes, the mapping from world to paper coordinates, and every object
// drawn on a Canvas. All writers share it.
#pragma once

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

    double px(double x) const { return left + (x - xmin) / (xmax - xmin) * (right - left); }
    double py(double y) const { return bottom + (y - ymin) / (ymax - ymin) * (top - bottom); }
};

AreaFrame area_frame(const Graph& g, int area);

// Draws the graph with the current layout settings; `colour_model` 0..3
// (above 3: the settings' own).
void render(const Graph& g, Canvas& c, int colour_model);

// The x value of observation t of an x-y object.
double x_of(const XYObject& o, std::size_t t);

}  // namespace kj::graphics
