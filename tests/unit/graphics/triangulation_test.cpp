// Delaunay triangulation of scattered points, and the three-dimensional
// surfaces and placed objects drawn with it: no point lies inside the
// circumcircle of a triangle, the triangles tile the convex hull, and lines
// and texts stop at the box.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "graphics/draw_requests.h"
#include "graphics/graph.h"
#include "graphics/scene.h"
#include "graphics/triangulation.h"
#include "graph_fixture.h"
#include "recording_canvas.h"

namespace kg = kj::graphics;
using kg::Point;

namespace {

double cross(const Point& o, const Point& a, const Point& b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); }

// The area of the convex hull (monotone chain).
double hull_area(std::vector<Point> p) {
    std::sort(p.begin(), p.end(), [](const Point& a, const Point& b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
    std::vector<Point> h(2 * p.size());
    std::size_t k = 0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        while (k >= 2 && cross(h[k - 2], h[k - 1], p[i]) <= 0) --k;
        h[k++] = p[i];
    }
    for (std::size_t i = p.size() - 1, t = k + 1; i-- > 0;) {
        while (k >= t && cross(h[k - 2], h[k - 1], p[i]) <= 0) --k;
        h[k++] = p[i];
    }
    double a = 0;
    for (std::size_t i = 0; i + 1 < k; ++i) a += h[i].x * h[i + 1].y - h[i + 1].x * h[i].y;
    return a / 2;
}

// Checks the triangles of pts: counter-clockwise, no point inside any
// circumcircle, areas summing to the hull's.
void expect_delaunay(const std::vector<Point>& pts, const std::vector<std::array<int, 3>>& tris) {
    double total = 0;
    for (const auto& t : tris) {
        const Point &a = pts[t[0]], &b = pts[t[1]], &c = pts[t[2]];
        const double area2 = cross(a, b, c);
        ASSERT_GT(area2, 0);
        total += area2 / 2;
        for (const Point& d : pts) {  // the in-circle determinant
            const double ax = a.x - d.x, ay = a.y - d.y, bx = b.x - d.x, by = b.y - d.y, cx = c.x - d.x,
                         cy = c.y - d.y;
            const double det = (ax * ax + ay * ay) * (bx * cy - cx * by) - (bx * bx + by * by) * (ax * cy - cx * ay) +
                               (cx * cx + cy * cy) * (ax * by - bx * ay);
            EXPECT_LE(det, 1e-9);
        }
    }
    EXPECT_NEAR(total, hull_area(pts), 1e-9);
}

TEST(Delaunay, TrianglesTileTheHullWithEmptyCircumcircles) {
    // A square and its centre: four triangles meeting at the centre.
    const std::vector<Point> square = {{0, 0}, {2, 0}, {2, 2}, {0, 2}, {1, 1}};
    const auto four = kg::delaunay(square);
    EXPECT_EQ(four.size(), 4u);
    expect_delaunay(square, four);
    for (const auto& t : four) EXPECT_NE(std::find(t.begin(), t.end(), 4), t.end());

    // Scattered points on very different scales in x and y.
    std::vector<Point> cloud;
    unsigned s = 12345;
    auto next = [&s] { return (s = s * 1103515245u + 12345u) / 4294967296.0; };
    for (int i = 0; i < 150; ++i) cloud.push_back({1000 * next(), 0.001 * next()});
    const auto tris = kg::delaunay(cloud);
    // Euler: 2n - 2 - h triangles for n points with h on the hull, so at
    // least n - 2 and at most 2n - 5.
    EXPECT_GE(tris.size(), cloud.size() - 2);
    EXPECT_LE(tris.size(), 2 * cloud.size() - 5);
    // Delaunay in the unit square the bounding box is scaled to.
    double xlo = INFINITY, xhi = -INFINITY, ylo = INFINITY, yhi = -INFINITY;
    for (const Point& p : cloud)
        xlo = std::min(xlo, p.x), xhi = std::max(xhi, p.x), ylo = std::min(ylo, p.y), yhi = std::max(yhi, p.y);
    std::vector<Point> unit;
    for (const Point& p : cloud) unit.push_back({(p.x - xlo) / (xhi - xlo), (p.y - ylo) / (yhi - ylo)});
    expect_delaunay(unit, tris);
}

TEST(Delaunay, RepeatsMissingAndCollinearPointsAreLeftOut) {
    const std::vector<Point> pts = {{0, 0}, {1, 0}, {0, 1}, {1, 0}, {NAN, 3}, {0.2, INFINITY}};
    const auto tris = kg::delaunay(pts);
    ASSERT_EQ(tris.size(), 1u);
    for (const int k : tris[0]) EXPECT_LT(k, 3);
    EXPECT_TRUE(kg::delaunay({{0, 0}, {1, 1}, {2, 2}, {3, 3}}).empty());
    EXPECT_TRUE(kg::delaunay({{0, 0}, {1, 1}}).empty());
    EXPECT_TRUE(kg::delaunay({}).empty());
}

class ScatteredSurface : public kj::test::GraphFixture {
protected:
    static int draw(const char* cmd, std::vector<double> dv, int i1, int i2, const char* label = nullptr) {
        return kg::default_draw(cmd, 0, nullptr, 0, label, nullptr, 0, nullptr, nullptr, 0, nullptr, i1, i2, nullptr,
                                0, dv.data(), static_cast<int>(dv.size()));
    }
};

// Five points over the unit square: four faces, each shaded; a line from
// inside the box to far above it stops at the top face (z = 1), and a text
// above the box is not drawn.
TEST_F(ScatteredSurface, FacesAndObjectsCutAtTheBox) {
    const std::vector<double> x = {0, 1, 1, 0, 0.5}, y = {0, 0, 1, 1, 0.5}, z = {0, 0, 0, 0, 1};
    const int iv[2] = {1, 1};
    const double factor = 1;
    ASSERT_EQ(kg::default_draw("3D", 0, x.data(), 5, nullptr, y.data(), 5, nullptr, z.data(), 5, nullptr, 0, 2, iv, 2,
                               &factor, 1),
              0);
    ASSERT_EQ(draw("Line", {0.5, 0.5, 0.5, 0.5, 0.5, 3}, 3, 1), 0);  // (0.5, 0.5, 0.5) to (0.5, 0.5, 3)
    ASSERT_EQ(draw("Text3", {0.5, 0.5, 2}, 0, 0, "above"), 0);
    ASSERT_EQ(draw("Text3", {0.5, 0.5, 0.5}, 0, 0, "inside"), 0);
    kj::test::Recording r;
    kg::render(kg::current_graph(), r, 3);
    EXPECT_EQ(r.fills.size(), 4u);
    for (const auto& f : r.fills) EXPECT_EQ(f.pts.size(), 3u);
    EXPECT_FALSE(r.has_text("above"));
    EXPECT_TRUE(r.has_text("inside"));
    const auto blue = r.in_colour(kg::settings().colour[3]);
    ASSERT_EQ(blue.size(), 1u);
    // Vertical in the box: the line runs straight up on the paper, half as
    // long as the box's vertical edge from the middle of the box to its top.
    const auto& l = blue[0]->pts;
    EXPECT_NEAR(l[0].x, l[1].x, 1e-6);
    const double top = l[1].y, mid = l[0].y;
    EXPECT_GT(top, mid);
    kj::test::Recording uncut;
    kg::current_graph().objects[1].as<kg::LineObject>()->z = kg::Interval{0.5, 1};
    kg::render(kg::current_graph(), uncut, 3);
    const auto& same = uncut.in_colour(kg::settings().colour[3])[0]->pts;
    EXPECT_NEAR(same[1].y, top, 1e-6);  // cut at z = 1 is the segment that ends at z = 1
}

}  // namespace
