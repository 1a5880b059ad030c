#include "graphics/legend_layout.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "graphics/graph.h"
#include "graphics/scene.h"
#include "graphics/text_metrics.h"

namespace kj::graphics {

namespace {

constexpr double k_sample = 550;  // the sample line or symbol and the gap before the text
constexpr double k_gap = 300;     // between columns
constexpr double k_inset = 300;   // between a legend in a corner and the frame
constexpr double k_point = 40;    // half the side of the square a data point occupies

struct Box {
    double x0, y0, x1, y1;
};

Box normal(double x0, double y0, double x1, double y1) {
    return {std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
}

bool overlap(const Box& a, const Box& b) { return a.x0 <= b.x1 && b.x0 <= a.x1 && a.y0 <= b.y1 && b.y0 <= a.y1; }

// Whether the segment from (s.x0, s.y0) to (s.x1, s.y1) meets box b
// (parametric clipping against the four sides).
bool crosses(const Box& s, const Box& b) {
    double t0 = 0, t1 = 1;
    auto clip = [&](double p, double q) {
        if (p == 0) return q >= 0;
        const double r = q / p;
        if (p < 0) {
            if (r > t1) return false;
            t0 = std::max(t0, r);
        } else {
            if (r < t0) return false;
            t1 = std::min(t1, r);
        }
        return true;
    };
    const double dx = s.x1 - s.x0, dy = s.y1 - s.y0;
    return clip(-dx, s.x0 - b.x0) && clip(dx, b.x1 - s.x0) && clip(-dy, s.y0 - b.y0) && clip(dy, b.y1 - s.y0);
}

// What the drawing of an area covers on paper: data points and filled bars
// as boxes, lines as segments.
struct Covered {
    std::vector<Box> boxes, segments;

    void segment(double x0, double y0, double x1, double y1) {
        if (std::isfinite(x0 + y0 + x1 + y1)) segments.push_back({x0, y0, x1, y1});
    }
    void box(const Box& b) {
        if (std::isfinite(b.x0 + b.y0 + b.x1 + b.y1)) boxes.push_back(b);
    }
    int count(const Box& b) const {
        int n = 0;
        for (const Box& c : boxes) n += overlap(c, b);
        for (const Box& s : segments) n += crosses(s, b);
        return n;
    }
};

void cover_series(const XYObject& o, const AreaFrame& f, Covered& c) {
    const LayoutSettings& s = settings();
    const std::size_t n = o.y.v.size();
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), std::size_t{0});
    if (!o.x.v.empty() && s.xystyle[1] != 1)
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return x_of(o, a) < x_of(o, b); });
    const int style = o.symbol.style;
    const bool joined = style == ST_Line || style == ST_LineSymbols || style == ST_Shading;
    const bool from_base = style == ST_Index || style == ST_Bars || style == ST_Shading;
    const double base = f.py(std::clamp(o.index_base.value_or(0.0), f.ymin, f.ymax));
    bool have_prev = false;
    Point prev{0, 0};
    for (const std::size_t t : order) {
        const double y = o.y.v[t];
        const Point q{f.px(x_of(o, t)), f.py(y * o.scale_factor + o.scale_shift)};
        if (!std::isfinite(q.x) || !std::isfinite(q.y)) {
            have_prev = false;
            continue;
        }
        c.box({q.x - k_point, q.y - k_point, q.x + k_point, q.y + k_point});
        if (joined && have_prev) c.segment(prev.x, prev.y, q.x, q.y);
        if (from_base) c.segment(q.x, base, q.x, q.y);
        if (t < o.z.v.size() && std::isfinite(o.z.v[t])) {
            const double d = o.z_factor * o.z.v[t];
            if (zmode_spreads(o.zmode)) c.segment(q.x, f.py(y - d), q.x, f.py(y + d));
            if (o.zmode == ZM_HiLo) c.segment(q.x, q.y, q.x, f.py(o.z.v[t]));
        }
        prev = q;
        have_prev = true;
    }
}

Covered covered(const Graph& g, int area, const AreaFrame& f) {
    Covered c;
    for (const DrawObject& d : g.objects) {
        if (d.area != area) continue;
        if (const XYObject* xy = d.as<XYObject>(); xy && xy->form == XY_Plain) {
            cover_series(*xy, f, c);
        } else if (const HistObject* h = d.as<HistObject>()) {
            const double base = f.py(std::clamp(0.0, f.ymin, f.ymax));
            for (std::size_t j = 0; j < h->values.size(); ++j)
                c.box(normal(f.px(h->first_edge + h->bar_width * static_cast<double>(j)), base,
                             f.px(h->first_edge + h->bar_width * static_cast<double>(j + 1)), f.py(h->values[j])));
        } else if (const LineObject* l = d.as<LineObject>()) {
            const LineObject& o = *l;
            const double x0 = o.pixel ? o.paper.x1 : f.px(o.x1), y0 = o.pixel ? o.paper.y1 : f.py(o.y1);
            const double x1 = o.pixel ? o.paper.x2 : f.px(o.x2), y1 = o.pixel ? o.paper.y2 : f.py(o.y2);
            if (o.symbol > 0)
                c.box(normal(x0, y0, x1, y1));
            else
                c.segment(x0, y0, x1, y1);
        }
    }
    return c;
}

std::vector<const std::string*> entry_names(const Graph& g, int area) {
    std::vector<const std::string*> names;
    g.each<XYObject>(area, [&](const XYObject& o) {
        if (!o.y.name.empty()) names.push_back(&o.y.name);
    });
    return names;
}

LegendBox sized(const std::vector<const std::string*>& names, int size, int columns) {
    LegendBox b;
    b.shown = true;
    b.size = size;
    b.unit = size / 300.0;
    b.entries = static_cast<int>(names.size());
    b.columns = std::clamp(columns, 1, std::max(b.entries, 1));
    double widest = 0;
    for (const std::string* s : names) widest = std::max(widest, legend_text_width(*s, size));
    b.row = 1.3 * size;
    b.column = (k_sample + k_gap) * b.unit + widest;
    const int rows = (b.entries + b.columns - 1) / b.columns;
    b.width = b.columns * b.column - k_gap * b.unit;
    b.height = rows * b.row;
    return b;
}

// The box a legend must keep free of data, with a little air around it.
Box keep_free(const LegendBox& b) {
    const double air = 0.25 * b.size;
    return {b.left - air, b.top - b.height - air, b.left + b.width + air, b.top + air};
}

// The corners in the order they are tried; false when the legend is
// larger than the plot.
bool corner(LegendBox& b, const AreaFrame& f, int k) {
    if (b.width > f.right - f.left - 2 * k_inset || b.height > f.top - f.bottom - 2 * k_inset) return false;
    const bool right = k == 1 || k == 2, bottom = k >= 2;
    b.left = right ? f.right - k_inset - b.width : f.left + k_inset;
    b.top = bottom ? f.bottom + k_inset + b.height : f.top - k_inset;
    return true;
}

}  // namespace

double legend_text_width(const std::string& utf8, double size) { return text_width(utf8, settings().font[0], size); }

void adjust_legend(Graph& g, int area, double columns, double dx, double dy) {
    LegendObject* legend = nullptr;
    for (DrawObject& o : g.objects)
        if (LegendObject* l = o.as<LegendObject>(); l && o.area == area) legend = l;
    if (!legend) legend = &g.add<LegendObject>(area);
    if (columns >= 1) legend->columns = static_cast<int>(std::min(columns, 100.0));
    const bool at = dx >= 0 && dy >= 0 && dx < 1e6 && dy < 1e6;
    legend->automatic = at ? 0 : 1;
    if (at) {
        legend->x = static_cast<int>(dx);
        legend->y = static_cast<int>(dy);
    }
}

LegendBox place_legend(const Graph& g, int area, AreaFrame& f) {
    const LayoutSettings& s = settings();
    const LegendObject* placed = g.last<LegendObject>(area);
    const std::vector<const std::string*> names = entry_names(g, area);
    if (s.legendhide == 1 || names.empty() || (placed && placed->hidden)) return {};
    const int columns = placed && placed->columns > 0 ? placed->columns : s.legend[1];
    const int size = f.scaled(s.legendfontsize > 0 ? s.legendfontsize : 300);
    LegendBox b = sized(names, size, columns);
    if (placed && placed->automatic != 1) {  // put there by the program
        b.left = f.left + placed->x;
        b.top = f.top - placed->y;
        return b;
    }
    if (s.legend[0] != 1) {  // automatic placement off: the top-left corner
        b.left = f.left + k_inset;
        b.top = f.top - k_inset;
        return b;
    }
    const Covered data = covered(g, area, f);
    LegendBox least;
    int fewest = -1;
    for (const int sz : {size, s.legendresize == 1 ? size * 4 / 5 : 0})
        for (const int cols : {b.columns, b.columns > 1 ? 1 : 0}) {
            if (sz <= 0 || cols <= 0) continue;
            LegendBox t = sized(names, sz, cols);
            for (int k = 0; k < 4; ++k) {
                if (!corner(t, f, k)) continue;
                const int n = data.count(keep_free(t));
                if (n == 0) return t;
                if (fewest < 0 || n < fewest) fewest = n, least = t;
            }
        }
    // Below the plot, as many entries side by side as fit: the x labels
    // (and the dates under times of day, and an axis label) come first.
    const double font = f.font;
    const double tick = tick_length(s);
    const double labels = 1.6 * font - std::min(tick, 0.0) + (f.xdate >= DL_Minute ? 1.1 * font : 0) +
                          (has_role(g, area, TEXT_XLabel) ? 1.3 * font : 0);
    const double plot_width = f.right - f.left;
    const int across = static_cast<int>(std::floor((plot_width + k_gap) / std::max(b.column, 1.0)));
    LegendBox below = sized(names, size, std::clamp(across, 1, b.entries));
    const double bottom = f.bottom + below.height;
    if (below.width <= plot_width && f.top - bottom >= std::max(500.0, 0.75 * (f.top - f.bottom))) {
        f.bottom = bottom;
        below.outside = true;
        below.left = (f.left + f.right - below.width) / 2;
        below.top = f.bottom - labels;
        return below;
    }
    if (fewest >= 0) return least;
    // Larger than the plot: one column in the top-left corner, at a size
    // that keeps it inside.
    LegendBox one = sized(names, size, 1);
    const double room = f.right - f.left - 2 * k_inset;
    if (one.width > room && room > 0) one = sized(names, std::max(1, static_cast<int>(size * room / one.width)), 1);
    one.left = f.left + k_inset;
    one.top = f.top - k_inset;
    return one;
}

}  // namespace kj::graphics
