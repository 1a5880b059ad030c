// PNG pictures through cairo: the same scene walk as the vector formats,
// rendered at 150 dots per inch on white.
#include <cmath>
#include <string>

#include "graphics/cairo_library.h"
#include "graphics/file_text.h"
#include "graphics/scene.h"
#include "graphics/text_metrics.h"
#include "graphics/writers.h"
#include "runtime/messages.h"

namespace kj::graphics {

namespace {

constexpr double k_dpi = 150;
constexpr double k_scale = 0.0288 * k_dpi / 72;  // pixels per paper unit

// The Symbol face maps its own codes, not Unicode: its characters are
// passed as the code points of their codes.
std::string symbol_codes(const std::string& bytes) {
    std::string out;
    for (const unsigned char b : bytes) {
        if (b < 0x80) {
            out += static_cast<char>(b);
        } else {
            out += static_cast<char>(0xC0 | b >> 6);
            out += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return out;
}

const char* face_family(int face) {
    switch (face) {
    case FACE_Symbol: return "Standard Symbols PS";
    case FACE_Sans: return "Nimbus Sans";
    case FACE_Mono: return "Nimbus Mono PS";
    default: return "Nimbus Roman";
    }
}

class CairoCanvas : public Canvas {
public:
    CairoCanvas(const CairoLibrary& lib, cairo_t* cr, double height) : m_lib(lib), m_cr(cr), m_h(height) {}

    void background(uint32_t colour) override {
        colour_of(colour);
        m_lib.paint(m_cr);
    }
    void polyline(const std::vector<Point>& pts, const Pen& pen) override {
        if (pts.size() < 2) return;
        path(pts);
        stroke(pen);
    }
    void fill(const std::vector<Point>& pts, uint32_t colour) override {
        if (pts.size() < 3) return;
        path(pts);
        m_lib.close_path(m_cr);
        colour_of(colour);
        m_lib.fill(m_cr);
    }
    void symbol(double x, double y, double w, double h, SymbolShape s, const Pen& pen) override {
        const double l = x - w / 2, r = x + w / 2, b = y - h / 2, t = y + h / 2;
        bool closed = true;
        switch (s.shape) {
        case SH_Box: path({{l, b}, {r, b}, {r, t}, {l, t}}); break;
        case SH_TriUp: path({{l, b}, {r, b}, {x, t}}); break;
        case SH_TriDown: path({{l, t}, {r, t}, {x, b}}); break;
        case SH_Diamond: path({{x, b}, {r, y}, {x, t}, {l, y}}); break;
        case SH_Circle:
            m_lib.new_path(m_cr);
            m_lib.save(m_cr);
            m_lib.translate(m_cr, px(x), py(y));
            m_lib.scale(m_cr, std::max(w, 1.0) / 2 * k_scale, std::max(h, 1.0) / 2 * k_scale);
            m_lib.arc(m_cr, 0, 0, 1, 0, 2 * M_PI);
            m_lib.restore(m_cr);
            break;
        case SH_Plus:
            path({{l, y}, {r, y}});
            m_lib.move_to(m_cr, px(x), py(b));
            m_lib.line_to(m_cr, px(x), py(t));
            closed = false;
            break;
        case SH_Cross:
            path({{l, b}, {r, t}});
            m_lib.move_to(m_cr, px(l), py(t));
            m_lib.line_to(m_cr, px(r), py(b));
            closed = false;
            break;
        default:
            path({{l, y}, {r, y}});
            closed = false;
            break;
        }
        if (closed) m_lib.close_path(m_cr);
        if (s.filled && closed) {
            colour_of(pen.colour);
            m_lib.fill(m_cr);
        } else {
            stroke(pen);
        }
    }
    void text(double x, double y, const std::string& utf8, int font, int size, int align, int rotation,
              uint32_t colour) override {
        if (rotation == 360) rotation = 0, align = AL_Right;
        const std::vector<TextRun> runs = text_runs(utf8, font);
        m_lib.save(m_cr);
        m_lib.translate(m_cr, px(x), py(y));
        m_lib.rotate(m_cr, -rotation * M_PI / 180);
        colour_of(colour);
        // The faces the other writers name, placed by the shared widths.
        double at = -text_width(utf8, font, size) * align * 0.5;
        for (const TextRun& r : runs) {
            const int face = r.face;
            m_lib.select_font_face(m_cr, face_family(face),
                                   face == FACE_Italic || face == FACE_BoldItalic ? CAIRO_FONT_SLANT_ITALIC
                                                                                  : CAIRO_FONT_SLANT_NORMAL,
                                   face == FACE_Bold || face == FACE_BoldItalic ? CAIRO_FONT_WEIGHT_BOLD
                                                                                : CAIRO_FONT_WEIGHT_NORMAL);
            m_lib.set_font_size(m_cr, size * k_scale);
            m_lib.move_to(m_cr, at * k_scale, 0);
            m_lib.show_text(m_cr, face == FACE_Symbol ? symbol_codes(r.bytes).c_str() : r.utf8.c_str());
            at += r.em * size;
        }
        m_lib.restore(m_cr);
    }

private:
    double px(double x) const { return x * k_scale; }
    double py(double y) const { return (m_h - y) * k_scale; }
    void path(const std::vector<Point>& pts) {
        m_lib.new_path(m_cr);
        m_lib.move_to(m_cr, px(pts[0].x), py(pts[0].y));
        for (std::size_t i = 1; i < pts.size(); ++i) m_lib.line_to(m_cr, px(pts[i].x), py(pts[i].y));
    }
    void colour_of(uint32_t c) {
        m_lib.set_source_rgb(m_cr, red_of(c) / 255.0, green_of(c) / 255.0, blue_of(c) / 255.0);
    }
    void stroke(const Pen& pen) {
        colour_of(pen.colour);
        m_lib.set_line_width(m_cr, std::max(pen.width * k_scale, 0.5));
        if (pen.off > 0) {
            const double dash[2] = {pen.on * k_scale, pen.off * k_scale};
            m_lib.set_dash(m_cr, dash, 2, 0);
        } else {
            m_lib.set_dash(m_cr, nullptr, 0, 0);
        }
        m_lib.stroke(m_cr);
    }
    const CairoLibrary& m_lib;
    cairo_t* m_cr;
    double m_h;
};

// Called from inside the library's C code: nothing may be thrown through it.
cairo_status_t append_bytes(void* closure, const unsigned char* data, unsigned int length) {
    try {
        static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    } catch (...) {
        return CAIRO_STATUS_NO_MEMORY;
    }
    return CAIRO_STATUS_SUCCESS;
}

// The picture and its drawing context, released however drawing ends (an
// allocation that fails while the scene is drawn unwinds through here).
struct Picture {
    Picture(const CairoLibrary& lib, int w, int h)
        : lib(lib), surface(lib.image_surface_create(CAIRO_FORMAT_RGB24, w, h)), cr(lib.create(surface)) {}
    ~Picture() {
        lib.destroy(cr);
        lib.surface_destroy(surface);
    }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
    const CairoLibrary& lib;
    cairo_surface_t* surface;
    cairo_t* cr;
};

}  // namespace

bool png_bytes(const Graph& g, int colour_model, std::string& png) {
    const CairoLibrary* lib = cairo_library();
    if (!lib) {
        runtime::run_message("Cannot draw PNG pictures: libcairo.so.2 could not be loaded");
        return false;
    }
    const int w = static_cast<int>(std::lround(k_paper_width * k_scale));
    const int h = static_cast<int>(std::lround(g.paper_height() * k_scale));
    const Picture p(*lib, w, h);
    lib->set_line_join(p.cr, CAIRO_LINE_JOIN_ROUND);
    lib->set_line_cap(p.cr, CAIRO_LINE_CAP_ROUND);
    CairoCanvas c(*lib, p.cr, g.paper_height());
    render(g, c, colour_model);
    lib->surface_flush(p.surface);
    png.clear();
    return lib->status(p.cr) == CAIRO_STATUS_SUCCESS &&
           lib->surface_write_to_png_stream(p.surface, append_bytes, &png) == CAIRO_STATUS_SUCCESS;
}

bool write_png(const Graph& g, const std::string& path, int colour_model) {
    std::string png;
    return png_bytes(g, colour_model, png) && save_file(path, png);
}

}  // namespace kj::graphics
