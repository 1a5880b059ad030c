#include "graphics/scene_3d.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace kj::graphics {

namespace {

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

}  // namespace

// Surfaces and points in three dimensions, seen from a fixed direction:
// the box of the data ranges is scaled to [-1, 1] in each direction,
// turned by 35 degrees about the vertical and looked at from 25 degrees
// above, and projected orthographically into the plot rectangle. Faces
// are drawn from the back to the front.
void draw_solid(const Graph& g, int a, const AreaFrame& f, Canvas& c, const PenOf& pen) {
    const LayoutSettings& st = settings();
    Range xr, yr, zr;
    for (const DrawObject& o : g.objects) {
        if (o.area != a || o.kind != K_XY || o.form == XY_Plain) continue;
        for (const double v : o.x.v) xr.add(v);
        for (const double v : o.y.v) yr.add(v);
        for (const double v : o.z.v) zr.add(v);
    }
    if (xr.empty() || yr.empty() || zr.empty()) return;
    const double sa = std::sin(35 * M_PI / 180), ca = std::cos(35 * M_PI / 180);
    const double se = std::sin(25 * M_PI / 180), ce = std::cos(25 * M_PI / 180);
    const double half_w = std::sqrt(2.0), half_h = ce + std::sqrt(2.0) * se;
    const double scale = std::min((f.right - f.left) / (2 * half_w), (f.top - f.bottom) / (2 * half_h));
    const double cx = (f.left + f.right) / 2, cy = (f.bottom + f.top) / 2;
    auto unit = [](const Range& r, double v) { return r.hi > r.lo ? 2 * (v - r.lo) / (r.hi - r.lo) - 1 : 0.0; };
    struct Seen {
        Point p;
        double depth;  // larger is farther away
    };
    auto see = [&](double x, double y, double z) {
        const double u = unit(xr, x), v = unit(yr, y), w = unit(zr, z);
        const double q = u * sa + v * ca;
        return Seen{{cx + scale * (u * ca - v * sa), cy + scale * (w * ce + q * se)}, q * ce - w * se};
    };
    // The floor of the box and its back corner post.
    const Pen frame = pen(1);
    std::vector<Point> floor;
    for (const auto& [x, y] : {std::pair{xr.lo, yr.lo}, {xr.hi, yr.lo}, {xr.hi, yr.hi}, {xr.lo, yr.hi}, {xr.lo, yr.lo}})
        floor.push_back(see(x, y, zr.lo).p);
    c.polyline(floor, frame);
    c.polyline({see(xr.lo, yr.hi, zr.lo).p, see(xr.lo, yr.hi, zr.hi).p}, frame);

    struct Face {
        std::vector<Point> pts;
        double depth;
        uint32_t colour;
    };
    std::vector<Face> faces;
    for (const DrawObject& o : g.objects) {
        if (o.area != a || o.kind != K_XY || o.form == XY_Plain) continue;
        const int pal = std::clamp(o.palette, 0, k_palette_count - 1);
        auto shade = [&](double z) {
            const double t = zr.hi > zr.lo ? std::clamp((z - zr.lo) / (zr.hi - zr.lo), 0.0, 1.0) : 0.5;
            const uint32_t lo = st.palette_min[pal], hi = st.palette_max[pal];
            auto mix = [t](int l, int h) { return static_cast<int>(std::lround(l + (h - l) * t)); };
            return rgb(mix(red_of(lo), red_of(hi)), mix(green_of(lo), green_of(hi)), mix(blue_of(lo), blue_of(hi)));
        };
        const bool as_points = o.form == XY_Triangle || o.symbol[2] == ST_Symbols;
        if (as_points) {
            const std::size_t n = o.form == XY_Mesh ? o.z.v.size() : std::min({o.x.v.size(), o.y.v.size(), o.z.v.size()});
            for (std::size_t k = 0; k < n; ++k) {
                const double x = o.form == XY_Mesh ? o.x.v[k % o.x.v.size()] : o.x.v[k];
                const double y = o.form == XY_Mesh ? o.y.v[k / o.x.v.size()] : o.y.v[k];
                const double z = o.z.v[k];
                if (!std::isfinite(x + y + z)) continue;
                const Seen s = see(x, y, z);
                const double size = o.symbol[1] > 0 ? o.symbol[1] : 90;
                const double h = size / 2;
                // A square symbol face, coloured by its height.
                faces.push_back({{{s.p.x - h, s.p.y - h}, {s.p.x + h, s.p.y - h}, {s.p.x + h, s.p.y + h},
                                  {s.p.x - h, s.p.y + h}},
                                 s.depth, shade(z)});
            }
            continue;
        }
        const std::size_t cols = o.x.v.size(), rows = o.y.v.size();
        for (std::size_t i = 0; i + 1 < rows; ++i)
            for (std::size_t j = 0; j + 1 < cols; ++j) {
                const std::size_t c[4][2] = {{i, j}, {i, j + 1}, {i + 1, j + 1}, {i + 1, j}};
                Face face{{}, 0, 0};
                double zsum = 0;
                bool ok = true;
                for (const auto& [r, k] : c) {
                    const double z = o.z.v[r * cols + k];
                    ok = ok && std::isfinite(o.x.v[k] + o.y.v[r] + z);
                    if (!ok) break;
                    const Seen s = see(o.x.v[k], o.y.v[r], z);
                    face.pts.push_back(s.p);
                    face.depth += s.depth / 4;
                    zsum += z;
                }
                if (!ok) continue;
                face.colour = shade(zsum / 4);
                faces.push_back(std::move(face));
            }
    }
    std::stable_sort(faces.begin(), faces.end(), [](const Face& l, const Face& r) { return l.depth > r.depth; });
    Pen edge = pen(1);
    edge.width = 4;
    edge.on = edge.off = 0;
    for (Face& face : faces) {
        c.fill(face.pts, face.colour);
        face.pts.push_back(face.pts.front());
        c.polyline(face.pts, edge);
    }
}

}  // namespace kj::graphics
