// Three-dimensional areas: surfaces and points drawn in a projected box.
#pragma once

#include <functional>

#include "graphics/canvas.h"
#include "graphics/graph.h"
#include "graphics/scene.h"

namespace kj::graphics {

// The pen of a colour/line index under the colour model being drawn.
using PenOf = std::function<Pen(int index)>;

// Draws the meshes and scattered points of area `a` into its plot rectangle.
void draw_solid(const Graph& g, int a, const AreaFrame& f, Canvas& c, const PenOf& pen);

}  // namespace kj::graphics
