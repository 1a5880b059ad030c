// Three-dimensional areas: surfaces and points drawn in a projected box with
// its three axes.
//
// The box spans the x, y and z ranges of the area (fixed axes first, then
// the area's world ranges, then the data) and is scaled to the proportions
// of the area's "3d" setting, the longest edge running from -1 to 1. The
// area's "3dview" setting {rotation, elevation, distance, zoom} says how it
// is seen:
//   rotation   degrees the box is turned about its vertical axis,
//              counter-clockwise seen from above; at 0 the x axis runs from
//              left to right across the front and y away from the viewer;
//   elevation  degrees of the eye above the floor of the box (90 looks
//              straight down, negative values look from below);
//   distance   0 for a parallel projection, otherwise the distance of the eye
//              from the centre of the box in half edge lengths, at least 2;
//   zoom       the size relative to the largest picture that fits the plot
//              rectangle (1; values of 0 or less count as 1).
// Without a view setting the box is turned by 35 degrees and seen from 25
// degrees above, in parallel projection.
#pragma once

#include <functional>

#include "graphics/canvas.h"
#include "graphics/graph.h"
#include "graphics/scene.h"

namespace kj::graphics {

struct View3 {
    double rotation = 35, elevation = 25, distance = 0, zoom = 1;
    double aspect[3] = {1, 1, 1};  // relative edge lengths in x, y, z
};

// The view stored with an area, with the defaults for what is unset or unusable.
View3 area_view(const Graph& g, int area);

// A point as seen: its paper position and its depth (larger is farther away).
struct Seen {
    Point p;
    double depth;
};

// A point of the scaled box (each coordinate within its half edge length)
// seen under the view, in box units around the centre of the picture.
Seen view_unit(const View3& v, double u, double w, double h);

// One axis of the box: its range and labelled ticks (step 0: no ticks).
struct Axis3 {
    double lo = 0, hi = 1, step = 0, first = 0;
    bool shown = true;
    bool fixed = false;  // ticks from a DrawAxis request, kept as given
    int freq = 0;        // periods per year of a time axis, 0 for numbers

    // Where v lies in the range: 0 at lo, 1 at hi.
    double fraction(double v) const { return (v - lo) / (hi - lo); }
};

// The x, y and z axes of a three-dimensional area; false when it has no
// finite data and no fixed ranges.
bool solid_axes(const Graph& g, int area, Axis3 axes[3]);

// Maps world coordinates of an area's box onto the paper.
class BoxProjection {
public:
    BoxProjection(const View3& v, const Axis3 axes[3], double left, double bottom, double right, double top);
    // The projection drawn in an area's plot rectangle.
    static BoxProjection fitted(const View3& v, const Axis3 axes[3], const AreaFrame& f);
    Seen at(double x, double y, double z) const;
    // The box coordinates of a world point (each within its half edge length).
    void unit(double x, double y, double z, double out[3]) const;
    Seen at_unit(const double u[3]) const;

private:
    View3 m_v;
    double m_lo[3], m_hi[3], m_half[3];
    double m_scale = 1, m_cx = 0, m_cy = 0;
};

// The pen of a colour/line index under the colour model being drawn.
using PenOf = std::function<Pen(int index)>;

// Whether a text of a three-dimensional area is placed by the box: axis
// titles and texts at world coordinates.
bool placed_in_box(const TextObject& text);

// Draws the box, its axes, the meshes, scattered points and box-placed
// texts of area `a` into its plot rectangle. Below colour model 3 the
// palette shades become grey levels.
void draw_solid(const Graph& g, int a, const AreaFrame& f, Canvas& c, const PenOf& pen, int colour_model);

}  // namespace kj::graphics
