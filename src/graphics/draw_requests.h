// The runtime's own draw and draw-window callbacks: they build the current
// graph from the drawing requests and save it through the writers.
#pragma once

#include <string>

#include "graphics/draw_request.h"
#include "graphics/graph.h"

namespace kj::graphics {

// Drawing requests: 0 when the request was drawn, 1 for an unknown request
// or one that could not be drawn (a message says why). Each request name has
// one handler; the second form takes the callback's slots as they come.
int default_draw(const DrawRequest& request);
int default_draw(const char* command, int area, const double* x1, int n1, const char* label1, const double* x2,
                 int n2, const char* label2, const double* x3, int n3, const char* label3, int i1, int i2,
                 const int* iv, int niv, const double* dv, int ndv);

// Window requests "Set", "Save", "Show", "Close"; always 1.
int default_draw_window(const char* action, const char* argument);

// Saves the current graph by the file's extension (as "Save" does); false
// when there is no graph or the file could not be written.
bool save_current_graph(const std::string& path);
// The colour model the writers take for g: its mode's, or 99 (the layout
// settings' own) when the mode names none.
int colour_model_of(const Graph& g);

// Adjustment types of DrawAdjust (the ADJ_ constants of the standard header).
enum Adjust : int {
    ADJ_AreaPixels = 0,  // area idx at paper rectangle d1..d4
    ADJ_AreaX = 1,       // world x range of area idx: d1..d2
    ADJ_AreaY = 2,       // world y range of area idx: d1..d2
    ADJ_AreaZ = 3,       // world z range of the three-dimensional area idx: d1..d2
    ADJ_Area3D = 4,      // view of area idx: rotation, elevation, eye distance, zoom (d1..d4)
    ADJ_AreaMatrix = 5,  // a grid of areas: the layout follows the area count
    ADJ_Colour = 6,      // colour/line index d1 for the last object
    ADJ_Symbol = 7,      // symbol type d1 and size d2 for the last x-y object
    ADJ_IndexBase = 8,   // base d1 of the index lines and bars of the last x-y object
    ADJ_Scale = 9,       // factor d1 and shift d2 of the last x-y object
    ADJ_Legend = 10,     // legend of area idx: d1 columns, top-left at offset (d2, d3), else placed automatically
    ADJ_PaperScale = 11, // paper height d1 per cent of 10000 units
};

}  // namespace kj::graphics
