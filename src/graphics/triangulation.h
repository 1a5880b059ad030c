// Delaunay triangulation of scattered points in the plane: the surface over
// scattered (x, y, z) points of a three-dimensional graph is drawn as the
// triangles of their x-y positions.
#pragma once

#include <array>
#include <vector>

#include "graphics/canvas.h"

namespace kj::graphics {

// The triangles (indices into pts, counter-clockwise) of the Delaunay
// triangulation of the points with their bounding box scaled to the unit
// square (so that x and y count alike whatever their units); the
// triangles cover the convex hull. Points that
// are not finite, and repeats of an earlier point, take part in no
// triangle; fewer than three distinct points, or all on one line, give none.
// The work grows with the square of the number of points.
std::vector<std::array<int, 3>> delaunay(const std::vector<Point>& pts);

}  // namespace kj::graphics
