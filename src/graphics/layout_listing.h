// The layout settings as a script: one setdraw call per setting, in groups
// headed by comment lines, so that a listing run as a program restores the
// settings it shows.
#pragma once

#include <string>

#include "graphics/graph.h"

namespace kj::graphics {

// Line tables to list: none, the colour ones (with colours and symbols),
// the black-and-white one, or both.
enum ListLines : int { LIST_NoLines = 0, LIST_Lines = 1, LIST_BWLines = 2, LIST_AllLines = 3 };

// The listing of `s`: the layout block when `layout`, the line tables by
// `lines`, the palette when `palette`; each block starts with an empty line.
std::string layout_listing(const LayoutSettings& s, bool layout, int lines, bool palette);
// Prints the listing of `record` (the current settings when null) through
// the run-time message channel.
void print_layout_listing(const LayoutSettings* record, bool layout, int lines, bool palette);

}  // namespace kj::graphics
