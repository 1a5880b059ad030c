// Legend placement: the first corner free of data, else below the plot;
// explicit placements and the legend settings win over the search. Data
// clusters are laid out so that a corner's legend box would cover them (one
// area is 12664 x 7664 units; x and y run from 0 to 10, so one unit of y is
// 766 paper units and a two-entry legend reaches from y = 9.6 down to 8.6).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/draw_requests.h"
#include "graphics/graph.h"
#include "graphics/scene.h"
#include "graph_fixture.h"
#include "recording_canvas.h"

namespace kg = kj::graphics;
using kj::test::Recording;

namespace {

class LegendLayout : public kj::test::GraphFixture {
protected:
    // Points at x0, x0 + 0.25, ... up to x0 + 3 with y cycling through y0, y0 + 1, y0 + 2.
    static void cluster(const char* name, double x0, double y0) {
        std::vector<double> y;
        for (int t = 0; t <= 12; ++t) y.push_back(y0 + t % 3);
        const std::vector<double> dv = {x0, 0.25};
        ASSERT_EQ(kg::default_draw("Vector", 0, y.data(), static_cast<int>(y.size()), name, nullptr, 0, nullptr,
                                   nullptr, 0, nullptr, kg::ST_Symbols, 2, nullptr, 0, dv.data(), 2),
                  0);
    }
    static void request(const char* cmd, int i1, int i2, const std::vector<int>& iv = {},
                        const std::vector<double>& dv = {}) {
        ASSERT_EQ(kg::default_draw(cmd, 0, nullptr, 0, nullptr, nullptr, 0, nullptr, nullptr, 0, nullptr, i1, i2,
                                   iv.empty() ? nullptr : iv.data(), static_cast<int>(iv.size()),
                                   dv.empty() ? nullptr : dv.data(), static_cast<int>(dv.size())),
                  0);
    }
    static kg::AreaFrame frame() { return kg::area_frame(kg::current_graph(), 0); }
    static const Recording::Text* text(const Recording& r, const std::string& s) {
        for (const Recording::Text& t : r.texts)
            if (t.s == s) return &t;
        return nullptr;
    }
    static Recording render() {
        Recording r;
        kg::render(kg::current_graph(), r, 3);
        return r;
    }
};

TEST_F(LegendLayout, TakesTheFirstCornerFreeOfData) {
    const int one_column[5] = {1, 1, 0, 0, 0};
    kg::apply_set_draw(7, one_column);
    cluster("top left", 0, 8);
    cluster("bottom right", 7, 0);
    kg::AreaFrame f = frame();
    ASSERT_DOUBLE_EQ(f.xmax, 10);
    ASSERT_DOUBLE_EQ(f.ymax, 10);
    EXPECT_TRUE(f.legend.shown);
    EXPECT_FALSE(f.legend.outside);
    EXPECT_NEAR(f.legend.left + f.legend.width, f.right - 300, 1e-9);  // top right
    EXPECT_NEAR(f.legend.top, f.top - 300, 1e-9);
    Recording r = render();
    ASSERT_NE(text(r, "top left"), nullptr);
    EXPECT_GT(text(r, "top left")->x, (f.left + f.right) / 2);
    EXPECT_NEAR(text(r, "bottom right")->y, text(r, "top left")->y - 1.3 * 300, 1e-9);  // stacked in one column

    cluster("top right", 7, 8);  // now the bottom left is the only free corner
    f = frame();
    EXPECT_NEAR(f.legend.left, f.left + 300, 1e-9);
    EXPECT_NEAR(f.legend.top - f.legend.height, f.bottom + 300, 1e-9);
    r = render();
    EXPECT_LT(text(r, "top left")->y, (f.bottom + f.top) / 2);
}

TEST_F(LegendLayout, GoesBelowThePlotWhenNoCornerIsFree) {
    std::vector<double> zigzag;
    for (int t = 0; t < 200; ++t) zigzag.push_back(t % 2 ? 10 : 0);
    ASSERT_EQ(kg::default_draw("Vector", 0, zigzag.data(), 200, "zigzag", nullptr, 0, nullptr, nullptr, 0, nullptr,
                               kg::ST_Line, 2, nullptr, 0, nullptr, 0),
              0);
    const kg::AreaFrame f = frame();
    kg::settings().legendhide = 1;
    const kg::AreaFrame without = frame();
    kg::settings().legendhide = 0;
    EXPECT_TRUE(f.legend.outside);
    EXPECT_NEAR(f.bottom, without.bottom + 1.3 * 300, 1e-9);  // one row of the legend
    const Recording r = render();
    ASSERT_NE(text(r, "zigzag"), nullptr);
    EXPECT_LT(text(r, "zigzag")->y, f.bottom - 1.5 * kg::settings().font[1]);  // under the x labels
}

TEST_F(LegendLayout, ExplicitPlacementsAndSettingsWin) {
    cluster("top left", 0, 8);
    cluster("bottom right", 7, 0);
    request("PLegend", 1000, 500);  // DrawLegend: over the cluster, as asked
    kg::AreaFrame f = frame();
    Recording r = render();
    ASSERT_NE(text(r, "top left"), nullptr);
    EXPECT_NEAR(text(r, "top left")->x, f.left + 1000 + 550, 1e-9);
    EXPECT_NEAR(text(r, "top left")->y, f.top - 500 - 300, 1e-9);

    request("PLegend", 0, 0, {1});  // hidden
    EXPECT_FALSE(frame().legend.shown);
    EXPECT_EQ(text(render(), "top left"), nullptr);

    kg::discard_graph();
    cluster("top left", 0, 8);
    cluster("bottom right", 7, 0);
    request("DrawAdjust", kg::ADJ_Legend, 0, {}, {2});  // two columns, still placed automatically
    f = frame();
    r = render();
    EXPECT_EQ(f.legend.columns, 2);
    EXPECT_DOUBLE_EQ(text(r, "top left")->y, text(r, "bottom right")->y);
    EXPECT_GT(text(r, "top left")->x, (f.left + f.right) / 2);
    request("DrawAdjust", kg::ADJ_Legend, 0, {}, {1, 2000, 100});  // one column at an offset
    f = frame();
    EXPECT_NEAR(f.legend.left, f.left + 2000, 1e-9);
    EXPECT_NEAR(f.legend.top, f.top - 100, 1e-9);
    EXPECT_EQ(f.legend.columns, 1);

    kg::discard_graph();
    cluster("top left", 0, 8);
    const int fixed[5] = {0, 2, 0, 0, 0};  // automatic placement off: the top-left corner
    kg::apply_set_draw(7, fixed);
    f = frame();
    EXPECT_NEAR(f.legend.left, f.left + 300, 1e-9);
    EXPECT_NEAR(f.legend.top, f.top - 300, 1e-9);
    const int hide[5] = {1, 0, 0, 0, 0};
    kg::apply_set_draw(8, hide);
    EXPECT_FALSE(frame().legend.shown);
}

// Rows of points at y = 8.5 and 1.5 across the plot: a legend of font size
// 600 reaches down to y = 8.4 in the top corners (up to 1.6 in the bottom
// ones) and covers them; at four fifths of that size it ends at 8.64 and
// fits.
TEST_F(LegendLayout, ShrinksOnlyWithLegendResize) {
    const std::vector<double> top(41, 8.5), bottom(41, 1.5), dv = {0, 0.25};
    ASSERT_EQ(kg::default_draw("Vector", 0, top.data(), 41, "ab", nullptr, 0, nullptr, nullptr, 0, nullptr,
                               kg::ST_Symbols, 2, nullptr, 0, dv.data(), 2),
              0);
    ASSERT_EQ(kg::default_draw("Vector", 0, bottom.data(), 41, nullptr, nullptr, 0, nullptr, nullptr, 0, nullptr,
                               kg::ST_Symbols, 3, nullptr, 0, dv.data(), 2),
              0);
    const int size[5] = {600, 0, 0, 0, 0};
    kg::apply_set_draw(24, size);
    kg::AreaFrame f = frame();
    ASSERT_DOUBLE_EQ(f.ymax, 10);
    EXPECT_EQ(f.legend.size, 480);
    EXPECT_FALSE(f.legend.outside);
    const int off[5] = {0, 0, 0, 0, 0};
    kg::apply_set_draw(23, off);
    f = frame();
    EXPECT_EQ(f.legend.size, 600);
    EXPECT_TRUE(f.legend.outside);
}

}  // namespace
