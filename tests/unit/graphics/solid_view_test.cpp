// How three-dimensional areas are seen: the projection under a view, the
// fit of the box into the plot rectangle, the axes and their ticks, and the
// view kept by DrawAdjust and the native format. Expected positions were
// computed with NumPy from a look-at camera (right, up and forward vectors
// of the eye), independently of the formulas drawn with.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "graph_fixture.h"
#include "graphics/draw_requests.h"
#include "graphics/graph.h"
#include "graphics/scene.h"
#include "graphics/scene_3d.h"
#include "graphics/writers.h"
#include "recording_canvas.h"

namespace kg = kj::graphics;
using kj::test::Recording;

namespace {

class SolidView : public kj::test::GraphFixture {
protected:
    static int xyz(const std::vector<double>& x, const std::vector<double>& y, const std::vector<double>& z,
                   int mode = 0) {
        const bool grid = z.size() != x.size() || x.size() != y.size() || mode == 2;
        const std::vector<int> iv = {grid ? static_cast<int>(y.size()) : 1, grid ? static_cast<int>(x.size()) : 1};
        const double dv[1] = {1};
        return kg::default_draw("3D", 0, x.data(), static_cast<int>(x.size()), nullptr, y.data(),
                                static_cast<int>(y.size()), nullptr, z.data(), static_cast<int>(z.size()), nullptr,
                                mode == 2 ? 0 : mode, 2, iv.data(), 2, dv, 1);
    }
    static int adjust(int type, int idx, std::vector<double> d) {
        return kg::default_draw("DrawAdjust", 0, nullptr, 0, nullptr, nullptr, 0, nullptr, nullptr, 0, nullptr, type,
                                idx, nullptr, 0, d.data(), static_cast<int>(d.size()));
    }
    static int request(const char* cmd, int i1, int i2, std::vector<int> iv, std::vector<double> dv,
                       const char* label = nullptr) {
        return kg::default_draw(cmd, 0, nullptr, 0, label, nullptr, 0, nullptr, nullptr, 0, nullptr, i1, i2,
                                iv.data(), static_cast<int>(iv.size()), dv.data(), static_cast<int>(dv.size()));
    }
    static const kg::AreaObject* area() { return kg::current_graph().first<kg::AreaObject>(0); }
    static Recording drawn(const kg::Graph& g) {
        Recording r;
        kg::render(g, r, 3);
        return r;
    }
    // The surface z = x * y over the unit square, on a 3 x 3 grid.
    static void unit_surface() { ASSERT_EQ(xyz({0, 0.5, 1}, {0, 0.5, 1}, {0, 0, 0, 0, 0.25, 0.5, 0, 0.5, 1}), 0); }
};

kg::View3 view(double rotation, double elevation, double distance = 0, double zoom = 1) {
    kg::View3 v;
    v.rotation = rotation, v.elevation = elevation, v.distance = distance, v.zoom = zoom;
    return v;
}

void expect_seen(const kg::Seen& s, double x, double y, double depth) {
    EXPECT_NEAR(s.p.x, x, 1e-12);
    EXPECT_NEAR(s.p.y, y, 1e-12);
    EXPECT_NEAR(s.depth, depth, 1e-12);
}

TEST_F(SolidView, PointsSeenUnderAView) {
    // Turned 30 degrees, seen from 45 up: (1, 0, 0) goes to cos 30 across,
    // sin 30 back, of which sin 45 shows upwards and cos 45 stays depth.
    expect_seen(kg::view_unit(view(30, 45), 1, 0, 0), 0.8660254037844386, 0.35355339059327373, 0.3535533905932738);
    // At 0 degrees level with the floor x runs right, z up and y away.
    expect_seen(kg::view_unit(view(0, 0), 1, 0, 0), 1, 0, 0);
    expect_seen(kg::view_unit(view(0, 0), 0, 1, 0), 0, 0, 1);
    expect_seen(kg::view_unit(view(0, 0), 0, 0, 1), 0, 1, 0);
    // Looking straight down, y runs up the page and the top is nearest.
    expect_seen(kg::view_unit(view(0, 90), 0, 1, 0), 0, 1, 0);
    EXPECT_NEAR(kg::view_unit(view(0, 90), 0, 0, 1).depth, -1, 1e-12);
    // Perspective from 4 half edges away: turned 90 degrees, the corner
    // (1, 1, 1) lies 1 deep, so it shrinks by 4 / 5 from (-1, 1).
    expect_seen(kg::view_unit(view(90, 0, 4), 1, 1, 1), -0.8, 0.8, 1);
    expect_seen(kg::view_unit(view(-120, -30, 3), 0.5, -1, 0.25), -1.0518576345494854, 0.17249007688542028,
                0.18301270189221905);
    // Behind the eye nothing is seen.
    EXPECT_TRUE(std::isnan(kg::view_unit(view(0, 0, 2), 0, -3, 0).p.x));
}

TEST_F(SolidView, TheBoxFillsThePlotRectangle) {
    kg::Axis3 axes[3];
    axes[0].lo = 0, axes[0].hi = 2, axes[1].lo = 0, axes[1].hi = 1, axes[2].lo = 0, axes[2].hi = 2;
    // The default view: the lowest and highest corners touch the bottom and
    // top of a 1000 x 500 rectangle, the centre of the box is its centre.
    const kg::BoxProjection p(kg::View3{}, axes, 0, 0, 1000, 500);
    const kg::Point lo = p.at(0, 0, 0).p, hi = p.at(2, 1, 2).p, mid = p.at(1, 0.5, 1).p;
    EXPECT_NEAR(lo.x, 458.9311053416494, 1e-9);
    EXPECT_NEAR(lo.y, 0, 1e-9);
    EXPECT_NEAR(hi.x, 541.0688946583506, 1e-9);
    EXPECT_NEAR(hi.y, 500, 1e-9);
    EXPECT_NEAR(mid.x, 500, 1e-9);
    EXPECT_NEAR(mid.y, 250, 1e-9);

    // A box of proportions 4 : 2 : 1 turned 120 degrees, seen from 40 up
    // and 4 half edges away, at 0.8 of the size that fits.
    kg::View3 v = view(120, 40, 4, 0.8);
    v.aspect[1] = 0.5, v.aspect[2] = 0.25;
    const kg::BoxProjection q(v, axes, 0, 0, 1000, 500);
    EXPECT_NEAR(q.at(0, 0, 0).p.x, 690.0348015667256, 1e-9);
    EXPECT_NEAR(q.at(0, 0, 0).p.y, 148.750715204422, 1e-9);
    EXPECT_NEAR(q.at(2, 1, 2).p.x, 289.35666001626953, 1e-9);
    EXPECT_NEAR(q.at(2, 1, 2).p.y, 401.04335846541426, 1e-9);
    EXPECT_NEAR(q.at(2, 0, 0).p.x, 462.70737109352126, 1e-9);
    EXPECT_NEAR(q.at(2, 0, 0).p.y, 374.2156216789484, 1e-9);
}

TEST_F(SolidView, AxesTakeFixedRangesWorldRangesOrTheData) {
    // x from the data (-3.7 .. 12.2: steps of 2.5, the narrowest nice cover
    // -5 .. 12.5), y from the data (0.013 ..
    // 0.087: steps of 0.02), z fixed from 0 to 100 with ticks from 10 every 25.
    ASSERT_EQ(xyz({-3.7, 12.2, 4}, {0.013, 0.087, 0.05}, {1, 2, 3}, 1), 0);
    ASSERT_EQ(request("Axis3", 2, 0, {}, {0, 0, 100, 10, 25, 5, 0}), 0);
    kg::Axis3 axes[3];
    ASSERT_TRUE(kg::solid_axes(kg::current_graph(), 0, axes));
    EXPECT_EQ(axes[0].lo, -3.7);
    EXPECT_EQ(axes[0].hi, 12.2);
    EXPECT_EQ(axes[0].step, 2.5);
    EXPECT_EQ(axes[0].first, -2.5);
    EXPECT_DOUBLE_EQ(axes[1].step, 0.02);
    EXPECT_DOUBLE_EQ(axes[1].first, 0.02);
    EXPECT_EQ(axes[2].lo, 0);
    EXPECT_EQ(axes[2].hi, 100);
    EXPECT_EQ(axes[2].step, 25);
    EXPECT_EQ(axes[2].first, 10);
    const Recording r = drawn(kg::current_graph());
    for (const char* label : {"0", "5", "10", "0.02", "0.08", "10", "35", "60", "85"})
        EXPECT_TRUE(r.has_text(label)) << label;
    EXPECT_FALSE(r.has_text("-5"));
    EXPECT_FALSE(r.has_text("0.10"));
    EXPECT_FALSE(r.has_text("100"));

    // A world z range wins over the data, a flat y range is widened by a
    // tenth each way, and a hidden axis keeps its range but loses its labels.
    kg::discard_graph();
    ASSERT_EQ(xyz({1, 2, 3}, {5, 5, 5}, {0.1, 0.2, 0.3}, 1), 0);
    ASSERT_EQ(adjust(kg::ADJ_AreaZ, 0, {-1, 1}), 0);
    ASSERT_EQ(request("AxisAuto3", 1, 0, {0}, {0}), 0);
    ASSERT_TRUE(kg::solid_axes(kg::current_graph(), 0, axes));
    EXPECT_EQ(axes[2].lo, -1);
    EXPECT_EQ(axes[2].hi, 1);
    EXPECT_EQ(axes[2].step, 0.5);
    EXPECT_DOUBLE_EQ(axes[1].lo, 4.5);
    EXPECT_DOUBLE_EQ(axes[1].hi, 5.5);
    EXPECT_FALSE(axes[0].shown);
    const Recording hidden = drawn(kg::current_graph());
    EXPECT_FALSE(hidden.has_text("2.0"));
    EXPECT_TRUE(hidden.has_text("-0.5"));
}

// Seen from straight above with no turn, the box is a square centred in
// the plot rectangle (less the room for labels): x labels below it at their
// fractions of its width, y labels to its left, and no z axis, which is
// seen end on. Titles stand beyond the labels.
TEST_F(SolidView, AxesLieOnTheFrontEdges) {
    unit_surface();
    ASSERT_EQ(adjust(kg::ADJ_Area3D, 0, {0, 90}), 0);
    ASSERT_EQ(request("Text3", 0, 0, {-1, -1, kg::TEXT_XLabel, 0}, {0, 0}, "east"), 0);
    ASSERT_EQ(request("Text3", 0, 0, {-1, -1, kg::TEXT_ZLabel, 0}, {0, 0}, "up"), 0);
    const Recording r = drawn(kg::current_graph());
    const kg::AreaFrame f = kg::area_frame(kg::current_graph(), 0);
    const double size = kg::settings().font[1];
    // Room for labels: 2.5 font sizes to each side, 0.8 below, 0.3 above.
    const double l = f.left + 2.5 * size, rt = f.right - 2.5 * size, b = f.bottom + 0.8 * size, t = f.top - 0.3 * size;
    const double side = std::min(rt - l, t - b);
    const double x0 = (l + rt) / 2 - side / 2, y0 = (b + t) / 2 - side / 2;
    std::vector<double> below, left;
    for (const auto& text : r.texts) {
        if (text.s == "east") {
            EXPECT_NEAR(text.x, x0 + side / 2, 1e-6);
            EXPECT_LT(text.y, y0 - size);
            continue;
        }
        EXPECT_NE(text.s, "up");
        if (text.y < y0 - 0.6 * size) below.push_back(text.x);
        if (text.x < x0 - 1) left.push_back(text.y);
    }
    ASSERT_EQ(below.size(), 6u);  // 0.0, 0.2, ..., 1.0
    ASSERT_EQ(left.size(), 6u);
    for (int k = 0; k < 6; ++k) EXPECT_NEAR(below[k], x0 + side * k / 5, 1e-6);
    for (int k = 1; k < 6; ++k) EXPECT_GT(left[k], left[k - 1]);
    // The highest corner (1, 1) is at the top right and the deepest red.
    ASSERT_FALSE(r.fills.empty());
    EXPECT_EQ(r.fills.back().colour, 0x7070FFu);  // mean height 0.5625 of 1: 255 * 0.4375 = 112
}

TEST_F(SolidView, TheViewChangesThePictureAndSurvivesTheNativeFormat) {
    unit_surface();
    const Recording before = drawn(kg::current_graph());
    ASSERT_EQ(adjust(kg::ADJ_Area3D, 0, {120, 40, 4, -1}), 0);
    ASSERT_EQ(adjust(kg::ADJ_Area3D, 0, {-1, -1, -1, 0.9}), 0);  // -1 keeps a value
    ASSERT_EQ(adjust(kg::ADJ_AreaZ, 0, {-1, 2}), 0);
    const kg::AreaObject* a = area();
    ASSERT_TRUE(a && a->view3);
    EXPECT_EQ(a->view3->rotation, 120);
    EXPECT_EQ(a->view3->elevation, 40);
    EXPECT_EQ(a->view3->distance, 4);
    EXPECT_EQ(a->view3->zoom, 0.9);
    const Recording after = drawn(kg::current_graph());
    ASSERT_EQ(after.fills.size(), before.fills.size());
    EXPECT_GT(std::fabs(after.fills[0].pts[0].x - before.fills[0].pts[0].x), 100);

    const std::string text = kg::gwg_text(kg::current_graph());
    EXPECT_NE(text.find(" wsetz: -1 2;\n 3dview: 120 40 4 0.9;\n"), std::string::npos) << text;
    const auto back = kg::parse_gwg(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(kg::gwg_text(*back), text);
    const Recording again = drawn(*back);
    EXPECT_EQ(again.sequence, after.sequence);
    EXPECT_EQ(again.fills[0].pts[0].x, after.fills[0].pts[0].x);
    EXPECT_EQ(again.fills[0].pts[0].y, after.fills[0].pts[0].y);

    // Proportions come from a file's "3d" line.
    std::string shaped = text;
    shaped.insert(shaped.find(" 3dview:"), " 3d: 1 1 0.25 0;\n");
    const auto flat = kg::parse_gwg(shaped);
    ASSERT_TRUE(flat);
    EXPECT_EQ(kg::area_view(*flat, 0).aspect[2], 0.25);
    EXPECT_EQ(kg::gwg_text(*flat), shaped);
}

TEST_F(SolidView, LinesAndTextsInTheBoxUseTheirZ) {
    unit_surface();
    ASSERT_EQ(request("Line", 3, 1, {}, {0, 0, 0, 1, 1, 1}), 0);
    ASSERT_EQ(request("Text3", 0, 0, {-1, -1, 0, 0}, {1, 1, 1}, "peak"), 0);
    const std::string text = kg::gwg_text(kg::current_graph());
    EXPECT_NE(text.find(" wsetz: 0 1;\n wset: 0 0 1 1 3;\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" wset: 1 1;\n wsetz: 1;\n"), std::string::npos) << text;
    const auto back = kg::parse_gwg(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(kg::gwg_text(*back), text);

    kg::Axis3 axes[3];
    ASSERT_TRUE(kg::solid_axes(*back, 0, axes));
    const kg::Point top = kg::BoxProjection::fitted(kg::area_view(*back, 0), axes, kg::area_frame(*back, 0))
                              .at(1, 1, 1)
                              .p;
    const Recording r = drawn(*back);
    const auto blue = r.in_colour(kg::settings().colour[3]);
    ASSERT_EQ(blue.size(), 1u);
    EXPECT_NEAR(blue[0]->pts[1].x, top.x, 1e-9);
    EXPECT_NEAR(blue[0]->pts[1].y, top.y, 1e-9);
    ASSERT_EQ(r.texts.back().s, "peak");
    EXPECT_NEAR(r.texts.back().x, top.x, 1e-9);
    EXPECT_NEAR(r.texts.back().y, top.y, 1e-9);
}

// z = x * y on the 3 x 3 grid over the unit square in a box cut at z = 0.3:
// only the cell at the origin (heights 0, 0, 0, 0.25) stays whole.
TEST_F(SolidView, TheBoxCutsTheData) {
    unit_surface();
    EXPECT_EQ(drawn(kg::current_graph()).fills.size(), 4u);
    ASSERT_EQ(adjust(kg::ADJ_AreaZ, 0, {0, 0.3}), 0);
    const Recording r = drawn(kg::current_graph());
    ASSERT_EQ(r.fills.size(), 1u);
    EXPECT_EQ(r.fills[0].colour, 0xCACAFFu);  // 0.0625 of 0.3: 255 * (1 - 0.2083) = 202
}

// Points keep their depth order whether drawn as shaded squares or, once a
// symbol type is chosen, as that symbol in the shade of their height.
TEST_F(SolidView, PointsAreSquaresOrTheirSymbol) {
    ASSERT_EQ(xyz({0, 1, 2}, {0, 1, 2}, {0, 1, 2}, 1), 0);
    const Recording squares = drawn(kg::current_graph());
    EXPECT_EQ(squares.fills.size(), 3u);
    EXPECT_TRUE(squares.symbol_sizes.empty());
    ASSERT_EQ(adjust(kg::ADJ_Symbol, -1, {12, 150}), 0);
    const Recording crosses = drawn(kg::current_graph());
    EXPECT_TRUE(crosses.fills.empty());
    EXPECT_EQ(crosses.symbol_sizes, (std::vector<double>{150, 150, 150}));
}

TEST_F(SolidView, BadViewsAndDataAreRefusedOrSkipped) {
    unit_surface();
    EXPECT_EQ(adjust(kg::ADJ_Area3D, 0, {NAN, 10}), 1);
    EXPECT_EQ(adjust(kg::ADJ_Area3D, -1, {10, 10}), 1);
    EXPECT_EQ(adjust(kg::ADJ_AreaZ, 0, {2, 1}), 1);
    EXPECT_EQ(adjust(kg::ADJ_AreaZ, 0, {-INFINITY, 1}), 1);
    EXPECT_FALSE(area() && area()->view3);
    // Unusable values read from a file fall back to the defaults or the
    // nearest usable ones: an eye at least 2 half edges away.
    kg::current_graph().add<kg::AreaObject>(0).view3 = kg::ViewSetting{NAN, 100, 1, -3};
    const kg::View3 v = kg::area_view(kg::current_graph(), 0);
    EXPECT_EQ(v.rotation, 35);
    EXPECT_EQ(v.elevation, 90);
    EXPECT_EQ(v.distance, 2);
    EXPECT_EQ(v.zoom, 1);

    // Nothing finite to draw, ranges too wide for doubles, a grid whose
    // heights do not fill it: drawn without faces, no crash.
    kg::Graph g;
    kg::XYObject& m = g.add<kg::XYObject>(0);
    m.form = kg::XY_Mesh;
    m.x.v = {0, 1};
    m.y.v = {0, 1};
    m.z.v = {NAN, NAN, NAN, NAN};
    EXPECT_TRUE(drawn(g).fills.empty());
    m.z.v = {-1e308, 1e308, 0, 0};
    EXPECT_TRUE(drawn(g).fills.empty());
    m.z.v = {1, 2, 3};
    m.y.v = {0, 1, 2};
    EXPECT_TRUE(drawn(g).fills.empty());
    kg::XYObject& pts = g.add<kg::XYObject>(0);
    pts.form = kg::XY_Triangle;
    pts.x.v = {1, 2};
    pts.y.v = {1};
    pts.z.v = {};
    EXPECT_TRUE(drawn(g).fills.empty());
}

}  // namespace
