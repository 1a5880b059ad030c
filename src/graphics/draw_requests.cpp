#include "graphics/draw_requests.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

#include "graphics/draw_request.h"
#include "graphics/draw_statistics.h"
#include "graphics/graph.h"
#include "graphics/legend_layout.h"
#include "graphics/scene.h"
#include "graphics/writers.h"
#include "runtime/messages.h"

namespace kj::graphics {

namespace {

// Objects of the last series request, so that "Z" can reach them.
std::vector<std::size_t> g_last_series;

XYObject& add_series(Graph& g, const DrawRequest& r, int n) {
    XYObject& o = g.add<XYObject>(r.area);
    o.y.v = r.s1.values(n);
    o.y.name = r.s1.name();
    o.symbol.style = r.i1;
    o.colour = r.i2;
    return o;
}

// Points in three dimensions drawn as symbols of `factor` times the standard size.
void as_points(XYObject& o, double factor) {
    o.symbol.style = ST_Symbols;
    o.symbol.size = std::isfinite(factor) ? std::clamp(static_cast<int>(std::lround(90 * factor)), 1, 5000) : 90;
}

// A series with a z value per observation becomes points in three
// dimensions, drawn as symbols scaled by `factor`.
int to_points(XYObject& o, const DrawRequest& r, double factor) {
    const std::size_t n = o.y.v.size();
    if (r.s1.n <= 0 || static_cast<std::size_t>(r.s1.n) != n) {
        runtime::run_message("DrawZ(): three-dimensional points need one z value per observation");
        return 1;
    }
    std::vector<double> x(n);
    for (std::size_t t = 0; t < n; ++t) x[t] = x_of(o, t);
    o.form = XY_Triangle;
    o.x.v = std::move(x);
    o.z.v = r.s1.values();
    o.z.name = r.s1.name();
    as_points(o, factor);
    o.palette = std::clamp(o.colour - 2, 0, k_palette_count - 1);
    return 0;
}

AreaObject& area_object(Graph& g, int area) {
    for (DrawObject& o : g.objects)
        if (AreaObject* a = o.as<AreaObject>(); a && o.area == area) return *a;
    return g.add<AreaObject>(area);
}

XYObject* last_series(Graph& g) {
    XYObject* last = nullptr;
    for (DrawObject& o : g.objects)
        if (XYObject* xy = o.as<XYObject>()) last = xy;
    return last;
}

// DrawAdjust: the type in i1, the area (or -1) in i2, up to four doubles.
int adjust(Graph& g, const DrawRequest& r) {
    const int type = r.i1, idx = r.i2;
    const double d1 = r.double_at(0, -1), d2 = r.double_at(1, -1);
    switch (type) {
    case ADJ_AreaPixels: {
        if (idx < 0 || r.ndv < 4) return 1;
        const double* d = r.dv;
        area_object(g, idx).paper =
            PaperBox{static_cast<int>(d[0]), static_cast<int>(d[1]), static_cast<int>(d[2]), static_cast<int>(d[3])};
        return 0;
    }
    case ADJ_AreaX:
    case ADJ_AreaY:
    case ADJ_AreaZ: {
        if (idx < 0 || !(d2 > d1) || !std::isfinite(d2 - d1)) return 1;
        AreaObject& a = area_object(g, idx);
        (type == ADJ_AreaX ? a.world_x : type == ADJ_AreaY ? a.world_y : a.world_z) = Interval{d1, d2};
        return 0;
    }
    case ADJ_Area3D: {
        // Rotation, elevation, eye distance and zoom; -1 keeps a value.
        if (idx < 0) return 1;
        const int n = std::min(r.ndv, 4);
        for (int k = 0; k < n; ++k)
            if (!std::isfinite(r.dv[k])) return 1;
        AreaObject& a = area_object(g, idx);
        ViewSetting& v = a.view3 ? *a.view3 : a.view3.emplace();
        double* fields[4] = {&v.rotation, &v.elevation, &v.distance, &v.zoom};
        for (int k = 0; k < n; ++k)
            if (r.dv[k] != -1) *fields[k] = r.dv[k];
        return 0;
    }
    case ADJ_Colour: {
        if (g.objects.empty() || d1 < 0) return 1;
        const int index = static_cast<int>(d1);
        std::visit(
            [index](auto& o) {
                if constexpr (requires { o.colour; }) o.colour = index;
            },
            g.objects.back().body);
        return 0;
    }
    case ADJ_Symbol: {
        XYObject* xy = last_series(g);
        if (!xy) return 1;
        if (d1 >= 0) xy->symbol.type = stored_symbol_type(static_cast<int>(d1));
        if (d2 >= 0) xy->symbol.size = static_cast<int>(d2);
        return 0;
    }
    case ADJ_IndexBase: {
        XYObject* xy = last_series(g);
        if (!xy) return 1;
        xy->index_base = d1;
        return 0;
    }
    case ADJ_Scale: {
        XYObject* xy = last_series(g);
        if (!xy) return 1;
        xy->scale_factor = d1;
        xy->scale_shift = d2 == -1 ? 0 : d2;
        return 0;
    }
    case ADJ_Legend:
        if (idx < 0) return 1;
        adjust_legend(g, idx, d1, d2, r.double_at(2, -1));
        return 0;
    case ADJ_PaperScale:
        if (d1 < 10 || d1 > 1000) return 1;
        g.paper_percent = static_cast<int>(d1);
        return 0;
    default: return 1;
    }
}

// The handlers, one per request name.

int draw_vector(Graph& g, const DrawRequest& r) {
    XYObject& o = add_series(g, r, r.s1.n);
    o.xstart = r.double_at(0, 1);
    o.xstep = r.double_at(1, 1);
    return 0;
}

int draw_time_vector(Graph& g, const DrawRequest& r) {
    XYObject& o = add_series(g, r, r.s1.n);
    const int year = r.int_at(0, 1), period = r.int_at(1, 1), freq = std::max(r.int_at(2, 1), 1);
    o.freq = freq;
    o.xstart = year + (period - 1.0) / freq;
    o.xstep = 1.0 / freq;
    return 0;
}

int draw_date_vector(Graph& g, const DrawRequest& r) {
    const int n = std::min(r.s1.n, r.s2.n);
    XYObject& o = add_series(g, r, n);
    o.x.v = r.s2.values(n);
    o.freq = k_freq_dated;
    return 0;
}

int draw_x_vector(Graph& g, const DrawRequest& r) {
    const int n = std::min(r.s1.n, r.s2.n);
    XYObject& o = add_series(g, r, n);
    o.x.v = r.s2.values(n);
    o.x.name = r.s2.name();
    return 0;
}

int draw_title(Graph& g, const DrawRequest& r) {
    TextObject& o = g.add<TextObject>(r.area);
    o.text = r.s1.name();
    o.font = settings().font[0];
    o.size = static_cast<int>(settings().font[1] * 1.2);
    o.role = TEXT_Title;
    return 0;
}

// A line takes its colour index from i1; a symbol its type from i1 and its
// colour index from i2.
void line_or_symbol(LineObject& o, const DrawRequest& r, bool line) {
    if (line) {
        o.colour = r.i1;
    } else {
        o.symbol = stored_symbol_type(r.i1) + 1;
        o.colour = r.i2;
    }
}

// "Line" (i2 1: with z), "Symbol" and "Symbol3" in world coordinates: x1,
// y1, (z1,) x2, y2, (z2) in the doubles.
int draw_world_line(Graph& g, const DrawRequest& r) {
    const bool line = r.command == "Line";
    const bool three = r.command == "Symbol3" || (line && r.i2 == 1);
    if (r.ndv < (three ? 6 : 4)) return 1;
    LineObject& o = g.add<LineObject>(r.area);
    const double* d = r.dv;
    o.x1 = d[0], o.y1 = d[1];
    o.x2 = d[three ? 3 : 2], o.y2 = d[three ? 4 : 3];
    if (three) o.z = Interval{d[2], d[5]};
    line_or_symbol(o, r, line);
    return 0;
}

// "PLine" and "PSymbol": the two corners in the first four ints.
int draw_paper_line(Graph& g, const DrawRequest& r) {
    if (r.niv < 4) return 1;
    LineObject& o = g.add<LineObject>(r.area);
    o.pixel = true;
    o.paper = PaperBox{r.iv[0], r.iv[1], r.iv[2], r.iv[3]};
    line_or_symbol(o, r, r.command == "PLine");
    return 0;
}

// "Text3" (world position and z in the doubles) and "PText" (paper
// position in the first two ints); then font, size, role and rotation.
int draw_text(Graph& g, const DrawRequest& r) {
    TextObject& o = g.add<TextObject>(r.area);
    o.text = r.s1.name();
    const bool paper = r.command == "PText";
    const int k = paper ? 2 : 0;
    o.font = r.int_at(k, -1) >= 0 ? std::min(r.int_at(k, -1), 10) : settings().font[0];
    o.size = r.int_at(k + 1, -1) > 0 ? r.int_at(k + 1, -1) : settings().font[1];
    o.role = std::clamp(r.int_at(k + 2, 0), 0, 4);
    o.rot = r.int_at(k + 3, 0);
    if (paper) {
        o.x = r.int_at(0, 0);
        o.y = r.int_at(1, 0);
    } else {
        o.world = true;
        o.wx = r.double_at(0, 0);
        o.wy = r.double_at(1, 0);
        if (const double z = r.double_at(2, 0); z != 0) o.z = z;
    }
    return 0;
}

int draw_legend(Graph& g, const DrawRequest& r) {
    LegendObject& o = g.add<LegendObject>(r.area);
    o.x = r.i1;
    o.y = r.i2;
    o.hidden = r.int_at(0, 0) == 1 ? 1 : 0;
    return 0;
}

// "Axis3" and "AxisAuto3": the direction in i1 (1 x, 2 z, else y).
int draw_axis(Graph& g, const DrawRequest& r) {
    const bool automatic = r.command == "AxisAuto3";
    if (!automatic && (r.ndv < 6 || !(r.dv[2] > r.dv[1]))) {
        runtime::run_message("DrawAxis(): the axis maximum must exceed its minimum");
        return 1;
    }
    AxisObject& o = g.add<AxisObject>(r.area);
    o.dir = r.i1 == 1 ? 'x' : r.i1 == 2 ? 'z' : 'y';
    if (automatic) {
        o.shown = r.i2 != 0;
        o.anchor_mode = r.int_at(0, ANCHOR_Min);
        o.anchor2 = r.double_at(0, 0);
        return 0;
    }
    // The doubles: anchor, min, max, first tick, step, small step, second anchor.
    const double* d = r.dv;
    o.fixed = FixedAxis{d[1], d[2], d[4], d[3], d[0], d[5], r.i2 > 1 ? AX_Time : AX_Plain};
    o.anchor2 = r.double_at(6, 0);
    o.label_freq = r.i2;
    return 0;
}

int draw_histogram(Graph& g, const DrawRequest& r) {
    HistObject& o = g.add<HistObject>(r.area);
    o.values = r.s1.values();
    o.colour = r.i1;
    o.fill = r.i2;
    o.first_edge = r.double_at(0, 0);
    o.bar_width = r.double_at(1, 1);
    return 0;
}

// "Z": the third dimension of series i2 - 2 of the last series request.
int draw_z(Graph& g, const DrawRequest& r) {
    if (g_last_series.empty()) return 1;
    const std::size_t k = static_cast<std::size_t>(std::max(r.i2 - 2, 0));
    const std::size_t at = g_last_series[std::min(k, g_last_series.size() - 1)];
    XYObject* o = at < g.objects.size() ? g.objects[at].as<XYObject>() : nullptr;
    if (!o) return 1;
    if (r.i1 == ZM_3D) return to_points(*o, r, r.ndv > 0 ? r.dv[0] : 1);
    o->z.v = r.s1.values();
    o->z.name = r.s1.name();
    o->zmode = r.i1;
    o->z_factor = r.ndv > 0 && std::isfinite(r.dv[0]) ? r.dv[0] : 1;
    return 0;
}

// "3D": a surface over the grid of x (c values) and y (r values) with z
// r x c row by row, or over scattered points when x, y and z have one
// length. Mode i1 0 draws the surface, any other the points as symbols
// scaled by the first double.
int draw_surface(Graph& g, const DrawRequest& r) {
    const int nx = r.s1.n, ny = r.s2.n, nz = r.s3.n, rows = r.int_at(0, 0), cols = r.int_at(1, 0);
    const bool grid = nx > 0 && ny > 0 && rows == ny && cols == nx && nz == rows * cols;
    const bool points = nx > 0 && nx == ny && nx == nz;
    if (!grid && !points) {
        runtime::run_message("DrawXYZ(): z must be a grid of as many rows as y and columns as x, "
                             "or a vector as long as x and y");
        return 1;
    }
    XYObject& o = g.add<XYObject>(r.area);
    o.form = grid ? XY_Mesh : XY_Triangle;
    o.x.v = r.s1.values();
    o.y.v = r.s2.values();
    o.z.v = r.s3.values();
    o.mesh_cols = grid ? cols : 0;
    o.colour = r.i2;
    o.palette = std::clamp(r.i2 - 2, 0, k_palette_count - 1);
    if (r.i1 != 0) as_points(o, r.double_at(0, 1));
    return 0;
}

int draw_acf(Graph& g, const DrawRequest& r) { return draw_correlogram(g, r, true); }
int draw_plain_correlogram(Graph& g, const DrawRequest& r) { return draw_correlogram(g, r, false); }
int draw_adjust(Graph& g, const DrawRequest& r) { return adjust(g, r); }

struct Handler {
    std::string_view name;
    int (*draw)(Graph&, const DrawRequest&);
    bool series;  // a series request, which "Z" may refer to
};

constexpr Handler k_handlers[] = {
    {"Vector", draw_vector, true},
    {"TimeVector", draw_time_vector, true},
    {"DateVector", draw_date_vector, true},
    {"XVector", draw_x_vector, true},
    {"Title", draw_title, false},
    {"Line", draw_world_line, false},
    {"Symbol", draw_world_line, false},
    {"Symbol3", draw_world_line, false},
    {"PLine", draw_paper_line, false},
    {"PSymbol", draw_paper_line, false},
    {"Text3", draw_text, false},
    {"PText", draw_text, false},
    {"PLegend", draw_legend, false},
    {"Axis3", draw_axis, false},
    {"AxisAuto3", draw_axis, false},
    {"DrawAdjust", draw_adjust, false},
    {"Histogram", draw_histogram, false},
    {"Z", draw_z, false},
    {"3D", draw_surface, false},
    {"Density", draw_density, false},
    {"QQ", draw_qq, false},
    {"BoxPlot", draw_boxplot, false},
    {"Correlogram", draw_plain_correlogram, false},
    {"Acf", draw_acf, false},
    {"Spectrum", draw_spectrum, false},
};

const Handler* handler_of(std::string_view name) {
    for (const Handler& h : k_handlers)
        if (h.name == name) return &h;
    return nullptr;
}

}  // namespace

int default_draw(const DrawRequest& r) {
    if (r.command == "SetDrawOptions") {
        int v[5];
        for (int k = 0; k < 5; ++k) v[k] = r.int_at(k, 0);
        apply_set_draw(r.i1, v);
        return 0;
    }
    if (r.area >= k_max_areas) {
        runtime::run_message("Draw: area numbers go up to 999");
        return 1;
    }
    const Handler* h = handler_of(r.command);
    // An unknown request still starts the graph, as every request does.
    Graph& g = current_graph();
    if (!h) return 1;
    DrawRequest req = r;
    req.area = std::max(r.area, 0);
    if (h->series) {
        // A new group starts with index 2, in another area or in a new graph.
        const std::size_t last = g_last_series.empty() ? 0 : g_last_series.back();
        if (req.i2 == 2 || g_last_series.empty() || last >= g.objects.size() || g.objects[last].area != req.area ||
            !g.objects[last].as<XYObject>())
            g_last_series.clear();
        g_last_series.push_back(g.objects.size());
    }
    return h->draw(g, req);
}

int default_draw(const char* command, int area, const double* x1, int n1, const char* label1, const double* x2,
                 int n2, const char* label2, const double* x3, int n3, const char* label3, int i1, int i2,
                 const int* iv, int niv, const double* dv, int ndv) {
    if (!command) return 1;
    return default_draw(DrawRequest{command, area, {x1, n1, label1}, {x2, n2, label2}, {x3, n3, label3}, i1, i2, iv,
                                    niv, dv, ndv});
}

namespace {

bool has_extension(const std::string& path, const char* ext) {
    const std::size_t n = std::strlen(ext);
    if (path.size() < n) return false;
    for (std::size_t k = 0; k < n; ++k)
        if (std::tolower(static_cast<unsigned char>(path[path.size() - n + k])) != ext[k]) return false;
    return true;
}

// The extension starts after the last dot of the last path component.
bool has_no_extension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    return dot == std::string::npos || (slash != std::string::npos && dot < slash);
}

std::string with_gwg_extension(const std::string& path) {
    if (has_no_extension(path)) return path + ".gwg";
    return path.substr(0, path.find_last_of('.')) + ".gwg";
}

}  // namespace

int colour_model_of(const Graph& g) { return g.mode[0] > 3 || g.mode[0] <= 0 ? 99 : g.mode[0]; }

bool save_current_graph(const std::string& path) {
    const Graph* g = current_graph_or_null();
    if (!g || path.empty()) return false;
    const int model = colour_model_of(*g);
    bool ok;
    if (has_extension(path, ".ps"))
        ok = write_postscript(*g, path, true, model);
    else if (has_extension(path, ".eps") || has_no_extension(path))
        ok = write_postscript(*g, path, false, model);
    else if (has_extension(path, ".pdf"))
        ok = write_pdf(*g, path, model);
    else if (has_extension(path, ".svg"))
        ok = write_svg(*g, path, 100, model);
    else if (has_extension(path, ".png"))
        ok = write_png(*g, path, model);
    else
        return write_gwg(*g, path);
    return ok && write_gwg(*g, with_gwg_extension(path));
}

int default_draw_window(const char* action, const char* argument) {
    if (!action) return 1;
    const std::string_view a(action);
    if (a == "Save") {
        if (current_graph_or_null() && !save_current_graph(argument ? argument : ""))
            runtime::run_message((std::string("Cannot save graph to ") + (argument ? argument : "")).c_str());
    } else if (a == "Show") {
        runtime::run_message("Cannot show draw window!");
        mark_graph_shown();
    } else if (a == "Close") {
        discard_graph();
    }
    return 1;
}

}  // namespace kj::graphics
