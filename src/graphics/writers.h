// Graph file writers and the reader of the native format. Every writer
// returns true on success and false (with no file left behind) when the file
// cannot be written.
#pragma once

#include <memory>
#include <string>

#include "graphics/graph.h"

namespace kj::graphics {

// SVG; `mode` from 120 on draws symbols with a non-scaling stroke of 1.
bool write_svg(const Graph& g, const std::string& path, int mode, int colour_model);
// Encapsulated PostScript, or full-page PostScript when `full_page`.
bool write_postscript(const Graph& g, const std::string& path, bool full_page, int colour_model);
// PDF with a deflated content stream.
bool write_pdf(const Graph& g, const std::string& path, int colour_model);
bool pdf_bytes(const Graph& g, int colour_model, std::string& pdf);
// A PNG picture at 150 dots per inch, rendered with cairo.
bool write_png(const Graph& g, const std::string& path, int colour_model);
bool png_bytes(const Graph& g, int colour_model, std::string& png);
// The native text format.
bool write_gwg(const Graph& g, const std::string& path);
// The native format as text (what write_gwg saves).
std::string gwg_text(const Graph& g);
std::string svg_text(const Graph& g, int mode, int colour_model);
std::string postscript_text(const Graph& g, bool full_page, int colour_model);
// Reads a native file; messages go through the run-message channel. Null
// when nothing could be read.
std::unique_ptr<Graph> read_gwg(const std::string& path);
std::unique_ptr<Graph> parse_gwg(const std::string& text);

// The paper height in points for a width of 432 points (truncated).
int page_height_points(const Graph& g);

}  // namespace kj::graphics
