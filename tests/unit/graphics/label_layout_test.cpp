// Labels keep clear of each other and of their cell: the first x label and
// the lowest y label at the corner, the last x label at the right edge,
// titles wider than their cell, grids of areas with smaller labels, box
// plots named on the axis and legends that fit no corner. Text boxes are
// measured with the fonts' widths; a text reaches from 0.2 of its size
// below the baseline to 0.7 above.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "graphics/draw_requests.h"
#include "graphics/graph.h"
#include "graphics/scene.h"
#include "graphics/text_metrics.h"
#include "graph_fixture.h"
#include "recording_canvas.h"

namespace kg = kj::graphics;
using kj::test::Recording;

namespace {

struct Box {
    double x0, y0, x1, y1;
    std::string s;
};

// The boxes of the unrotated texts drawn.
std::vector<Box> text_boxes(const Recording& r) {
    std::vector<Box> out;
    for (const Recording::Text& t : r.texts) {
        if (t.rotation != 0) continue;
        const double w = kg::text_width(t.s, t.font, t.size);
        const double left = t.x - w * t.align * 0.5;
        out.push_back({left, t.y - 0.2 * t.size, left + w, t.y + 0.7 * t.size, t.s});
    }
    return out;
}

class LabelLayout : public kj::test::GraphFixture {
protected:
    static void request(const char* cmd, int area, const std::vector<double>& y, const char* name, int i1, int i2,
                        const std::vector<int>& iv = {}, const std::vector<double>& x = {}) {
        ASSERT_EQ(kg::default_draw(cmd, area, y.data(), static_cast<int>(y.size()), name,
                                   x.empty() ? nullptr : x.data(), static_cast<int>(x.size()), nullptr, nullptr, 0,
                                   nullptr, i1, i2, iv.empty() ? nullptr : iv.data(), static_cast<int>(iv.size()),
                                   nullptr, 0),
                  0);
    }
    static void title(int area, const char* text) { request("Title", area, {}, text, 0, 0); }
    static kg::AreaFrame frame() { return kg::area_frame(kg::current_graph(), 0); }
    static Recording render() {
        Recording r;
        kg::render(kg::current_graph(), r, 3);
        return r;
    }
    // No two texts overlap, and each stays inside the cell of its area.
    static void expect_clear() {
        const Recording r = render();
        const std::vector<Box> boxes = text_boxes(r);
        for (std::size_t i = 0; i < boxes.size(); ++i)
            for (std::size_t j = i + 1; j < boxes.size(); ++j) {
                const Box &a = boxes[i], &b = boxes[j];
                EXPECT_FALSE(a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1)
                    << "\"" << a.s << "\" and \"" << b.s << "\"";
            }
        const kg::Graph& g = kg::current_graph();
        for (int a = 0; a < g.area_count(); ++a) {
            const kg::AreaFrame f = kg::area_frame(g, a);
            for (const Box& b : boxes)
                if (b.x0 < f.cell_right && b.x1 > f.cell_left && b.y0 < f.cell_top && b.y1 > f.cell_bottom) {
                    EXPECT_GE(b.x0, f.cell_left) << b.s;
                    EXPECT_LE(b.x1, f.cell_right) << b.s;
                }
        }
    }
};

// y from -3 down at the corner: the lowest y label sits where the first
// x label would be centred; the x label moves right of it.
TEST_F(LabelLayout, TheFirstXLabelMakesWayForTheLowestYLabel) {
    request("Vector", 0, {-3, 0.2, -1, -2.5, 0.5, -0.4, -2}, nullptr, 0, 2, {}, {});
    const kg::AreaFrame f = frame();
    EXPECT_EQ(f.ymin, -3);
    EXPECT_GT(f.corner, f.cell_left);
    const Recording r = render();
    bool moved = false;
    for (const auto& t : r.texts)
        if (t.s == "1" && t.y < f.bottom - 0.5 * f.font) moved = t.align == kg::AL_Left && t.x >= f.corner;
    EXPECT_TRUE(moved);
    expect_clear();
}

// Monthly dates up to January 2025 in the right column of a grid: the last
// label ends inside the paper instead of running past it.
TEST_F(LabelLayout, TheLastXLabelStaysInsideItsCell) {
    std::vector<double> months, y;
    for (int m = 0; m < 25; ++m) {
        months.push_back(2460311 + 30.44 * m);  // 2024-01-01 on
        y.push_back(std::sin(m));
    }
    request("Vector", 0, {1, 2}, nullptr, 0, 2);
    request("DateVector", 1, y, "monthly", 0, 2, {}, months);
    expect_clear();
}

// Four areas: labels at 4^(-1/4) of the font, a title too wide for its cell
// shrinks to fit, and nothing collides.
TEST_F(LabelLayout, GridsOfAreasDrawSmallerLabelsAndTitlesFit) {
    for (int a = 0; a < 4; ++a) request("Vector", a, {1, 5, 2, 8, 3}, "series", 0, 2);
    title(0, "A title of many words that would run far past the edge of its quarter of the paper");
    title(1, "Short");
    const kg::AreaFrame f = kg::area_frame(kg::current_graph(), 1);
    EXPECT_EQ(f.font, 233);  // 330 / sqrt(2), rounded
    const Recording r = render();
    for (const auto& t : r.texts) {
        if (t.s == "Short") { EXPECT_EQ(t.size, 280); }  // 1.2 * 330 * 0.7071, rounded
    }
    expect_clear();
}

// Three groups: their names under the boxes, at 1, 2 and 3, instead of
// numbers on the axis or a legend.
TEST_F(LabelLayout, BoxPlotsNameTheirGroupsOnTheAxis) {
    const std::vector<double> a = {1, 2, 3, 4, 5, 6, 7, 30}, b = {2, 4, 6, 8, 10}, c = {5, 5.5, 6, 6.5};
    request("BoxPlot", 0, a, "first", 0, 2);
    request("BoxPlot", 0, b, "second", 1, 3);
    request("BoxPlot", 0, c, "third", 2, 4);
    const kg::AreaFrame f = frame();
    EXPECT_FALSE(f.legend.shown);
    const Recording r = render();
    std::vector<std::string> below;
    for (const auto& t : r.texts)
        if (t.y < f.bottom - 0.5 * f.font) below.push_back(t.s);
    EXPECT_EQ(below, (std::vector<std::string>{"first", "second", "third"}));
    for (const auto& t : r.texts) {
        if (t.s == "second") { EXPECT_NEAR(t.x, f.px(2), 1e-9); }
    }
    expect_clear();
}

// A legend wider than the plot of a small area fits no corner: it is drawn
// in one column at a size that keeps it inside the plot.
TEST_F(LabelLayout, ALegendLargerThanItsPlotShrinksIntoIt) {
    for (int a = 0; a < 9; ++a) request("Vector", a, {1, 2, 3, 4}, nullptr, 0, 2);
    request("Vector", 4, {4, 3, 2, 1}, "a series with a very long name indeed, longer than the plot", 0, 3);
    const kg::AreaFrame f = kg::area_frame(kg::current_graph(), 4);
    ASSERT_TRUE(f.legend.shown);
    EXPECT_GE(f.legend.left, f.left);
    EXPECT_LE(f.legend.left + f.legend.width, f.right);
    expect_clear();
}

}  // namespace
