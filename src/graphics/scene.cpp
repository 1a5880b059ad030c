#include "graphics/scene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "graphics/scene_3d.h"
#include "graphics/text_metrics.h"

namespace kj::graphics {

SymbolShape symbol_shape(int type) {
    switch (type) {
    case 0: return {SH_Box, false};
    case 1: return {SH_Plus, false};
    case 3: return {SH_Dash, false};
    case 4: return {SH_Box, true};
    case 6: return {SH_TriUp, false};
    case 7: return {SH_TriUp, true};
    case 8: return {SH_TriDown, false};
    case 9: return {SH_TriDown, true};
    case 10: return {SH_Diamond, false};
    case 11: return {SH_Diamond, true};
    case 12: return {SH_Cross, false};
    case 13: return {SH_Circle, true};
    default: return {SH_Circle, false};
    }
}

double x_of(const XYObject& o, std::size_t t) {
    if (t < o.x.v.size()) return o.x.v[t];
    return o.xstart + o.xstep * static_cast<double>(t);
}

namespace {

constexpr int k_max_ticks = 200;

// The frequency shared by every series of an area when they are all time
// series (placed by year and period, without x values), k_freq_dated when
// they are all placed at date-times; 0 otherwise.
int time_frequency(const Graph& g, int area) {
    int freq = 0;
    for (const DrawObject& d : g.objects) {
        if (d.area != area || d.as<TextObject>() || d.as<LegendObject>() || d.as<AxisObject>() || d.as<AreaObject>())
            continue;
        const XYObject* xy = d.as<XYObject>();
        if (!xy || xy->form != XY_Plain) return 0;
        const XYObject& o = *xy;
        const bool dated = o.freq == k_freq_dated && !o.x.v.empty();
        if (!dated && (o.freq <= 0 || !o.x.v.empty())) return 0;
        if (freq != 0 && o.freq != freq) return 0;
        freq = o.freq;
    }
    return freq;
}

// Whether the dated series of an area fall on whole days (no times of day).
bool whole_days(const Graph& g, int area) {
    bool whole = true;
    g.each<XYObject>(area, [&](const XYObject& o) {
        for (const double x : o.x.v)
            if (std::isfinite(x) && x != std::floor(x)) whole = false;
    });
    return whole;
}

struct Range {
    double lo = INFINITY, hi = -INFINITY;
    void add(double v) {
        if (std::isfinite(v)) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    }
    bool empty() const { return lo > hi; }
};

bool is_bar_style(const XYObject& o) {
    const int st = o.symbol.style;
    return st == ST_Index || st == ST_Bars || st == ST_Shading;
}

void data_ranges(const Graph& g, int area, Range& xr, Range& yr) {
    for (const DrawObject& d : g.objects) {
        if (d.area != area) continue;
        if (const XYObject* xy = d.as<XYObject>(); xy && xy->form == XY_Plain) {
            const XYObject& o = *xy;
            for (std::size_t t = 0; t < o.y.v.size(); ++t) {
                if (std::isnan(o.y.v[t])) continue;
                xr.add(x_of(o, t));
                yr.add(o.y.v[t] * o.scale_factor + o.scale_shift);
            }
            for (std::size_t t = 0; t < o.y.v.size() && t < o.z.v.size(); ++t) {
                if (zmode_spreads(o.zmode)) {
                    yr.add(o.y.v[t] + o.z_factor * o.z.v[t]);
                    yr.add(o.y.v[t] - o.z_factor * o.z.v[t]);
                } else if (o.zmode == ZM_HiLo) {
                    yr.add(o.z.v[t]);
                }
            }
            if (o.y_range) {
                yr.add(o.y_range->lo);
                yr.add(o.y_range->hi);
            }
            if (is_bar_style(o)) yr.add(o.index_base.value_or(0));
            if (o.symbol.style == ST_Bars && o.y.v.size() > 0) {  // room for the half bars at both ends
                const double half = 0.5 * (o.y.v.size() > 1 ? std::fabs(x_of(o, 1) - x_of(o, 0)) : 1);
                xr.add(x_of(o, 0) - half);
                xr.add(x_of(o, o.y.v.size() - 1) + half);
            }
        } else if (const HistObject* h = d.as<HistObject>()) {
            for (std::size_t j = 0; j < h->values.size(); ++j) {
                yr.add(h->values[j]);
                xr.add(h->first_edge + h->bar_width * static_cast<double>(j));
                xr.add(h->first_edge + h->bar_width * static_cast<double>(j + 1));
            }
            yr.add(0);
        } else if (const LineObject* l = d.as<LineObject>(); l && !l->pixel) {
            xr.add(l->x1);
            xr.add(l->x2);
            yr.add(l->y1);
            yr.add(l->y2);
        }
    }
}

const AxisObject* find_axis(const Graph& g, int area, char dir) {
    const AxisObject* found = nullptr;
    g.each<AxisObject>(area, [&](const AxisObject& a) {
        if (a.dir == dir) found = &a;
    });
    return found;
}

// A fixed axis that can be drawn.
const FixedAxis* fixed_of(const AxisObject* a) { return a && a->fixed ? &*a->fixed : nullptr; }

// Fixed axis ranges win over area world ranges, which win over the data.
void settle_axis(const AxisObject* axis, const std::optional<Interval>& world, Range r, double& lo, double& hi,
                 double& step, double& first, int ticks = 5) {
    if (const FixedAxis* a = fixed_of(axis); a && a->max > a->min) {
        lo = a->min;
        hi = a->max;
        step = a->step > 0 ? a->step : (hi - lo) / 5;
        first = a->first;
        return;
    }
    if (world && world->hi > world->lo) {
        lo = world->lo;
        hi = world->hi;
        double a = lo, b = hi;
        step = nice_range(a, b, ticks);
        first = std::ceil(lo / step - 1e-9) * step;
        return;
    }
    if (r.empty()) r = Range{0, 1};
    lo = r.lo;
    hi = r.hi;
    step = nice_range(lo, hi, ticks);
    first = lo;
}

} // namespace

std::vector<PlacedLabel> place_x_labels(const AreaFrame& f, const std::vector<XLabel>& labels, double corner) {
    const LayoutSettings& s = settings();
    const double size = f.font;
    std::vector<PlacedLabel> kept;
    for (std::size_t k = 0; k < labels.size(); ++k) {
        const double w = text_width(labels[k].text, s.font[0], size);
        const double centred = labels[k].x - w / 2;
        const double left = std::max(std::min(centred, f.cell_right - 0.1 * size - w), corner);
        const PlacedLabel p{left, left + w, k, std::fabs(left - centred) > 1};
        if (!kept.empty() && p.left < kept.back().right + 0.2 * size) {
            if (kept.back().moved && !p.moved) kept.back() = p;
            continue;
        }
        kept.push_back(p);
    }
    return kept;
}

namespace {

// Whether the labels of an x axis fit side by side: tick spacing at least
// the widest label and a small gap,
// and none is left out where the first one makes way for the y labels.
bool x_labels_fit(const AreaFrame& f, const int format[4], double font) {
    if (!(f.xstep > 0) || !(f.xmax > f.xmin)) return true;
    double widest = 0;
    std::vector<XLabel> labels;
    for (int k = 0; k <= k_max_ticks; ++k) {
        const double v = f.xfirst + k * f.xstep;
        if (v > f.xmax + f.xstep * 1e-6) break;
        labels.push_back({f.px(v), axis_label(v, f.xstep, format)});
        widest = std::max(widest, label_width(labels.back().text, font));
    }
    const double spacing = f.xstep / (f.xmax - f.xmin) * (f.right - f.left);
    return spacing >= widest + 0.3 * font && place_x_labels(f, labels, f.corner).size() == labels.size();
}

// The widest label of the y axis.
double y_labels_width(const AreaFrame& f, const int format[4], double font) {
    double widest = 0;
    for (int k = 0; k <= k_max_ticks && f.ystep > 0; ++k) {
        const double v = f.yfirst + k * f.ystep;
        if (v > f.ymax + f.ystep * 1e-6) break;
        widest = std::max(widest, label_width(axis_label(std::fabs(v) < f.ystep * 1e-9 ? 0 : v, f.ystep, format), font));
    }
    return widest;
}

// Ranges too wide for doubles, or steps that would give thousands of ticks,
// fall back to automatic ticks over a range that can be drawn.
void sane_axis(double& lo, double& hi, double& step, double& first) {
    if (!std::isfinite(lo) || !std::isfinite(hi) || !(hi > lo) || !std::isfinite(hi - lo)) {
        lo = 0;
        hi = 1;
        step = 0.2;
        first = 0;
        return;
    }
    if (!(step > 0) || (hi - lo) / step > k_max_ticks) {
        double a = lo, b = hi;
        step = nice_range(a, b, 5);
    }
    if (!std::isfinite(first) || first < lo || first > hi) first = lo + std::fmod(std::fmod(first - lo, step) + step, step);
    if (!std::isfinite(first)) first = lo;
}

}  // namespace

double tick_length(const LayoutSettings& s) {
    return s.axisline[3] == 1 ? 0 : s.axis[2] * 2 * (s.axisformat[3] == 1 ? 1 : -1);
}

bool has_role(const Graph& g, int area, int role) {
    bool found = false;
    g.each<TextObject>(area, [&](const TextObject& t) { found = found || (t.role == role && !t.text.empty()); });
    return found;
}

AreaFrame area_frame(const Graph& g, int area) {
    const LayoutSettings& s = settings();
    const int n = std::max(g.area_count(), 1);
    const int cols = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(n))));
    const int rows = (n + cols - 1) / cols;
    const double H = g.paper_height();
    const double cw = static_cast<double>(k_paper_width) / cols, ch = H / rows;
    const int col = area % cols, row = area / cols;
    AreaFrame f;
    const AreaObject* placed = g.first<AreaObject>(area);
    const bool on_paper = placed && placed->paper;
    // A grid of areas shrinks labels and margins with the fourth root of its
    // cell count: by 0.84 for two areas, 0.71 for four, 0.58 for nine.
    f.scale = on_paper || rows * cols == 1 ? 1 : std::pow(static_cast<double>(rows * cols), -0.25);
    f.font = f.scaled(s.font[1]);
    const double font = f.font, margin = s.margin * f.scale;
    const double x0 = col * cw, y1 = H - row * ch;
    if (on_paper) {
        f.left = placed->paper->x1;
        f.bottom = placed->paper->y1;
        f.right = placed->paper->x2;
        f.top = placed->paper->y2;
        f.cell_left = 0, f.cell_bottom = 0, f.cell_right = k_paper_width, f.cell_top = H;
    } else {
        f.cell_left = x0, f.cell_right = x0 + cw, f.cell_top = y1, f.cell_bottom = y1 - ch;
        f.right = x0 + cw - margin;
        f.top = y1 - margin - 1.4 * font;
        f.bottom = y1 - ch + margin + 1.8 * font;
        if (f.top - f.bottom < 500) f.bottom = f.top - 500;
    }
    Range xr, yr;
    data_ranges(g, area, xr, yr);
    f.has_data = !xr.empty();
    // Fewer y ticks while their labels would crowd (less than a font size apart).
    for (int ticks = 5; ticks >= 1; --ticks) {
        settle_axis(find_axis(g, area, 'y'), placed ? placed->world_y : std::nullopt, yr,
                    f.ymin, f.ymax, f.ystep, f.yfirst, ticks);
        if (!(f.ystep > 0 && f.ymax > f.ymin) || f.ystep / (f.ymax - f.ymin) * (f.top - f.bottom) >= font)
            break;
    }
    sane_axis(f.ymin, f.ymax, f.ystep, f.yfirst);
    // Room on the left for the y tick labels (and an axis label beside them).
    f.ylabels = y_labels_width(f, s.axisformat, font);
    if (!on_paper) {
        const double room = std::max(2.8 * font, f.ylabels + 0.4 * font + std::max(0.0, -tick_length(s)));
        const double title = has_role(g, area, TEXT_YLabel) ? std::max(0.0, room + 1.0 * font - 2.8 * font) : 0;
        f.left = x0 + margin + room + 0.4 * font + title;
        if (f.right - f.left < 500) f.right = f.left + 500;
    }
    // The lowest y label, when it comes down to the x labels, keeps them to
    // the right of it.
    const double tick = tick_length(s);
    f.corner = f.cell_left;
    const double lowest = s.axiszeros != 1 && f.yfirst == 0 ? f.ystep : f.yfirst;
    if (f.py(lowest) - 0.6 * font < f.bottom - 1.1 * font + std::min(tick, 0.0) + 0.75 * font)
        f.corner = f.left - 0.15 * font + std::min(tick, 0.0);
    // Fewer x ticks while their labels run into each other.
    for (int ticks = 5; ticks >= 1; --ticks) {
        settle_axis(find_axis(g, area, 'x'), placed ? placed->world_x : std::nullopt, xr,
                    f.xmin, f.xmax, f.xstep, f.xfirst, ticks);
        if (x_labels_fit(f, s.axisformat, font)) break;
    }
    const FixedAxis* xaxis = fixed_of(find_axis(g, area, 'x'));
    const bool fixed_x = xaxis || (placed && placed->world_x);
    const int freq = fixed_x || xr.empty() ? 0 : time_frequency(g, area);
    if (freq > 0) {
        const TimeTicks t = time_ticks(xr.lo, xr.hi, freq, f.right - f.left, font);
        f.xmin = t.min, f.xmax = t.max, f.xstep = t.step, f.xfirst = t.first;
        f.xfreq = freq;
    } else if (freq == k_freq_dated && date_range(xr.lo, xr.hi)) {
        DateTicks t = date_ticks(xr.lo, xr.hi, f.right - f.left, font, whole_days(g, area));
        f.xmin = t.min, f.xmax = t.max;
        f.xstep = t.at.size() > 1 ? t.at[1] - t.at[0] : f.xmax - f.xmin;
        f.xfirst = t.at.front();
        f.xdate = t.label;
        f.xdates = std::move(t.at);
    } else if (xaxis && xaxis->type == AX_Time) {
        f.xfreq = std::max(find_axis(g, area, 'x')->label_freq, 1);
    }
    sane_axis(f.xmin, f.xmax, f.xstep, f.xfirst);
    if (fixed_x && !xr.empty() && date_range(f.xmin, f.xmax) && time_frequency(g, area) == k_freq_dated) {
        // A given range over dated series: still labelled by date.
        const bool fixed_axis = xaxis != nullptr;
        DateTicks t = date_ticks_in(f.xmin, f.xmax, f.xfirst, fixed_axis ? f.xstep : 0, f.right - f.left, font,
                                    whole_days(g, area));
        if (!t.at.empty()) {
            f.xdate = t.label;
            f.xdates = std::move(t.at);
        }
    }
    f.legend = place_legend(g, area, f);
    return f;
}

namespace {

class Renderer {
public:
    Renderer(const Graph& g, Canvas& c, int model) : m_g(g), m_c(c), m_s(settings()), m_model(model) {}

    void run() {
        m_c.background(m_s.papercolor == 0 ? 0xFFFFFF : static_cast<uint32_t>(m_s.papercolor));
        if (m_s.box[0] == 1) {  // a frame around the whole paper
            const double w = k_paper_width - 5, h = m_g.paper_height() - 5;
            m_c.polyline({{5, 5}, {w, 5}, {w, h}, {5, h}, {5, 5}}, pen(1));
        }
        const int n = m_g.area_count();
        for (int a = 0; a < n; ++a) draw_area(a);
    }

private:
    uint32_t colour(int index) const {
        index = std::clamp(index, 0, k_colour_count - 1);
        const uint32_t c = m_s.colour[index];
        if (m_model == 3) return c;
        if (m_model == 2 || (m_model == 1 && index >= 8)) {
            const int gr = static_cast<int>(0.3 * red_of(c) + 0.59 * green_of(c) + 0.11 * blue_of(c) + 0.5);
            return rgb(gr, gr, gr);
        }
        return m_s.colour_bw[index];
    }

    Pen pen(int index) const {
        index = std::clamp(index, 0, k_colour_count - 1);
        const LineSetting& l = m_model <= 1 ? m_s.line_bw[index] : m_s.line[index];
        Pen p;
        p.colour = colour(index);
        p.width = l.width > 0 ? l.width : 10;
        switch (l.type) {
        case 1: p.on = p.off = 35; break;
        case 2: p.on = p.off = 70; break;
        case 3: p.on = 160; p.off = 80; break;
        case 4: p.on = l.on; p.off = l.off; break;
        default: break;
        }
        return p;
    }

    void draw_area(int a) {
        const AreaFrame f = area_frame(m_g, a);
        bool any = false, solid = false;
        for (const DrawObject& o : m_g.objects) {
            if (o.area != a) continue;
            any = any || (!o.as<TextObject>() && !o.as<LegendObject>());
            const XYObject* xy = o.as<XYObject>();
            solid = solid || (xy && xy->form != XY_Plain);
        }
        if (solid) draw_solid(m_g, a, f, m_c, [this](int index) { return pen(index); }, m_model);
        else if (any) draw_axes(a, f);
        for (const DrawObject& o : m_g.objects) {
            if (o.area != a) continue;
            if (const XYObject* xy = o.as<XYObject>(); xy && xy->form == XY_Plain) draw_xy(*xy, f);
            if (const HistObject* h = o.as<HistObject>()) draw_hist(*h, f);
            if (const LineObject* l = o.as<LineObject>(); l && (!solid || l->pixel)) draw_line(*l, f);
            if (const TextObject* t = o.as<TextObject>(); t && (!solid || !placed_in_box(*t))) draw_text(*t, f);
        }
        draw_legend(a, f);
    }

    std::string label(double v, double step) const { return axis_label(v, step, m_s.axisformat); }

    void draw_axes(int a, const AreaFrame& f) {
        const Pen frame = pen(1);
        const AxisObject* xa = find_axis(m_g, a, 'x');
        const AxisObject* ya = find_axis(m_g, a, 'y');
        const bool show_x = !xa || xa->shown != 0, show_y = !ya || ya->shown != 0;
        if (m_s.box[2] == 1) draw_grid(f, show_x, show_y);
        if (m_s.box[1] == 1)  // open frame: the two axis lines only
            m_c.polyline({{f.left, f.top}, {f.left, f.bottom}, {f.right, f.bottom}}, frame);
        else
            m_c.polyline({{f.left, f.bottom}, {f.right, f.bottom}, {f.right, f.top}, {f.left, f.top}, {f.left, f.bottom}},
                         frame);
        if (m_s.axisline[0] == 1 && f.ymin < 0 && f.ymax > 0) m_c.polyline({{f.left, f.py(0)}, {f.right, f.py(0)}}, frame);
        if (m_s.axisline[1] == 1 && f.xmin < 0 && f.xmax > 0) m_c.polyline({{f.px(0), f.bottom}, {f.px(0), f.top}}, frame);
        const int size = f.font;
        // Tick marks point into the plot, or out of it; none with axisline[3].
        const double tick = tick_length(m_s);
        const double xlab = f.bottom - 1.1 * size + std::min(tick, 0.0), ylab = f.left - 0.4 * size + std::min(tick, 0.0);
        // A y label at the bottom corner keeps the x labels to its right.
        const double corner = show_y ? f.corner : f.cell_left;
        if (show_y)
            for_ticks(f.yfirst, f.ystep, f.ymax, [&](double v) {
                const double py = f.py(v);
                if (tick != 0) m_c.polyline({{f.left, py}, {f.left + tick, py}}, frame);
                if (m_s.axiszeros == 1 || v != 0)
                    m_c.text(ylab, py - 0.35 * size, label(v, f.ystep), m_s.font[0], size, AL_Right, 0, colour(1));
            });
        if (show_x && f.xdate >= DL_Minute) draw_dates(f, xlab - 1.1 * size);
        if (!show_x) return;
        std::vector<XLabel> labels;
        // Named groups (of box plots) label the axis instead of numbers.
        m_g.each<TextObject>(a, [&](const TextObject& t) {
            if (t.role == TEXT_Group && std::isfinite(f.px(t.wx))) labels.push_back({f.px(t.wx), t.text});
        });
        if (!labels.empty()) {
            for (const XLabel& l : labels)
                if (tick != 0) m_c.polyline({{l.x, f.bottom}, {l.x, f.bottom + tick}}, frame);
            x_labels(f, labels, xlab, corner);
            return;
        }
        x_ticks(f, [&](double v) {
            const double px = f.px(v);
            if (tick != 0) m_c.polyline({{px, f.bottom}, {px, f.bottom + tick}}, frame);
            if (f.xdate != DL_None)
                labels.push_back({px, date_label(v, f.xdate)});
            else if (m_s.axiszeros == 1 || v != 0 || f.xfreq > 0)
                labels.push_back({px, f.xfreq > 0 ? time_label(v, f.xfreq, f.xstep) : label(v, f.xstep)});
        });
        x_labels(f, labels, xlab, corner);
    }

    void x_labels(const AreaFrame& f, const std::vector<XLabel>& labels, double y, double corner) {
        const int size = f.font;
        for (const PlacedLabel& p : place_x_labels(f, labels, corner)) {
            const std::string& text = labels[p.at].text;
            if (p.moved)
                m_c.text(p.left, y, text, m_s.font[0], size, AL_Left, 0, colour(1));
            else
                m_c.text((p.left + p.right) / 2, y, text, m_s.font[0], size, AL_Centre, 0, colour(1));
        }
    }

    // The line of dates under an axis of times of day: the date of the first
    // tick and of each tick where the day changes. A date that would run
    // into the one before is left out, except that the first tick's date
    // gives way to that of a day change.
    void draw_dates(const AreaFrame& f, double y) {
        const int size = f.font;
        const double room = label_width("2001-01-01", size) + 0.8 * size;
        struct Dated {
            double x;
            std::string day;
            bool change;
        };
        std::vector<Dated> kept;  // the dates to show
        std::string day_before;
        for (const double v : f.xdates) {
            std::string day = day_label(v);
            if (day.empty() || day == day_before) continue;
            const bool change = !day_before.empty();
            day_before = day;
            const double x = f.px(v);
            if (!kept.empty() && x - kept.back().x < room) {
                if (!kept.back().change) kept.back() = {x, std::move(day), true};
                continue;
            }
            kept.push_back({x, std::move(day), change});
        }
        std::vector<XLabel> labels;
        for (Dated& d : kept) labels.push_back({d.x, std::move(d.day)});
        x_labels(f, labels, y, f.cell_left);
    }

    // Calls `at` for each labelled tick of the x axis: those of a date axis,
    // else as for_ticks.
    template <class F>
    static void x_ticks(const AreaFrame& f, F at) {
        if (f.xdates.empty())
            for_ticks(f.xfirst, f.xstep, f.xmax, at);
        else
            for (const double v : f.xdates) at(v);
    }

    // Calls `at` for each labelled tick value from `first` up to `max`; a
    // value within rounding of zero is passed as exactly zero.
    template <class F>
    static void for_ticks(double first, double step, double max, F at) {
        for (int k = 0; k <= k_max_ticks; ++k) {
            double v = first + k * step;
            if (v > max + step * 1e-6) break;
            if (std::fabs(v) < step * 1e-9) v = 0;
            at(v);
        }
    }

    // Grid lines at the labelled ticks, in the grid settings' line indices
    // (x grid, y grid), behind everything else of the area.
    void draw_grid(const AreaFrame& f, bool x, bool y) {
        const Pen px = pen(m_s.grid[0]), py = pen(m_s.grid[1]);
        if (x)
            x_ticks(f, [&](double v) {
                if (f.px(v) > f.left + 1 && f.px(v) < f.right - 1) m_c.polyline({{f.px(v), f.bottom}, {f.px(v), f.top}}, px);
            });
        if (y)
            for_ticks(f.yfirst, f.ystep, f.ymax, [&](double v) {
                if (f.py(v) > f.bottom + 1 && f.py(v) < f.top - 1) m_c.polyline({{f.left, f.py(v)}, {f.right, f.py(v)}}, py);
            });
    }

    // Splits at missing values: each run of present points is one polyline.
    void draw_xy(const XYObject& o, const AreaFrame& f) {
        const Pen p = pen(o.colour);
        // A series against x values takes the xystyle drawing style unless it
        // chose one of its own; its points are joined in x order unless
        // xystyle[1] keeps them as given.
        const bool against_x = !o.x.v.empty();
        const int style = against_x && o.symbol.style == ST_Line && m_s.xystyle[0] > 0 && m_s.xystyle[0] <= ST_Shading
                              ? m_s.xystyle[0]
                              : o.symbol.style;
        const double base = f.py(std::clamp(o.index_base.value_or(0.0), f.ymin, f.ymax));
        std::vector<Point> run;
        auto flush = [&] {
            if (run.size() > 1) m_c.polyline(run, p);
            run.clear();
        };
        if (o.zmode == ZM_Fan && !o.z.v.empty()) draw_fan(o, f, p.colour);
        const std::size_t n = o.y.v.size();
        const double half = 0.4 * (n > 1 ? std::fabs(f.px(x_of(o, 1)) - f.px(x_of(o, 0))) : 100);
        std::vector<Point> shade;
        std::vector<std::size_t> order(n);
        for (std::size_t t = 0; t < n; ++t) order[t] = t;
        if (against_x && m_s.xystyle[1] != 1)
            std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return x_of(o, a) < x_of(o, b); });
        for (const std::size_t t : order) {
            const double y = o.y.v[t];
            if (std::isnan(y)) {
                flush();
                continue;
            }
            const Point q{f.px(x_of(o, t)), f.py(y * o.scale_factor + o.scale_shift)};
            if (!std::isfinite(q.x) || !std::isfinite(q.y)) {
                flush();
                continue;
            }
            switch (style) {
            case ST_Symbols: symbol(q, o); break;
            case ST_LineSymbols: run.push_back(q); symbol(q, o); break;
            case ST_Index: m_c.polyline({{q.x, base}, q}, p); break;
            case ST_Bars:
                m_c.fill({{q.x - half, base}, {q.x + half, base}, {q.x + half, q.y}, {q.x - half, q.y}}, p.colour);
                break;
            case ST_Shading:
                if (shade.empty()) shade.push_back({q.x, base});
                shade.push_back(q);
                break;
            default: run.push_back(q); break;
            }
        }
        flush();
        if (!shade.empty()) {
            shade.push_back({shade.back().x, base});
            m_c.fill(shade, p.colour);
        }
        if (!o.z.v.empty() && o.zmode != ZM_Fan) draw_z(o, f, p);
    }

    // Error bars, bands, high-low bars, sized symbols or the values
    // themselves at the points of a series (fans are drawn before it).
    void draw_z(const XYObject& o, const AreaFrame& f, const Pen& p) {
        std::vector<Point> up, down;
        auto flush_band = [&] {
            if (up.size() > 1) {
                m_c.polyline(up, p);
                m_c.polyline(down, p);
            }
            up.clear();
            down.clear();
        };
        double zmax = 0;
        for (const double z : o.z.v)
            if (std::isfinite(z)) zmax = std::max(zmax, std::fabs(z));
        for (std::size_t t = 0; t < o.y.v.size() && t < o.z.v.size(); ++t) {
            const double x = f.px(x_of(o, t)), y = o.y.v[t], z = o.z.v[t], d = o.z_factor * z;
            if (!std::isfinite(x) || !std::isfinite(y + d)) {
                flush_band();
                continue;
            }
            if (o.zmode == ZM_Bar) {
                m_c.polyline({{x, f.py(y - d)}, {x, f.py(y + d)}}, p);
            } else if (o.zmode == ZM_Band) {
                up.push_back({x, f.py(y + d)});
                down.push_back({x, f.py(y - d)});
            } else if (o.zmode == ZM_HiLo) {
                m_c.polyline({{x, f.py(y)}, {x, f.py(z)}}, p);
            } else if (o.zmode == ZM_Symbol && zmax > 0) {
                // Symbol areas follow |z|: the largest is three times the
                // index's symbol size, times the factor.
                const int idx = std::clamp(o.colour, 0, k_colour_count - 1);
                const double size = 3 * m_s.symbol[idx][1] * std::fabs(o.z_factor) * std::sqrt(std::fabs(z) / zmax);
                Pen sp = p;
                sp.on = sp.off = 0;
                if (size > 0) m_c.symbol(x, f.py(y), size, size, symbol_shape(m_s.symbol[idx][0]), sp);
            } else if (o.zmode == ZM_Value) {
                char buf[32];
                std::snprintf(buf, sizeof buf, "%.4g", z);
                m_c.text(x, f.py(y) + 0.3 * f.font, buf, m_s.font[0], f.font * 3 / 4, AL_Centre, 0,
                         colour(1));
            }
        }
        flush_band();
    }

    // A fan: three nested bands reaching y +- k/3 * factor * z for k = 3, 2,
    // 1, in the series colour mixed with 75, 50 and 25% white; a missing
    // point splits the fan.
    void draw_fan(const XYObject& o, const AreaFrame& f, uint32_t c) {
        for (int k = 3; k >= 1; --k) {
            const double w = 0.25 * k;
            const uint32_t tint = rgb(red_of(c) + static_cast<int>((255 - red_of(c)) * w),
                                      green_of(c) + static_cast<int>((255 - green_of(c)) * w),
                                      blue_of(c) + static_cast<int>((255 - blue_of(c)) * w));
            std::vector<Point> up, down;
            auto flush = [&] {
                if (up.size() > 1) {
                    up.insert(up.end(), down.rbegin(), down.rend());
                    m_c.fill(up, tint);
                }
                up.clear();
                down.clear();
            };
            for (std::size_t t = 0; t < o.y.v.size() && t < o.z.v.size(); ++t) {
                const double x = f.px(x_of(o, t)), y = o.y.v[t], d = o.z_factor * o.z.v[t] * k / 3;
                if (!std::isfinite(x) || !std::isfinite(y + d)) {
                    flush();
                    continue;
                }
                up.push_back({x, f.py(y + d)});
                down.push_back({x, f.py(y - d)});
            }
            flush();
        }
    }

    void symbol(Point q, const XYObject& o) {
        const int idx = std::clamp(o.colour, 0, k_colour_count - 1);
        const int type = o.symbol.type > 0 ? o.symbol.type : m_s.symbol[idx][0];
        const double size = o.symbol.size > 0 ? o.symbol.size : m_s.symbol[idx][1];
        Pen p = pen(idx);
        p.on = p.off = 0;
        p.width = std::max(4, static_cast<int>(size / 10));  // outlines scale with the symbol
        m_c.symbol(q.x, q.y, size, size, symbol_shape(stored_symbol_type(type)), p);
    }

    // Histogram styles: 0 outlined bars (filled when the request gave a fill
    // colour), 1 bars filled in the series colour and outlined in the
    // foreground colour, 2 filled bars without outline, 3 the outline of the
    // whole histogram only.
    void draw_hist(const HistObject& o, const AreaFrame& f) {
        const Pen p = pen(o.colour);
        const int style = m_s.histogram;
        const double base = f.py(std::clamp(0.0, f.ymin, f.ymax));
        std::vector<Point> step;  // the outline of style 3, split at missing bars
        auto flush = [&] {
            if (step.size() > 1) {
                step.push_back({step.back().x, base});
                m_c.polyline(step, p);
            }
            step.clear();
        };
        for (std::size_t j = 0; j < o.values.size(); ++j) {
            const double x0 = f.px(o.first_edge + o.bar_width * static_cast<double>(j));
            const double x1 = f.px(o.first_edge + o.bar_width * static_cast<double>(j + 1));
            const double y = f.py(o.values[j]);
            if (std::isnan(o.values[j]) || !std::isfinite(x0 + x1 + y)) {
                flush();
                continue;
            }
            if (style == 3) {
                if (step.empty()) step.push_back({x0, base});
                step.push_back({x0, y});
                step.push_back({x1, y});
                continue;
            }
            const std::vector<Point> box{{x0, base}, {x1, base}, {x1, y}, {x0, y}};
            if (style == 1 || style == 2)
                m_c.fill(box, p.colour);
            else if (o.fill > 0)
                m_c.fill(box, colour(o.fill));
            if (style == 2) continue;
            std::vector<Point> outline = box;
            outline.push_back(box[0]);
            m_c.polyline(outline, style == 1 ? pen(1) : p);
        }
        flush();
    }

    void draw_line(const LineObject& o, const AreaFrame& f) {
        double x1, y1, x2, y2;
        if (o.pixel) {
            x1 = o.paper.x1, y1 = o.paper.y1, x2 = o.paper.x2, y2 = o.paper.y2;
        } else {
            x1 = f.px(o.x1), y1 = f.py(o.y1), x2 = f.px(o.x2), y2 = f.py(o.y2);
        }
        if (!std::isfinite(x1 + y1 + x2 + y2)) return;
        if (o.symbol > 0) {  // a symbol filling the rectangle
            Pen p = pen(o.colour);
            p.on = p.off = 0;
            m_c.symbol((x1 + x2) / 2, (y1 + y2) / 2, std::fabs(x2 - x1), std::fabs(y2 - y1),
                       symbol_shape(stored_symbol_type(o.symbol - 1)), p);
            return;
        }
        m_c.polyline({{x1, y1}, {x2, y2}}, pen(o.colour));
    }

    void draw_text(const TextObject& o, const AreaFrame& f) {
        if (o.text.empty() || o.role == TEXT_Group) return;  // groups go with the x axis
        const int font = o.font >= 0 ? o.font : m_s.font[0];
        int size = o.size > 0 ? o.size : m_s.font[1];
        // Titles, axis labels and texts placed in the plot shrink with the
        // area; a title or label wider than its room shrinks to fit.
        if (o.role != TEXT_Plain || o.world) size = f.scaled(size);
        const double room = o.role == TEXT_YLabel ? f.top - f.bottom : f.cell_right - f.cell_left - 0.2 * f.font;
        if (o.role != TEXT_Plain && room > 0)
            size = std::max(1, std::min(size, static_cast<int>(size * room / std::max(text_width(o.text, font, size), 1.0))));
        double x, y;
        int align = AL_Left, rot = o.rot;
        const double tick_out = std::max(0.0, -tick_length(m_s));
        switch (o.role) {
        case TEXT_Title:  // clear of the top y label, however small
            x = (f.left + f.right) / 2, y = f.top + std::max(0.5 * size, 0.36 * f.font + 0.2 * size), align = AL_Centre;
            break;
        case TEXT_XLabel:
            x = (f.left + f.right) / 2, align = AL_Centre;
            y = f.bottom - 2.2 * f.font - tick_out - (f.xdate >= DL_Minute ? 1.1 * f.font : 0);
            break;
        case TEXT_YLabel:
            x = f.left - std::max(2.6 * f.font, f.ylabels + 0.4 * f.font + tick_out + 0.9 * size);
            y = (f.bottom + f.top) / 2, align = AL_Centre, rot = 90;
            break;
        default:
            if (o.world) {
                x = f.px(o.wx);
                y = f.py(o.wy);
            } else {
                x = o.x;
                y = o.y;
            }
            if (rot == 360) align = AL_Right, rot = 0;
            break;
        }
        if (o.role == TEXT_Title || o.role == TEXT_XLabel) {  // within the cell
            const double half = text_width(o.text, font, size) / 2, gap = 0.1 * f.font;
            x = std::max(std::min(x, f.cell_right - gap - half), f.cell_left + gap + half);
        }
        if (std::isfinite(x) && std::isfinite(y)) m_c.text(x, y, o.text, font, size, align, rot, colour(1));
    }

    void draw_legend(int a, const AreaFrame& f) {
        const LegendBox& b = f.legend;
        if (!b.shown) return;
        const int size = b.size;
        int k = 0;
        m_g.each<XYObject>(a, [&](const XYObject& o) {
            if (o.y.name.empty()) return;
            const double x = b.left + (k % b.columns) * b.column, y = b.top - size - (k / b.columns) * b.row;
            ++k;
            const int style = o.symbol.style;
            const Pen p = pen(o.colour);
            const double u = b.unit;
            if (style == ST_Symbols)
                symbol({x + 200 * u, y + 0.35 * size}, o);
            else if (style == ST_Bars || style == ST_Shading)
                m_c.fill({{x, y}, {x + 400 * u, y}, {x + 400 * u, y + 0.7 * size}, {x, y + 0.7 * size}}, p.colour);
            else
                m_c.polyline({{x, y + 0.35 * size}, {x + 400 * u, y + 0.35 * size}}, p);
            m_c.text(x + 550 * u, y, o.y.name, m_s.font[0], size, AL_Left, 0,
                     m_s.legendcolor ? colour(o.colour) : colour(1));
        });
    }

    const Graph& m_g;
    Canvas& m_c;
    const LayoutSettings& m_s;
    int m_model;
};

}  // namespace

void render(const Graph& g, Canvas& c, int colour_model) {
    Renderer(g, c, colour_model > 3 || colour_model < 0 ? settings().colormodel : colour_model).run();
}

}  // namespace kj::graphics
