#include "graphics/triangulation.h"

#include <algorithm>
#include <cmath>

namespace kj::graphics {

namespace {

struct Triangle {
    int v[3];
    double cx, cy, r2;  // circumcircle
};

Triangle make(const std::vector<Point>& p, int a, int b, int c) {
    // Counter-clockwise order.
    const double cross = (p[b].x - p[a].x) * (p[c].y - p[a].y) - (p[b].y - p[a].y) * (p[c].x - p[a].x);
    if (cross < 0) std::swap(b, c);
    const double ax = p[a].x, ay = p[a].y, bx = p[b].x, by = p[b].y, cx = p[c].x, cy = p[c].y;
    const double d = 2 * (ax * (by - cy) + bx * (cy - ay) + cx * (ay - by));
    Triangle t{{a, b, c}, 0, 0, INFINITY};
    if (d != 0) {
        const double a2 = ax * ax + ay * ay, b2 = bx * bx + by * by, c2 = cx * cx + cy * cy;
        t.cx = (a2 * (by - cy) + b2 * (cy - ay) + c2 * (ay - by)) / d;
        t.cy = (a2 * (cx - bx) + b2 * (ax - cx) + c2 * (bx - ax)) / d;
        t.r2 = (ax - t.cx) * (ax - t.cx) + (ay - t.cy) * (ay - t.cy);
    }
    return t;
}

}  // namespace

std::vector<std::array<int, 3>> delaunay(const std::vector<Point>& pts) {
    // The finite points scaled to the unit square, each position once.
    double xlo = INFINITY, xhi = -INFINITY, ylo = INFINITY, yhi = -INFINITY;
    for (const Point& q : pts)
        if (std::isfinite(q.x) && std::isfinite(q.y))
            xlo = std::min(xlo, q.x), xhi = std::max(xhi, q.x), ylo = std::min(ylo, q.y), yhi = std::max(yhi, q.y);
    if (!(xhi > xlo) || !(yhi > ylo) || !std::isfinite(xhi - xlo) || !std::isfinite(yhi - ylo)) return {};
    std::vector<int> order;
    for (int i = 0; i < static_cast<int>(pts.size()); ++i)
        if (std::isfinite(pts[i].x) && std::isfinite(pts[i].y)) order.push_back(i);
    std::vector<Point> p;
    for (const int i : order) p.push_back({(pts[i].x - xlo) / (xhi - xlo), (pts[i].y - ylo) / (yhi - ylo)});
    std::vector<int> by_position(p.size());
    for (std::size_t k = 0; k < p.size(); ++k) by_position[k] = static_cast<int>(k);
    std::stable_sort(by_position.begin(), by_position.end(),
                     [&](int a, int b) { return p[a].x < p[b].x || (p[a].x == p[b].x && p[a].y < p[b].y); });
    std::vector<char> repeat(p.size(), 0);
    for (std::size_t k = 1; k < by_position.size(); ++k) {
        const Point& a = p[by_position[k - 1]];
        const Point& b = p[by_position[k]];
        if (std::fabs(a.x - b.x) < 1e-12 && std::fabs(a.y - b.y) < 1e-12) repeat[by_position[k]] = 1;
    }
    // A triangle far around the unit square to start from.
    const int n = static_cast<int>(p.size());
    p.push_back({-1e3, -1e3});
    p.push_back({3e3, -1e3});
    p.push_back({-1e3, 3e3});
    std::vector<Triangle> tris{make(p, n, n + 1, n + 2)};
    std::vector<std::array<int, 2>> edges;
    for (int i = 0; i < n; ++i) {
        if (repeat[i]) continue;
        const Point q = p[i];
        // The triangles whose circumcircle holds the point make a hole whose
        // rim is the edges they do not share; the point is joined to the rim.
        edges.clear();
        std::size_t kept = 0;
        for (std::size_t t = 0; t < tris.size(); ++t) {
            const Triangle& tr = tris[t];
            const double dx = q.x - tr.cx, dy = q.y - tr.cy;
            if (dx * dx + dy * dy < tr.r2 * (1 + 1e-12)) {
                for (int e = 0; e < 3; ++e) edges.push_back({tr.v[e], tr.v[(e + 1) % 3]});
            } else {
                tris[kept++] = tr;
            }
        }
        tris.resize(kept);
        for (std::size_t e = 0; e < edges.size(); ++e) {
            bool shared = false;
            for (std::size_t f = 0; f < edges.size() && !shared; ++f)
                shared = f != e && edges[f][0] == edges[e][1] && edges[f][1] == edges[e][0];
            if (!shared) tris.push_back(make(p, edges[e][0], edges[e][1], i));
        }
    }
    std::vector<std::array<int, 3>> out;
    for (const Triangle& t : tris) {
        if (t.v[0] >= n || t.v[1] >= n || t.v[2] >= n || !std::isfinite(t.r2)) continue;
        out.push_back({order[t.v[0]], order[t.v[1]], order[t.v[2]]});
    }
    return out;
}

}  // namespace kj::graphics
