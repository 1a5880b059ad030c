#include "graphics/scene_3d.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "graphics/text_metrics.h"
#include "graphics/triangulation.h"

namespace kj::graphics {

namespace {

constexpr double k_degree = M_PI / 180;
constexpr int k_max_ticks = 200;

struct Span {
    double lo = INFINITY, hi = -INFINITY;
    void add(const std::vector<double>& v) {
        for (const double d : v)
            if (std::isfinite(d)) lo = std::min(lo, d), hi = std::max(hi, d);
    }
    bool empty() const { return lo > hi; }
};

const AxisObject* axis_object(const Graph& g, int area, char dir) {
    const AxisObject* found = nullptr;
    g.each<AxisObject>(area, [&](const AxisObject& a) {
        if (a.dir == dir) found = &a;
    });
    return found;
}

// The surfaces and points of a three-dimensional area.
template <class F>
void each_solid(const Graph& g, int area, F f) {
    g.each<XYObject>(area, [&](const XYObject& o) {
        if (o.form != XY_Plain) f(o);
    });
}

// Labelled ticks: a fixed step when it gives a drawable number of ticks,
// otherwise about five nice steps; the first tick inside the range.
void settle_ticks(Axis3& a, bool fixed_step) {
    if (!fixed_step || !(a.step > 0) || (a.hi - a.lo) / a.step > k_max_ticks) {
        double lo = a.lo, hi = a.hi;
        a.step = nice_range(lo, hi, 5);
        a.first = std::ceil(a.lo / a.step - 1e-9) * a.step;
    }
    if (!std::isfinite(a.first) || a.first < a.lo - 1e-9 * a.step || a.first > a.hi)
        a.first = a.lo + std::fmod(std::fmod(a.first - a.lo, a.step) + a.step, a.step);
    if (!std::isfinite(a.step) || !std::isfinite(a.first)) a.step = 0;
}

// Calls `at` for each tick value in the axis; values within rounding of
// zero are passed as zero.
template <class F>
void for_ticks(const Axis3& a, F at) {
    if (!(a.step > 0)) return;
    for (int k = 0; k <= k_max_ticks; ++k) {
        double v = a.first + k * a.step;
        if (v > a.hi + a.step * 1e-6) break;
        if (std::fabs(v) < a.step * 1e-9) v = 0;
        at(v);
    }
}

Point unit_vector(double x, double y) {
    const double n = std::hypot(x, y);
    return n > 0 ? Point{x / n, y / n} : Point{0, 0};
}

}  // namespace

View3 area_view(const Graph& g, int area) {
    View3 v;
    const AreaObject* a = g.first<AreaObject>(area);
    if (!a) return v;
    if (const auto& d = a->view3) {
        if (std::isfinite(d->rotation)) v.rotation = std::fmod(d->rotation, 360.0);
        if (std::isfinite(d->elevation)) v.elevation = std::clamp(d->elevation, -90.0, 90.0);
        if (std::isfinite(d->distance) && d->distance > 0) v.distance = std::clamp(d->distance, 2.0, 1e6);
        if (std::isfinite(d->zoom) && d->zoom > 0) v.zoom = std::min(d->zoom, 100.0);
    }
    if (a->box3) {
        const double edge[3] = {a->box3->x, a->box3->y, a->box3->z};
        double most = 0;
        for (const double e : edge)
            if (std::isfinite(e) && e > 0) most = std::max(most, e);
        for (int k = 0; k < 3 && most > 0; ++k)
            v.aspect[k] = std::isfinite(edge[k]) && edge[k] > 0 ? std::max(edge[k] / most, 0.01) : 1;
    }
    return v;
}

Seen view_unit(const View3& v, double x, double y, double z) {
    const double r = v.rotation * k_degree, e = v.elevation * k_degree;
    double sx = x * std::cos(r) - y * std::sin(r);
    const double q = x * std::sin(r) + y * std::cos(r);  // away from the viewer, before the tilt
    double sy = z * std::cos(e) + q * std::sin(e);
    const double depth = q * std::cos(e) - z * std::sin(e);
    if (v.distance > 0) {
        // Nothing is seen at or behind the eye.
        if (v.distance + depth <= 1e-3 * v.distance) return {{NAN, NAN}, depth};
        const double f = v.distance / (v.distance + depth);
        sx *= f;
        sy *= f;
    }
    return {{sx, sy}, depth};
}

bool solid_axes(const Graph& g, int area, Axis3 axes[3]) {
    Span data[3];
    each_solid(g, area, [&](const XYObject& o) {
        data[0].add(o.x.v);
        data[1].add(o.y.v);
        data[2].add(o.z.v);
    });
    const AreaObject* placed = g.first<AreaObject>(area);
    for (int k = 0; k < 3; ++k) {
        Axis3& a = axes[k];
        const AxisObject* ax = axis_object(g, area, "xyz"[k]);
        const std::optional<Interval> none;
        const std::optional<Interval>& world =
            !placed ? none : k == 0 ? placed->world_x : k == 1 ? placed->world_y : placed->world_z;
        const FixedAxis* given = ax && ax->fixed ? &*ax->fixed : nullptr;
        const bool fixed = given && given->max > given->min && std::isfinite(given->max - given->min);
        if (fixed) {
            a.lo = given->min, a.hi = given->max, a.step = given->step, a.first = given->first;
        } else if (world && world->hi > world->lo) {
            a.lo = world->lo, a.hi = world->hi;
        } else if (!data[k].empty()) {
            a.lo = data[k].lo, a.hi = data[k].hi;
        } else {
            return false;
        }
        if (!(a.hi > a.lo)) {  // a flat range gets some height
            const double w = a.lo == 0 ? 1 : std::fabs(a.lo) * 0.1;
            a.lo -= w;
            a.hi += w;
        }
        if (!std::isfinite(a.hi - a.lo)) return false;
        settle_ticks(a, fixed);
        a.shown = !ax || ax->shown != 0;
        a.fixed = fixed;
        a.freq = fixed && given->type == AX_Time ? std::max(ax->label_freq, 1) : 0;
    }
    return true;
}

BoxProjection::BoxProjection(const View3& v, const Axis3 axes[3], double left, double bottom, double right,
                             double top)
    : m_v(v) {
    for (int k = 0; k < 3; ++k) {
        m_lo[k] = axes[k].lo;
        m_hi[k] = axes[k].hi;
        m_half[k] = v.aspect[k];
    }
    // The picture of the eight corners, centred and as large as fits.
    double x0 = INFINITY, x1 = -INFINITY, y0 = INFINITY, y1 = -INFINITY;
    for (int c = 0; c < 8; ++c) {
        const double u[3] = {c & 1 ? m_half[0] : -m_half[0], c & 2 ? m_half[1] : -m_half[1],
                             c & 4 ? m_half[2] : -m_half[2]};
        const Seen s = view_unit(m_v, u[0], u[1], u[2]);
        x0 = std::min(x0, s.p.x), x1 = std::max(x1, s.p.x);
        y0 = std::min(y0, s.p.y), y1 = std::max(y1, s.p.y);
    }
    m_scale = v.zoom * std::min((right - left) / std::max(x1 - x0, 1e-9), (top - bottom) / std::max(y1 - y0, 1e-9));
    m_cx = (left + right) / 2 - m_scale * (x0 + x1) / 2;
    m_cy = (bottom + top) / 2 - m_scale * (y0 + y1) / 2;
}

BoxProjection BoxProjection::fitted(const View3& v, const Axis3 axes[3], const AreaFrame& f) {
    // Room beside the box for the tick labels and axis titles, and below it
    // beyond what the plot rectangle leaves for the labels of a flat x axis.
    const double size = f.font;
    const double side = std::min(2.5 * size, (f.right - f.left) / 4);
    const double below = std::min(0.8 * size, (f.top - f.bottom) / 4);
    const double above = std::min(0.3 * size, (f.top - f.bottom) / 4);
    return BoxProjection(v, axes, f.left + side, f.bottom + below, f.right - side, f.top - above);
}

void BoxProjection::unit(double x, double y, double z, double out[3]) const {
    const double w[3] = {x, y, z};
    for (int k = 0; k < 3; ++k) out[k] = (2 * (w[k] - m_lo[k]) / (m_hi[k] - m_lo[k]) - 1) * m_half[k];
}

Seen BoxProjection::at_unit(const double u[3]) const {
    const Seen s = view_unit(m_v, u[0], u[1], u[2]);
    return {{m_cx + m_scale * s.p.x, m_cy + m_scale * s.p.y}, s.depth};
}

Seen BoxProjection::at(double x, double y, double z) const {
    double u[3];
    unit(x, y, z, u);
    return at_unit(u);
}

bool placed_in_box(const TextObject& t) {
    const int role = t.role;
    return role == TEXT_XLabel || role == TEXT_YLabel || role == TEXT_ZLabel || (role == TEXT_Plain && t.world);
}

namespace {

// The parts of a three-dimensional area, drawn back to front: the back
// walls of the box with their grid, the axes on the front edges, the faces
// and points, then lines and texts placed in the box.
class SolidScene {
public:
    SolidScene(const Graph& g, int a, Canvas& c, const PenOf& pen, const Axis3 axes[3], const View3& v,
               const BoxProjection& proj, const AreaFrame& f)
        : m_g(g), m_a(a), m_c(c), m_pen(pen), m_s(settings()), m_axes(axes), m_proj(proj), m_f(f) {
        // The floor is the face seen from above (from below when looking up);
        // the back walls are the x and y faces farther from the viewer.
        m_floor = v.elevation >= 0 ? 0 : 1;
        // On a tie the y axis goes to the left and the x axis to the bottom.
        m_back_x = view_unit(v, 1, 0, 0).depth >= view_unit(v, -1, 0, 0).depth ? 1 : 0;
        m_back_y = view_unit(v, 0, 1, 0).depth >= view_unit(v, 0, -1, 0).depth ? 1 : 0;
        const double half[3] = {v.aspect[0], v.aspect[1], v.aspect[2]};
        for (int k = 0; k < 3; ++k) m_half[k] = half[k];
        const double o[3] = {0, 0, 0};
        m_centre = m_proj.at_unit(o).p;
    }

    void draw_box() {
        const Pen frame = m_pen(1);
        const int fx = 1 - m_back_x, fy = 1 - m_back_y, top = 1 - m_floor;
        if (m_s.box[2] == 1) draw_grid();
        if (m_s.box[1] != 1) {  // the outline of the floor and the two back walls
            line({0, 0, m_floor}, {1, 0, m_floor}, frame);
            line({1, 0, m_floor}, {1, 1, m_floor}, frame);
            line({1, 1, m_floor}, {0, 1, m_floor}, frame);
            line({0, 1, m_floor}, {0, 0, m_floor}, frame);
            line({m_back_x, m_back_y, 0}, {m_back_x, m_back_y, 1}, frame);
            line({m_back_x, fy, 0}, {m_back_x, fy, 1}, frame);
            line({fx, m_back_y, 0}, {fx, m_back_y, 1}, frame);
            line({m_back_x, m_back_y, top}, {m_back_x, fy, top}, frame);
            line({m_back_x, m_back_y, top}, {fx, m_back_y, top}, frame);
        } else {
            line({0, fy, m_floor}, {1, fy, m_floor}, frame);
            line({fx, 0, m_floor}, {fx, 1, m_floor}, frame);
            const int zx = z_corner(), zy = zx == fx ? m_back_y : fy;
            line({zx, zy, 0}, {zx, zy, 1}, frame);
        }
    }

    // Ticks, labels and titles on the front edges: x and y along the floor
    // at the front, z up the side corner that is farther left.
    void draw_axes() {
        const int fx = 1 - m_back_x, fy = 1 - m_back_y;
        const int zx = z_corner(), zy = zx == fx ? m_back_y : fy;
        // The x and y labels stand out along the floor's other direction,
        // so that the two sets part at the front corner.
        const Point ox = away(corner_at(0.5, fy, m_floor).p, corner_at(0.5, 1 - fy, m_floor).p);
        const Point oy = away(corner_at(fx, 0.5, m_floor).p, corner_at(1 - fx, 0.5, m_floor).p);
        axis(0, {0, fy, m_floor}, {1, fy, m_floor}, ox);
        axis(1, {fx, 0, m_floor}, {fx, 1, m_floor}, oy);
        axis(2, {zx, zy, 0}, {zx, zy, 1}, {0, 0});
    }

    void draw_placed() {
        for (const DrawObject& o : m_g.objects) {
            if (o.area != m_a) continue;
            if (const LineObject* l = o.as<LineObject>(); l && !l->pixel) draw_line(*l);
            if (const TextObject* t = o.as<TextObject>(); t && t->role == TEXT_Plain && t->world) draw_text(*t);
        }
    }

private:
    // Corners of the box by 0 (low) or 1 (high) in each direction.
    struct Corner {
        int x, y, z;
    };
    Seen corner_at(double x, double y, double z) const {
        const double u[3] = {(2 * x - 1) * m_half[0], (2 * y - 1) * m_half[1], (2 * z - 1) * m_half[2]};
        return m_proj.at_unit(u);
    }
    void line(Corner a, Corner b, const Pen& p) {
        m_c.polyline({corner_at(a.x, a.y, a.z).p, corner_at(b.x, b.y, b.z).p}, p);
    }

    // The x side of the vertical edge that carries the z axis: of the two
    // side corners (front in one direction, back in the other), the one
    // farther left in the picture.
    int z_corner() const {
        const int fx = 1 - m_back_x, fy = 1 - m_back_y;
        const double a = corner_at(fx, m_back_y, m_floor).p.x, b = corner_at(m_back_x, fy, m_floor).p.x;
        return a <= b ? fx : m_back_x;
    }

    // A world value of axis k as a fraction of its range.
    double fraction(int k, double v) const { return (v - m_axes[k].lo) / (m_axes[k].hi - m_axes[k].lo); }

    // Grid lines at the ticks on the floor and on the two back walls.
    void draw_grid() {
        const Pen gx = m_pen(m_s.grid[0]), gy = m_pen(m_s.grid[1]);
        auto inner = [](double t) { return t > 1e-6 && t < 1 - 1e-6; };
        const double fl = m_floor, bx = m_back_x, by = m_back_y;
        for_ticks(m_axes[0], [&](double v) {
            const double t = fraction(0, v);
            if (!inner(t)) return;
            m_c.polyline({corner_at(t, 0, fl).p, corner_at(t, 1, fl).p, corner_at(t, by, 1 - fl).p}, gx);
        });
        for_ticks(m_axes[1], [&](double v) {
            const double t = fraction(1, v);
            if (!inner(t)) return;
            m_c.polyline({corner_at(0, t, fl).p, corner_at(1, t, fl).p, corner_at(bx, t, 1 - fl).p}, gy);
        });
        for_ticks(m_axes[2], [&](double v) {
            const double t = fraction(2, v);
            if (!inner(t)) return;
            m_c.polyline({corner_at(1 - bx, by, t).p, corner_at(bx, by, t).p, corner_at(bx, 1 - by, t).p}, gy);
        });
    }

    static Point away(Point to, Point from) { return unit_vector(to.x - from.x, to.y - from.y); }

    // Axis k along the edge from .. to; its ticks and labels stand out in the
    // direction `out`, or square to the edge away from the box when that is 0.
    // Takes the room of a label w x h centred at c unless a label drawn
    // before overlaps it.
    bool claim(Point c, double w, double h) {
        struct Box {
            double x0, y0, x1, y1;
        };
        const Box b{c.x - w / 2, c.y - h / 2, c.x + w / 2, c.y + h / 2};
        for (const auto& [x0, y0, x1, y1] : m_labels)
            if (b.x0 < x1 && x0 < b.x1 && b.y0 < y1 && y0 < b.y1) return false;
        m_labels.push_back({b.x0, b.y0, b.x1, b.y1});
        return true;
    }

    std::string label(const Axis3& a, double v) const {
        return a.freq > 0 ? period_label(v, a.freq) : axis_label(v, a.step, m_s.axisformat);
    }

    // Fewer ticks of an automatic axis when the labels would crowd an edge
    // `length` long in the direction d.
    Axis3 thinned(const Axis3& given, double length, Point d) const {
        Axis3 a = given;
        if (a.fixed || !(a.step > 0)) return a;
        const double size = m_f.font;
        for (int intervals = 5; intervals >= 1; --intervals) {
            double lo = a.lo, hi = a.hi;
            a.step = nice_range(lo, hi, intervals);
            a.first = std::ceil(a.lo / a.step - 1e-9) * a.step;
            int count = 0;
            double widest = 0;
            for_ticks(a, [&](double v) {
                ++count;
                widest = std::max(widest, 0.55 * size * static_cast<double>(label(a, v).size()));
            });
            const double room = std::fabs(d.x) * widest + std::fabs(d.y) * 0.75 * size + 0.4 * size;
            if ((count - 1) * room <= length) break;
        }
        return a;
    }

    void axis(int k, Corner from, Corner to, Point out) {
        const Point p0 = corner_at(from.x, from.y, from.z).p, p1 = corner_at(to.x, to.y, to.z).p;
        const Point d = unit_vector(p1.x - p0.x, p1.y - p0.y);
        // An edge seen end on has no room for labels.
        const double length = std::hypot(p1.x - p0.x, p1.y - p0.y);
        if (length < 200) return;
        const Axis3 a = thinned(m_axes[k], length, d);
        const Point m{(p0.x + p1.x) / 2 - m_centre.x, (p0.y + p1.y) / 2 - m_centre.y};
        const double along = m.x * d.x + m.y * d.y;
        Point n = out;
        // Nearly along the edge is no way out either.
        if (std::fabs(n.x * d.y - n.y * d.x) < 0.2) n = unit_vector(m.x - along * d.x, m.y - along * d.y);
        if (n.x == 0 && n.y == 0) n = d.y > 0 ? Point{d.y, -d.x} : Point{-d.y, d.x};
        const int size = m_f.font;
        const Pen frame = m_pen(1);
        const double tick = m_s.axisline[3] == 1 ? 0 : m_s.axis[2] * 2;
        const double gap = tick + 0.3 * size;
        double reach = 0;  // how far the labels stand out from the edge
        if (a.shown)
            for_ticks(a, [&](double v) {
                const double t = fraction(k, v);
                const Point q{p0.x + (p1.x - p0.x) * t, p0.y + (p1.y - p0.y) * t};
                if (tick > 0) m_c.polyline({q, {q.x + n.x * tick, q.y + n.y * tick}}, frame);
                if (m_s.axiszeros != 1 && v == 0) return;
                const std::string s = label(a, v);
                const double w = 0.55 * size * static_cast<double>(s.size()), h = 0.75 * size;
                const double e = std::fabs(n.x) * w / 2 + std::fabs(n.y) * h / 2;
                reach = std::max(reach, 2 * e);
                const Point c{q.x + n.x * (gap + e), q.y + n.y * (gap + e)};
                // Where two axes meet, the label drawn first stays.
                if (!claim(c, w + 0.2 * size, h + 0.2 * size)) return;
                m_c.text(c.x, c.y - 0.35 * size, s, m_s.font[0], size, AL_Centre, 0, frame.colour);
            });
        const int role = k == 0 ? TEXT_XLabel : k == 1 ? TEXT_YLabel : TEXT_ZLabel;
        m_g.each<TextObject>(m_a, [&](const TextObject& o) {
            if (o.role != role || o.text.empty()) return;
            const int font = o.font >= 0 ? o.font : m_s.font[0];
            const int ts = o.size > 0 ? m_f.scaled(o.size) : size;
            // The z title reads upwards beside its axis; the others lie flat.
            const bool upright = k == 2;
            const double w = text_width(o.text, font, ts), h = 0.75 * ts;
            const double e = upright ? std::fabs(n.x) * h / 2 + std::fabs(n.y) * w / 2
                                     : std::fabs(n.x) * w / 2 + std::fabs(n.y) * h / 2;
            const double out = gap + reach + 0.4 * size + e;
            const Point c{(p0.x + p1.x) / 2 + n.x * out, (p0.y + p1.y) / 2 + n.y * out};
            if (upright)
                m_c.text(c.x + 0.35 * ts, c.y, o.text, font, ts, AL_Centre, 90, frame.colour);
            else
                m_c.text(c.x, c.y - 0.35 * ts, o.text, font, ts, AL_Centre, 0, frame.colour);
        });
    }

    // A line or a symbol box at world coordinates; without z coordinates it
    // lies on the floor. A line is cut at the box; a symbol with a corner
    // outside it is left out.
    void draw_line(const LineObject& o) {
        const double floor_z = m_floor == 0 ? m_axes[2].lo : m_axes[2].hi;
        double from[3] = {o.x1, o.y1, o.z ? o.z->lo : floor_z}, to[3] = {o.x2, o.y2, o.z ? o.z->hi : floor_z};
        if (o.symbol > 0 ? !in_box(from) || !in_box(to) : !clip_to_box(from, to)) return;
        const Point a = m_proj.at(from[0], from[1], from[2]).p;
        const Point b = m_proj.at(to[0], to[1], to[2]).p;
        if (!std::isfinite(a.x + a.y + b.x + b.y)) return;
        Pen p = m_pen(o.colour);
        if (o.symbol > 0) {
            p.on = p.off = 0;
            m_c.symbol((a.x + b.x) / 2, (a.y + b.y) / 2, std::fabs(b.x - a.x), std::fabs(b.y - a.y),
                       symbol_shape(stored_symbol_type(o.symbol - 1)), p);
            return;
        }
        m_c.polyline({a, b}, p);
    }

    // A text at a point of the box (one outside it is left out).
    void draw_text(const TextObject& o) {
        const double at[3] = {o.wx, o.wy, o.z.value_or(0)};
        if (o.text.empty() || !in_box(at)) return;
        const Point q = m_proj.at(at[0], at[1], at[2]).p;
        if (!std::isfinite(q.x + q.y)) return;
        const int font = o.font >= 0 ? o.font : m_s.font[0];
        const int size = m_f.scaled(o.size > 0 ? o.size : m_s.font[1]);
        const bool right = o.rot == 360;
        m_c.text(q.x, q.y, o.text, font, size, right ? AL_Right : AL_Left, right ? 0 : o.rot, m_pen(1).colour);
    }

    bool in_box(const double v[3]) const {
        for (int k = 0; k < 3; ++k) {
            const double slack = 1e-9 * (m_axes[k].hi - m_axes[k].lo);
            if (!(v[k] >= m_axes[k].lo - slack && v[k] <= m_axes[k].hi + slack)) return false;
        }
        return true;
    }

    // Cuts the segment from `a` to `b` to the part inside the box (parametric
    // clipping against the six faces); false when none of it is inside.
    bool clip_to_box(double a[3], double b[3]) const {
        double t0 = 0, t1 = 1;
        for (int k = 0; k < 3; ++k) {
            const double d = b[k] - a[k];
            if (!std::isfinite(a[k]) || !std::isfinite(d)) return false;
            for (const auto& [p, q] : {std::pair{-d, a[k] - m_axes[k].lo}, std::pair{d, m_axes[k].hi - a[k]}}) {
                if (p == 0) {
                    if (q < 0) return false;
                    continue;
                }
                const double r = q / p;
                if (p < 0) t0 = std::max(t0, r);
                else t1 = std::min(t1, r);
            }
        }
        if (t0 > t1) return false;
        double c[3], e[3];
        for (int k = 0; k < 3; ++k) c[k] = a[k] + t0 * (b[k] - a[k]), e[k] = a[k] + t1 * (b[k] - a[k]);
        std::copy_n(c, 3, a);
        std::copy_n(e, 3, b);
        return true;
    }

    const Graph& m_g;
    int m_a;
    Canvas& m_c;
    const PenOf& m_pen;
    const LayoutSettings& m_s;
    const Axis3* m_axes;
    const BoxProjection& m_proj;
    const AreaFrame& m_f;
    double m_half[3] = {1, 1, 1};
    int m_floor = 0, m_back_x = 0, m_back_y = 0;
    Point m_centre{0, 0};
    std::vector<std::array<double, 4>> m_labels;  // rectangles taken by tick labels
};

}  // namespace

void draw_solid(const Graph& g, int a, const AreaFrame& f, Canvas& c, const PenOf& pen, int colour_model) {
    const LayoutSettings& st = settings();
    Axis3 axes[3];
    if (!solid_axes(g, a, axes)) return;
    const View3 view = area_view(g, a);
    const BoxProjection proj = BoxProjection::fitted(view, axes, f);
    SolidScene scene(g, a, c, pen, axes, view, proj, f);
    scene.draw_box();
    scene.draw_axes();
    const double zlo = axes[2].lo, zhi = axes[2].hi;
    // Fixed axes and world ranges cut the data at the box.
    auto inside = [&axes](double x, double y, double z) {
        const double v[3] = {x, y, z};
        for (int k = 0; k < 3; ++k) {
            const double slack = 1e-9 * (axes[k].hi - axes[k].lo);
            if (!(v[k] >= axes[k].lo - slack && v[k] <= axes[k].hi + slack)) return false;
        }
        return true;
    };

    struct Face {
        std::vector<Point> pts;
        double depth;
        uint32_t colour;
        int symbol = 0;  // a point drawn as symbol type symbol - 1 at pts[0]
        double size = 0;
    };
    std::vector<Face> faces;
    each_solid(g, a, [&](const XYObject& o) {
        const int pal = std::clamp(o.palette, 0, k_palette_count - 1);
        auto shade = [&](double z) {
            const double t = std::clamp((z - zlo) / (zhi - zlo), 0.0, 1.0);
            const uint32_t lo = st.palette_min[pal], hi = st.palette_max[pal];
            auto mix = [t](int l, int h) { return static_cast<int>(std::lround(l + (h - l) * t)); };
            const uint32_t mixed =
                rgb(mix(red_of(lo), red_of(hi)), mix(green_of(lo), green_of(hi)), mix(blue_of(lo), blue_of(hi)));
            if (colour_model >= 3) return mixed;
            const int grey =
                static_cast<int>(0.3 * red_of(mixed) + 0.59 * green_of(mixed) + 0.11 * blue_of(mixed) + 0.5);
            return rgb(grey, grey, grey);
        };
        const std::size_t cols = o.x.v.size(), rows = o.y.v.size();
        const bool mesh = o.form == XY_Mesh;
        if (mesh && (cols == 0 || o.z.v.size() != rows * cols)) return;
        // A surface over scattered points: the Delaunay triangles of their
        // x-y positions in the box, each shaded by its mean height.
        if (o.form == XY_Triangle && o.symbol.style != ST_Symbols) {
            const std::size_t n = std::min({cols, rows, o.z.v.size()});
            std::vector<Point> xy(n);
            for (std::size_t k = 0; k < n; ++k)
                xy[k] = inside(o.x.v[k], o.y.v[k], o.z.v[k])
                            ? Point{axes[0].fraction(o.x.v[k]), axes[1].fraction(o.y.v[k])}
                            : Point{NAN, NAN};
            std::size_t drawn = 0;
            for (const auto& t : delaunay(xy)) {
                Face face{{}, 0, 0};
                double zsum = 0;
                for (const int k : t) {
                    const Seen s = proj.at(o.x.v[k], o.y.v[k], o.z.v[k]);
                    face.pts.push_back(s.p);
                    face.depth += s.depth / 3;
                    zsum += o.z.v[k];
                }
                if (!std::isfinite(face.pts[0].x + face.pts[1].x + face.pts[2].x + face.pts[0].y + face.pts[1].y +
                                   face.pts[2].y))
                    continue;
                face.colour = shade(zsum / 3);
                faces.push_back(std::move(face));
                ++drawn;
            }
            if (drawn > 0) return;  // else (points on a line) as points
        }
        if (o.form == XY_Triangle || o.symbol.style == ST_Symbols) {
            const std::size_t n = mesh ? o.z.v.size() : std::min({cols, rows, o.z.v.size()});
            for (std::size_t k = 0; k < n; ++k) {
                const double x = mesh ? o.x.v[k % cols] : o.x.v[k];
                const double y = mesh ? o.y.v[k / cols] : o.y.v[k];
                const double z = o.z.v[k];
                if (!inside(x, y, z)) continue;
                const Seen s = proj.at(x, y, z);
                if (!std::isfinite(s.p.x + s.p.y)) continue;
                const double size = o.symbol.size > 0 ? o.symbol.size : 90, h = size / 2;
                // A square face coloured by its height, or the symbol the
                // object chose, in that colour.
                if (o.symbol.type > 0)
                    faces.push_back({{s.p}, s.depth, shade(z), o.symbol.type + 1, size});
                else
                    faces.push_back({{{s.p.x - h, s.p.y - h}, {s.p.x + h, s.p.y - h}, {s.p.x + h, s.p.y + h},
                                      {s.p.x - h, s.p.y + h}},
                                     s.depth, shade(z)});
            }
            return;
        }
        for (std::size_t i = 0; i + 1 < rows; ++i)
            for (std::size_t j = 0; j + 1 < cols; ++j) {
                const std::size_t cell[4][2] = {{i, j}, {i, j + 1}, {i + 1, j + 1}, {i + 1, j}};
                Face face{{}, 0, 0};
                double zsum = 0;
                bool ok = true;
                for (const auto& [r, k] : cell) {
                    const double z = o.z.v[r * cols + k];
                    ok = inside(o.x.v[k], o.y.v[r], z);
                    if (!ok) break;
                    const Seen s = proj.at(o.x.v[k], o.y.v[r], z);
                    ok = std::isfinite(s.p.x + s.p.y);
                    if (!ok) break;
                    face.pts.push_back(s.p);
                    face.depth += s.depth / 4;
                    zsum += z;
                }
                if (!ok) continue;
                face.colour = shade(zsum / 4);
                faces.push_back(std::move(face));
            }
    });
    std::stable_sort(faces.begin(), faces.end(), [](const Face& l, const Face& r) { return l.depth > r.depth; });
    Pen edge = pen(1);
    edge.width = 4;
    edge.on = edge.off = 0;
    for (Face& face : faces) {
        if (face.symbol > 0) {
            Pen p = edge;
            p.colour = face.colour;
            p.width = std::max(4, static_cast<int>(face.size / 10));  // outlines scale with the symbol
            c.symbol(face.pts[0].x, face.pts[0].y, face.size, face.size,
                     symbol_shape(stored_symbol_type(face.symbol - 1)), p);
            continue;
        }
        c.fill(face.pts, face.colour);
        face.pts.push_back(face.pts.front());
        c.polyline(face.pts, edge);
    }
    scene.draw_placed();
}

}  // namespace kj::graphics
