// cairo, loaded when the first PNG picture is drawn: a run that draws none
// does not map it and the fifteen libraries it brings (fonts, X11, PNG).
// Only the PNG writer sees this header and cairo's.
#pragma once

#include <cairo.h>

namespace kj::graphics {

#define KJ_CAIRO_FUNCTIONS(X)                                                                      \
    X(arc) X(close_path) X(create) X(destroy) X(fill) X(image_surface_create) X(line_to) X(move_to) \
    X(new_path) X(paint) X(restore) X(rotate) X(save) X(scale) X(select_font_face) X(set_dash)     \
    X(set_font_size) X(set_line_cap) X(set_line_join) X(set_line_width) X(set_source_rgb)          \
    X(show_text) X(status) X(stroke) X(surface_destroy) X(surface_flush)                            \
    X(surface_write_to_png_stream) X(translate)

// cairo_NAME is reached as NAME.
struct CairoLibrary {
#define KJ_CAIRO_SLOT(name) decltype(&::cairo_##name) name;
    KJ_CAIRO_FUNCTIONS(KJ_CAIRO_SLOT)
#undef KJ_CAIRO_SLOT
};

// The functions, loaded on the first call; null when the library or any of
// them is missing.
const CairoLibrary* cairo_library();

}  // namespace kj::graphics
