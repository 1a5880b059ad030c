#include "graphics/draw_requests.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

#include "graphics/draw_statistics.h"
#include "graphics/graph.h"
#include "graphics/legend_layout.h"
#include "graphics/scene.h"
#include "graphics/writers.h"
#include "runtime/messages.h"

namespace kj::graphics {

namespace {

std::vector<double> series(const double* x, int n) {
    return x && n > 0 ? std::vector<double>(x, x + n) : std::vector<double>();
}
std::string text_of(const char* s) { return s ? s : ""; }
int int_at(const int* v, int n, int k, int fallback) { return v && k < n ? v[k] : fallback; }
double double_at(const double* v, int n, int k, double fallback) { return v && k < n ? v[k] : fallback; }

// Objects of the last series request, so that "Z" can reach them.
std::vector<std::size_t> g_last_series;

DrawObject& add_series(Graph& g, int area, const double* y, int n, const char* name, int style, int index) {
    DrawObject& o = g.add(K_XY, area);
    o.y.v = series(y, n);
    o.y.name = text_of(name);
    o.symbol[2] = style;
    o.third = index;
    return o;
}

// Points in three dimensions drawn as symbols of `factor` times the standard size.
void as_points(DrawObject& o, double factor) {
    o.symbol[2] = ST_Symbols;
    o.symbol[1] = std::isfinite(factor) ? std::clamp(static_cast<int>(std::lround(90 * factor)), 1, 5000) : 90;
}

// A surface over the grid of x (c values) and y (r values) with z r x c row
// by row, or over scattered points when x, y and z have one length. Mode 0
// draws the surface, any other the points as symbols scaled by `factor`.
int add_surface(Graph& g, int area, const double* x, int nx, const double* y, int ny, const double* z, int nz,
                int mode, int index, int rows, int cols, double factor) {
    const bool grid = nx > 0 && ny > 0 && rows == ny && cols == nx && nz == rows * cols;
    const bool points = nx > 0 && nx == ny && nx == nz;
    if (!grid && !points) {
        runtime::run_message("DrawXYZ(): z must be a grid of as many rows as y and columns as x, "
                             "or a vector as long as x and y");
        return 1;
    }
    DrawObject& o = g.add(K_XY, area);
    o.form = grid ? XY_Mesh : XY_Triangle;
    o.x.v = series(x, nx);
    o.y.v = series(y, ny);
    o.z.v = series(z, nz);
    o.mesh_cols = grid ? cols : 0;
    o.third = index;
    o.palette = std::clamp(index - 2, 0, k_palette_count - 1);
    if (mode != 0) as_points(o, factor);
    return 0;
}

// A series with a z value per observation becomes points in three
// dimensions, drawn as symbols scaled by `factor`.
int to_points(DrawObject& o, const double* z, int nz, const std::string& name, double factor) {
    const std::size_t n = o.y.v.size();
    if (nz <= 0 || static_cast<std::size_t>(nz) != n) {
        runtime::run_message("DrawZ(): three-dimensional points need one z value per observation");
        return 1;
    }
    std::vector<double> x(n);
    for (std::size_t t = 0; t < n; ++t) x[t] = x_of(o, t);
    o.form = XY_Triangle;
    o.x.v = std::move(x);
    o.z.v = series(z, nz);
    o.z.name = name;
    as_points(o, factor);
    o.palette = std::clamp(o.third - 2, 0, k_palette_count - 1);
    return 0;
}

int adjust(Graph& g, int type, int idx, const double* dv, int ndv) {
    const double d1 = double_at(dv, ndv, 0, -1), d2 = double_at(dv, ndv, 1, -1);
    DrawObject* last = g.objects.empty() ? nullptr : &g.objects.back();
    DrawObject* last_xy = nullptr;
    for (DrawObject& o : g.objects)
        if (o.kind == K_XY) last_xy = &o;
    auto area_object = [&](int area) -> DrawObject& {
        for (DrawObject& o : g.objects)
            if (o.kind == K_Area && o.area == area) return o;
        return g.add(K_Area, area);
    };
    switch (type) {
    case ADJ_AreaPixels: {
        if (idx < 0 || ndv < 4) return 1;
        DrawObject& a = area_object(idx);
        a.pixel = true;
        for (int k = 0; k < 4; ++k) a.pset[k] = static_cast<int>(dv[k]);
        return 0;
    }
    case ADJ_AreaX:
    case ADJ_AreaY:
    case ADJ_AreaZ: {
        if (idx < 0 || !(d2 > d1) || !std::isfinite(d2 - d1)) return 1;
        DrawObject& a = area_object(idx);
        (type == ADJ_AreaX ? a.has_world_x : type == ADJ_AreaY ? a.has_world_y : a.has_world_z) = true;
        double* r = type == ADJ_AreaX ? a.world_x : type == ADJ_AreaY ? a.world_y : a.world_z;
        r[0] = d1;
        r[1] = d2;
        return 0;
    }
    case ADJ_Area3D: {
        // Rotation, elevation, eye distance and zoom; -1 keeps a value.
        if (idx < 0) return 1;
        for (int k = 0; k < std::min(ndv, 4); ++k)
            if (!std::isfinite(dv[k])) return 1;
        DrawObject& a = area_object(idx);
        a.has_view3 = true;
        for (int k = 0; k < std::min(ndv, 4); ++k)
            if (dv[k] != -1) a.view3[k] = dv[k];
        return 0;
    }
    case ADJ_Colour:
        if (!last || d1 < 0) return 1;
        if (last->kind == K_Line)
            (last->pixel ? last->pset[4] : last->wset_index) = static_cast<int>(d1);
        else
            last->third = static_cast<int>(d1);
        return 0;
    case ADJ_Symbol:
        if (!last_xy) return 1;
        if (d1 >= 0) last_xy->symbol[0] = stored_symbol_type(static_cast<int>(d1));
        if (d2 >= 0) last_xy->symbol[1] = static_cast<int>(d2);
        return 0;
    case ADJ_IndexBase:
        if (!last_xy) return 1;
        last_xy->has_index_pos = true;
        last_xy->index_pos = d1;
        return 0;
    case ADJ_Scale:
        if (!last_xy) return 1;
        last_xy->scale[0] = d1;
        last_xy->scale[1] = d2 == -1 ? 0 : d2;
        return 0;
    case ADJ_Legend:
        if (idx < 0) return 1;
        adjust_legend(g, idx, d1, d2, double_at(dv, ndv, 2, -1));
        return 0;
    case ADJ_PaperScale:
        if (d1 < 10 || d1 > 1000) return 1;
        g.paper_percent = static_cast<int>(d1);
        return 0;
    default: return 1;
    }
}

}  // namespace

int default_draw(const char* command, int area, const double* x1, int n1, const char* label1, const double* x2,
                 int n2, const char* label2, const double* x3, int n3, const char* label3, int i1, int i2,
                 const int* iv, int niv, const double* dv, int ndv) {
    (void)x3, (void)n3, (void)label3;
    if (!command) return 1;
    const std::string_view cmd(command);
    if (cmd == "SetDrawOptions") {
        int v[5];
        for (int k = 0; k < 5; ++k) v[k] = int_at(iv, niv, k, 0);
        apply_set_draw(i1, v);
        return 0;
    }
    if (area < 0) area = 0;
    if (area >= k_max_areas) {
        runtime::run_message("Draw: area numbers go up to 999");
        return 1;
    }
    Graph& g = current_graph();
    const bool series_request = cmd == "Vector" || cmd == "TimeVector" || cmd == "DateVector" || cmd == "XVector";
    if (series_request) {
        // A new group starts with index 2, in another area or in a new graph.
        if (i2 == 2 || g_last_series.empty() || g_last_series.back() >= g.objects.size() ||
            g.objects[g_last_series.back()].area != area || g.objects[g_last_series.back()].kind != K_XY)
            g_last_series.clear();
        g_last_series.push_back(g.objects.size());
    }
    if (cmd == "Vector") {
        DrawObject& o = add_series(g, area, x1, n1, label1, i1, i2);
        o.xstart = double_at(dv, ndv, 0, 1);
        o.xstep = double_at(dv, ndv, 1, 1);
        return 0;
    }
    if (cmd == "TimeVector") {
        DrawObject& o = add_series(g, area, x1, n1, label1, i1, i2);
        const int year = int_at(iv, niv, 0, 1), period = int_at(iv, niv, 1, 1), freq = std::max(int_at(iv, niv, 2, 1), 1);
        o.freq = freq;
        o.xstart = year + (period - 1.0) / freq;
        o.xstep = 1.0 / freq;
        return 0;
    }
    if (cmd == "DateVector") {
        DrawObject& o = add_series(g, area, x1, std::min(n1, n2), label1, i1, i2);
        o.x.v = series(x2, std::min(n1, n2));
        o.freq = k_freq_dated;
        return 0;
    }
    if (cmd == "XVector") {
        DrawObject& o = add_series(g, area, x1, std::min(n1, n2), label1, i1, i2);
        o.x.v = series(x2, std::min(n1, n2));
        o.x.name = text_of(label2);
        return 0;
    }
    if (cmd == "Title") {
        DrawObject& o = g.add(K_Text, area);
        o.text = text_of(label1);
        o.text_set[0] = settings().font[0];
        o.text_set[1] = static_cast<int>(settings().font[1] * 1.2);
        o.text_set[2] = TEXT_Title;
        return 0;
    }
    if (cmd == "Line" || cmd == "Symbol" || cmd == "Symbol3") {
        const bool three = cmd == "Symbol3" || (cmd == "Line" && i2 == 1);
        const int need = three ? 6 : 4;
        if (ndv < need) return 1;
        DrawObject& o = g.add(K_Line, area);
        const int yk = 1, x2k = three ? 3 : 2, y2k = three ? 4 : 3;
        o.wset[0] = dv[0], o.wset[1] = dv[yk], o.wset[2] = dv[x2k], o.wset[3] = dv[y2k];
        if (three) {
            o.has_z3 = true;
            o.z3[0] = dv[2];
            o.z3[1] = dv[5];
        }
        if (cmd == "Line") {
            o.wset_index = i1;
        } else {
            o.third = stored_symbol_type(i1) + 1;
            o.wset_index = i2;
        }
        return 0;
    }
    if (cmd == "PLine" || cmd == "PSymbol") {
        if (niv < 4) return 1;
        DrawObject& o = g.add(K_Line, area);
        o.pixel = true;
        std::copy_n(iv, 4, o.pset);
        if (cmd == "PLine") {
            o.pset[4] = i1;
        } else {
            o.third = stored_symbol_type(i1) + 1;
            o.pset[4] = i2;
        }
        return 0;
    }
    if (cmd == "Text3" || cmd == "PText") {
        DrawObject& o = g.add(K_Text, area);
        o.text = text_of(label1);
        const int k = cmd == "PText" ? 2 : 0;
        o.text_set[0] = int_at(iv, niv, k, -1) >= 0 ? std::min(int_at(iv, niv, k, -1), 10) : settings().font[0];
        o.text_set[1] = int_at(iv, niv, k + 1, -1) > 0 ? int_at(iv, niv, k + 1, -1) : settings().font[1];
        o.text_set[2] = std::clamp(int_at(iv, niv, k + 2, 0), 0, 4);
        o.rot = int_at(iv, niv, k + 3, 0);
        if (cmd == "PText") {
            o.pos[0] = int_at(iv, niv, 0, 0);
            o.pos[1] = int_at(iv, niv, 1, 0);
        } else {
            o.world_text = true;
            o.text_world[0] = double_at(dv, ndv, 0, 0);
            o.text_world[1] = double_at(dv, ndv, 1, 0);
            o.z3[0] = double_at(dv, ndv, 2, 0);
            o.has_z3 = o.z3[0] != 0;
        }
        return 0;
    }
    if (cmd == "PLegend") {
        DrawObject& o = g.add(K_Legend, area);
        o.pos[0] = i1;
        o.pos[1] = i2;
        o.legend_flag = int_at(iv, niv, 0, 0) == 1 ? 1 : 0;
        return 0;
    }
    if (cmd == "Axis3" || cmd == "AxisAuto3") {
        DrawObject& o = g.add(K_Axis, area);
        o.dir = i1 == 1 ? 'x' : i1 == 2 ? 'z' : 'y';
        if (cmd == "AxisAuto3") {
            o.label[0] = i2 != 0;
            o.label[2] = int_at(iv, niv, 0, ANCHOR_Min);
            o.anchor2 = double_at(dv, ndv, 0, 0);
            return 0;
        }
        if (ndv < 6 || !(dv[2] > dv[1])) {
            runtime::run_message("DrawAxis(): the axis maximum must exceed its minimum");
            g.objects.pop_back();
            return 1;
        }
        o.automatic = false;
        // Stored as min, max, large step, first tick, anchor, small step.
        const double v[6] = {dv[1], dv[2], dv[4], dv[3], dv[0], dv[5]};
        std::copy_n(v, 6, o.ax);
        o.anchor2 = double_at(dv, ndv, 6, 0);
        o.axis_type = i2 > 1 ? AX_Time : AX_Plain;
        o.label[1] = i2;
        return 0;
    }
    if (cmd == "DrawAdjust") return adjust(g, i1, i2, dv, ndv);
    if (cmd == "Histogram") {
        DrawObject& o = g.add(K_Hist, area);
        o.values = series(x1, n1);
        o.third = i1;
        o.hist_fill = i2;
        o.hist[0] = double_at(dv, ndv, 0, 0);
        o.hist[1] = double_at(dv, ndv, 1, 1);
        return 0;
    }
    if (cmd == "Z") {
        if (g_last_series.empty()) return 1;
        const std::size_t k = static_cast<std::size_t>(std::max(i2 - 2, 0));
        const std::size_t at = g_last_series[std::min(k, g_last_series.size() - 1)];
        if (at >= g.objects.size() || g.objects[at].kind != K_XY) return 1;
        if (i1 == ZM_3D) return to_points(g.objects[at], x1, n1, text_of(label1), ndv > 0 ? dv[0] : 1);
        g.objects[at].z.v = series(x1, n1);
        g.objects[at].z.name = text_of(label1);
        g.objects[at].zmode = i1;
        g.objects[at].z_factor = ndv > 0 && std::isfinite(dv[0]) ? dv[0] : 1;
        return 0;
    }
    if (cmd == "3D") return add_surface(g, area, x1, n1, x2, n2, x3, n3, i1, i2, int_at(iv, niv, 0, 0),
                                         int_at(iv, niv, 1, 0), double_at(dv, ndv, 0, 1));
    const StatRequest r{area, x1, n1, label1, i1, i2, iv, niv, dv, ndv};
    if (cmd == "Density") return draw_density(g, r);
    if (cmd == "QQ") return draw_qq(g, r);
    if (cmd == "BoxPlot") return draw_boxplot(g, r);
    if (cmd == "Correlogram") return draw_correlogram(g, r, false);
    if (cmd == "Acf") return draw_correlogram(g, r, true);
    if (cmd == "Spectrum") return draw_spectrum(g, r);
    return 1;
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
