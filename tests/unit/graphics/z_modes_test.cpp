// The ways a third dimension is drawn at the points of a series: high-low
// bars, fans of nested bands, symbols sized by z, points in three
// dimensions; and what the native format keeps of them.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "graph_fixture.h"
#include "graphics/draw_requests.h"
#include "graphics/graph.h"
#include "graphics/scene.h"
#include "graphics/writers.h"
#include "recording_canvas.h"

namespace kg = kj::graphics;
using kj::test::Recording;

namespace {

constexpr uint32_t k_red = 0x0000FF;

class ZModes : public kj::test::GraphFixture {
protected:
    static int request(const char* cmd, const std::vector<double>& v, int i1, int i2, std::vector<double> dv = {}) {
        return kg::default_draw(cmd, 0, v.data(), static_cast<int>(v.size()),
                                std::string(cmd) == "Z" ? "z" : nullptr, nullptr, 0, nullptr, nullptr, 0,
                                nullptr, i1, i2, nullptr, 0, dv.empty() ? nullptr : dv.data(),
                                static_cast<int>(dv.size()));
    }
    static Recording render() {
        Recording r;
        kg::render(kg::current_graph(), r, 3);
        return r;
    }
    static kg::AreaFrame frame() { return kg::area_frame(kg::current_graph(), 0); }
};

TEST_F(ZModes, HighLowBarsRunFromYToZ) {
    ASSERT_EQ(request("Vector", {5, 6, 7}, 0, 2), 0);
    ASSERT_EQ(request("Z", {1, 2, NAN}, kg::ZM_HiLo, 2), 0);
    const kg::AreaFrame f = frame();
    EXPECT_LE(f.ymin, 1);  // the lows widen the range
    std::vector<const Recording::Line*> bars;
    const Recording r = render();
    for (const auto* l : r.in_colour(k_red))
        if (l->pts.size() == 2) bars.push_back(l);
    ASSERT_EQ(bars.size(), 2u);  // none where z is missing
    EXPECT_NEAR(bars[0]->pts[0].x, f.px(1), 1e-9);
    EXPECT_NEAR(bars[0]->pts[0].y, f.py(5), 1e-9);
    EXPECT_NEAR(bars[0]->pts[1].y, f.py(1), 1e-9);
    EXPECT_NEAR(bars[1]->pts[1].x, f.px(2), 1e-9);
    EXPECT_NEAR(bars[1]->pts[1].y, f.py(2), 1e-9);
}

// y = 0 with z = 1, 2, 1 and factor 3: bands to +-1, 2, 3 times z.
TEST_F(ZModes, FansNestThreeLighterBandsBehindTheSeries) {
    ASSERT_EQ(request("Vector", {0, 0, 0}, 0, 2), 0);
    ASSERT_EQ(request("Z", {1, 2, 1}, kg::ZM_Fan, 2, {3}), 0);
    const kg::AreaFrame f = frame();
    EXPECT_DOUBLE_EQ(f.ymin, -6);  // -6 .. 6 falls on ticks 2 apart
    EXPECT_DOUBLE_EQ(f.ymax, 6);
    const Recording r = render();
    ASSERT_EQ(r.fills.size(), 3u);
    // Red mixed with 75, 50 and 25% white, outermost first.
    EXPECT_EQ(r.fills[0].colour, 0xBFBFFFu);
    EXPECT_EQ(r.fills[1].colour, 0x7F7FFFu);
    EXPECT_EQ(r.fills[2].colour, 0x3F3FFFu);
    for (const auto& fill : r.fills) ASSERT_EQ(fill.pts.size(), 6u);  // three points up, three back down
    EXPECT_NEAR(r.fills[0].pts[1].y, f.py(6), 1e-9);
    EXPECT_NEAR(r.fills[0].pts[4].y, f.py(-6), 1e-9);
    EXPECT_NEAR(r.fills[2].pts[1].y, f.py(2), 1e-9);
    EXPECT_NEAR(r.fills[2].pts[3].x, f.px(3), 1e-9);
    EXPECT_LT(r.sequence.rfind('f'), r.sequence.rfind('l'));  // the series line stays on top
}

TEST_F(ZModes, SymbolAreasFollowZ) {
    ASSERT_EQ(request("Vector", {1, 2, 3}, 0, 2), 0);
    ASSERT_EQ(request("Z", {1, 4, 0}, kg::ZM_Symbol, 2, {1}), 0);
    // The symbol size of index 2 is 90: the largest z gets 3 * 90, a quarter
    // of it half that, and zero nothing.
    EXPECT_EQ(render().symbol_sizes, (std::vector<double>{135, 270}));
}

TEST_F(ZModes, NativeFormatKeepsTheFactorOfTheModesThatUseIt) {
    ASSERT_EQ(request("Vector", {1, 2}, 0, 2), 0);
    ASSERT_EQ(request("Vector", {3, 4}, 0, 3), 0);
    ASSERT_EQ(request("Z", {1, 1}, kg::ZM_Fan, 2, {2.5}), 0);
    ASSERT_EQ(request("Z", {0, 1}, kg::ZM_HiLo, 3, {7}), 0);
    const std::string text = kg::gwg_text(kg::current_graph());
    EXPECT_NE(text.find(" bar: 2.5 0 0;"), std::string::npos);
    EXPECT_EQ(text.find(" bar: 7"), std::string::npos);  // high-low bars have no factor
    const auto back = kg::parse_gwg(text);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->objects.size(), 2u);
    EXPECT_EQ(back->objects[0].as<kg::XYObject>()->zmode, kg::ZM_Fan);
    EXPECT_EQ(back->objects[0].as<kg::XYObject>()->z_factor, 2.5);
    EXPECT_EQ(back->objects[1].as<kg::XYObject>()->zmode, kg::ZM_HiLo);
    EXPECT_EQ(kg::gwg_text(*back), text);
}

// Observations 1 and 2 of a series starting at 1990 with step 0.5.
TEST_F(ZModes, ThreeDimensionalPointsTurnTheSeriesIntoPoints) {
    ASSERT_EQ(request("Vector", {4, 5}, 0, 3, {1990, 0.5}), 0);
    EXPECT_EQ(request("Z", {1}, kg::ZM_3D, 3), 1);  // one z per observation
    EXPECT_EQ(first_run_message(), "DrawZ(): three-dimensional points need one z value per observation");
    ASSERT_EQ(request("Z", {7, 8}, kg::ZM_3D, 3, {2}), 0);
    const kg::XYObject& o = *kg::current_graph().objects[0].as<kg::XYObject>();
    EXPECT_EQ(o.form, kg::XY_Triangle);
    EXPECT_EQ(o.x.v, (std::vector<double>{1990, 1990.5}));
    EXPECT_EQ(o.y.v, (std::vector<double>{4, 5}));
    EXPECT_EQ(o.z.v, (std::vector<double>{7, 8}));
    EXPECT_EQ(o.symbol.size, 180);  // twice the standard size
    EXPECT_EQ(o.palette, 1);      // index 3 takes the second palette entry
    EXPECT_EQ(render().fills.size(), 2u);
}

}  // namespace
