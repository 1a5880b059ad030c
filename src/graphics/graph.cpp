#include "graphics/graph.h"

#include <algorithm>

namespace kj::graphics {

int Graph::area_count() const {
    int n = 0;
    for (const DrawObject& o : objects) n = std::max(n, o.area + 1);
    return n;
}

DrawObject& Graph::add_object(int area, ObjectBody body) {
    int index = 0;
    for (const DrawObject& o : objects)
        if (o.area == area) ++index;
    return objects.emplace_back(DrawObject{area, index, std::move(body)});
}

int DrawObject::kind() const {
    static constexpr int kinds[] = {K_XY, K_Axis, K_Line, K_Hist, K_Area, K_Text, K_Legend};
    static_assert(std::size(kinds) == std::variant_size_v<ObjectBody>);
    return kinds[body.index()];
}

namespace {

std::unique_ptr<Graph> g_graph;
bool g_shown = false;

// Index 0 is the paper, 1 the foreground; series start at 2.
constexpr uint32_t k_default_colours[k_colour_count] = {
    0xFFFFFF, 0x000000, 0x0000FF, 0xFF0000, 0x008000, 0x800080, 0x0080FF, 0x808000,
    0x808080, 0x004080, 0xFFA000, 0xFF00FF, 0x006000, 0x008080, 0x800000, 0xC0C0C0,
};

void reset_layout(LayoutSettings& s) {
    LayoutSettings d;
    s.margin = d.margin;
    s.papercolor = d.papercolor;
    std::copy_n(d.box, 3, s.box);
    std::copy_n(d.grid, 2, s.grid);
    std::copy_n(d.font, 2, s.font);
    std::copy_n(d.axis, 3, s.axis);
    std::copy_n(d.axisline, 4, s.axisline);
    s.axiszeros = d.axiszeros;
    std::copy_n(d.axisformat, 4, s.axisformat);
    std::copy_n(d.legend, 2, s.legend);
    s.legendhide = d.legendhide;
    s.legendresize = d.legendresize;
    s.legendfontsize = d.legendfontsize;
    s.legendcolor = d.legendcolor;
    s.histogram = d.histogram;
    std::copy_n(d.xystyle, 2, s.xystyle);
    s.colormodel = d.colormodel;
    std::copy_n(d.printpage, 4, s.printpage);
}

uint32_t grey_of(uint32_t c) {
    const int g = static_cast<int>(0.3 * red_of(c) + 0.59 * green_of(c) + 0.11 * blue_of(c) + 0.5);
    return rgb(g, g, g);
}

void reset_lines(LayoutSettings& s) {
    for (int i = 0; i < k_colour_count; ++i) {
        s.line[i] = LineSetting{0, i < 2 ? 10 : 14, 10, 0};
        // Black and white: solid, then the three dash styles in turn.
        s.line_bw[i] = LineSetting{i < 2 ? 0 : (i - 2) % 4, i < 2 ? 10 : 14, 10, 0};
        s.colour[i] = k_default_colours[i];
        s.colour_bw[i] = i == 0 ? 0xFFFFFF : i < 8 ? 0 : grey_of(k_default_colours[i]);
        const int type = (i + 12) % 14;  // 2 (circle) for the first series
        s.symbol[i] = {stored_symbol_type(type), 90};
    }
}

void reset_palette(LayoutSettings& s) {
    for (int i = 0; i < k_palette_count; ++i) {
        s.palette_max[i] = k_default_colours[2 + i];
        s.palette_min[i] = 0xFFFFFF;
    }
}

int flag(int v) { return v == 1 ? 1 : 0; }

void set_line(LineSetting& l, const int v[5]) {
    l.type = std::clamp(v[1], 0, 4);
    l.width = v[2] > 0 ? v[2] : 10;
    l.on = v[3] > 0 ? v[3] : 10;
    l.off = std::max(v[4], 0);
}

bool valid_index(int i) { return i >= 0 && i < k_colour_count; }

}  // namespace

LayoutSettings& settings() {
    static LayoutSettings s = [] {
        LayoutSettings d;
        reset_lines(d);
        reset_palette(d);
        return d;
    }();
    return s;
}

void reset_settings(int part) {
    LayoutSettings& s = settings();
    if (part == 0 || part == 1) reset_layout(s);
    if (part == 0 || part == 2) reset_lines(s);
    if (part == 0 || part == 3) reset_palette(s);
}

int stored_symbol_type(int type) { return type > 13 || type == 5 || type < 0 ? 2 : type; }

void apply_set_draw(int option, const int v[5]) {
    LayoutSettings& s = settings();
    switch (option) {
    case 0: reset_settings(std::clamp(v[0], 0, 3)); break;
    case 1: s.margin = std::max(v[0], v[1]); break;
    case 2: for (int k = 0; k < 3; ++k) s.box[k] = flag(v[k]); break;
    case 3: s.font[0] = std::clamp(v[0], 0, 10); s.font[1] = v[1]; break;
    case 4: std::copy_n(v, 3, s.axis); break;
    case 5: for (int k = 0; k < 4; ++k) s.axisline[k] = flag(v[k]); break;
    case 6: std::copy_n(v, 2, s.grid); break;
    case 7: s.legend[0] = flag(v[0]); s.legend[1] = v[1]; break;
    case 8: s.legendhide = flag(v[0]); break;
    case 9: s.histogram = v[0]; break;
    case 10: if (valid_index(v[0])) s.colour[v[0]] = rgb(v[1], v[2], v[3]); break;
    case 11: if (valid_index(v[0])) s.symbol[v[0]] = {stored_symbol_type(v[1]), v[2]}; break;
    case 12: if (valid_index(v[0])) set_line(s.line[v[0]], v); break;
    case 13: s.colormodel = std::clamp(v[0], 0, 3); break;
    case 14: std::copy_n(v, 4, s.printpage); break;
    case 15: if (v[0] >= 0 && v[0] < k_palette_count) s.palette_max[v[0]] = rgb(v[1], v[2], v[3]); break;
    case 16: if (v[0] >= 0 && v[0] < k_palette_count) s.palette_min[v[0]] = rgb(v[1], v[2], v[3]); break;
    case 17: std::copy_n(v, 2, s.xystyle); break;
    case 18: s.papercolor = static_cast<int>(rgb(v[0], v[1], v[2])); break;
    case 19: if (valid_index(v[0])) s.colour_bw[v[0]] = rgb(v[1], v[2], v[3]); break;
    case 20: if (valid_index(v[0])) set_line(s.line_bw[v[0]], v); break;
    case 21: s.axiszeros = flag(v[0]); break;
    case 22: std::copy_n(v, 4, s.axisformat); break;
    case 23: s.legendresize = flag(v[0]); break;
    case 24: s.legendfontsize = v[0]; break;
    case 25: s.legendcolor = flag(v[0]); break;
    default: break;
    }
}

Graph& current_graph() {
    if (!g_graph || g_shown) {
        g_graph = std::make_unique<Graph>();
        g_shown = false;
    }
    return *g_graph;
}

Graph* current_graph_or_null() { return g_graph.get(); }
void mark_graph_shown() { g_shown = true; }
void discard_graph() {
    g_graph.reset();
    g_shown = false;
}
void set_current_graph(std::unique_ptr<Graph> g) {
    g_graph = std::move(g);
    g_shown = false;
}

}  // namespace kj::graphics
