// The graph model through the runtime's own draw callback: layout settings,
// request handling and the statistics the requests compute. Expected
// statistics were computed with NumPy/SciPy.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "graphics/draw_requests.h"
#include "graphics/draw_statistics.h"
#include "graphics/graph.h"
#include "graphics/scene.h"
#include "graph_fixture.h"

namespace kg = kj::graphics;

namespace {

class GraphModel : public kj::test::GraphFixture {
protected:
    static int set_draw(int option, std::vector<int> v) {
        v.resize(5, 0);
        return kg::default_draw("SetDrawOptions", 0, nullptr, 0, nullptr, nullptr, 0, nullptr, nullptr, 0, nullptr,
                                option, 0, v.data(), 5, nullptr, 0);
    }
    // A series request with the one series x and the given slots.
    static int request(const char* cmd, const std::vector<double>& x, const char* name, int i1, int i2,
                       std::vector<int> iv = {}, std::vector<double> dv = {}, int area = 0) {
        return kg::default_draw(cmd, area, x.data(), static_cast<int>(x.size()), name, nullptr, 0, nullptr, nullptr,
                                0, nullptr, i1, i2, iv.empty() ? nullptr : iv.data(), static_cast<int>(iv.size()),
                                dv.empty() ? nullptr : dv.data(), static_cast<int>(dv.size()));
    }
    static const std::vector<kg::DrawObject>& objects() { return kg::current_graph().objects; }
    template <class T>
    static std::vector<const T*> of_kind() {
        std::vector<const T*> out;
        for (const kg::DrawObject& o : objects())
            if (const T* t = o.as<T>()) out.push_back(t);
        return out;
    }
};

const std::vector<double> k_data = {2.1, -0.4, 1.3, 0.7, 3.9, -1.2, 0.0, 2.6, 1.1, -0.8};

TEST_F(GraphModel, SetDrawStoresWhatTheOptionsSay) {
    EXPECT_EQ(set_draw(1, {300, 900}), 0);
    EXPECT_EQ(kg::settings().margin, 900);
    set_draw(11, {4, 5, 120});  // symbol type 5 is stored as 2
    EXPECT_EQ(kg::settings().symbol[4][0], 2);
    EXPECT_EQ(kg::settings().symbol[4][1], 120);
    set_draw(11, {4, 14, 120});
    EXPECT_EQ(kg::settings().symbol[4][0], 2);
    set_draw(13, {7});
    EXPECT_EQ(kg::settings().colormodel, 3);
    set_draw(13, {1});
    EXPECT_EQ(kg::settings().colormodel, 1);
    set_draw(10, {2, 10, 20, 30});
    EXPECT_EQ(kg::settings().colour[2], 0x1E140Au);  // 0xBBGGRR
    set_draw(12, {3, 2, 0, -5, 0});                   // width and on length default to 10
    EXPECT_EQ(kg::settings().line[3].type, 2);
    EXPECT_EQ(kg::settings().line[3].width, 10);
    EXPECT_EQ(kg::settings().line[3].on, 10);
    set_draw(2, {1, 2, 1});  // flags count only when equal to 1
    EXPECT_EQ(kg::settings().box[0], 1);
    EXPECT_EQ(kg::settings().box[1], 0);

    const kg::LayoutSettings before = kg::settings();
    set_draw(30, {1, 1, 1, 1, 1});
    set_draw(26, {1, 1, 1, 1, 1});
    EXPECT_EQ(kg::settings().margin, before.margin);
    EXPECT_EQ(kg::settings().colour, before.colour);

    set_draw(0, {1});  // the layout only: the colour table stays
    EXPECT_EQ(kg::settings().margin, 640);
    EXPECT_EQ(kg::settings().colour[2], 0x1E140Au);
    set_draw(0, {0});
    EXPECT_EQ(kg::settings().colour[2], 0x0000FFu);  // red again
    EXPECT_EQ(kg::settings().colour[0], 0xFFFFFFu);
    EXPECT_EQ(kg::settings().colour[1], 0x000000u);
    EXPECT_EQ(kg::settings().colour[3], 0xFF0000u);  // blue
}

TEST_F(GraphModel, SeriesRequestsPlaceTheirObservations) {
    EXPECT_EQ(request("Vector", {1, 2, 3}, "a", 2, 5, {}, {10, 0.5}), 0);
    EXPECT_EQ(request("TimeVector", {4, 5}, nullptr, 0, 2, {1990, 3, 4}, {}, 1), 0);
    const std::vector<double> y = {1, 2, 3}, x = {7, 8, 9, 10};
    EXPECT_EQ(kg::default_draw("XVector", 2, y.data(), 3, "y", x.data(), 4, "x", nullptr, 0, nullptr, 1, 3, nullptr,
                               0, nullptr, 0),
              0);
    const auto xy = of_kind<kg::XYObject>();
    ASSERT_EQ(xy.size(), 3u);
    EXPECT_EQ(xy[0]->y.name, "a");
    EXPECT_EQ(xy[0]->symbol.style, kg::ST_LineSymbols);
    EXPECT_EQ(xy[0]->colour, 5);
    EXPECT_DOUBLE_EQ(kg::x_of(*xy[0], 2), 11.0);
    EXPECT_DOUBLE_EQ(kg::x_of(*xy[1], 0), 1990.5);  // period 3 of 4
    EXPECT_DOUBLE_EQ(kg::x_of(*xy[1], 1), 1990.75);
    EXPECT_EQ(xy[2]->x.v.size(), 3u);  // the shorter length
    EXPECT_EQ(xy[2]->x.name, "x");
    EXPECT_EQ(kg::current_graph().area_count(), 3);
    // Indices count per area.
    request("Vector", {1}, nullptr, 0, 2);
    EXPECT_EQ(objects().back().index, 1);
}

// DrawZ goes with the series of the previous call, row by row, and error
// bars widen the automatic range to y +- factor * z.
TEST_F(GraphModel, ThirdDimensionJoinsThePreviousSeries) {
    request("Vector", {1, 2, 3}, nullptr, 0, 2);
    request("Vector", {5, 5, 5}, nullptr, 0, 3);
    EXPECT_EQ(request("Z", {1, 1, 1}, "se", kg::ZM_Bar, 2, {}, {3}), 0);
    EXPECT_EQ(request("Z", {2, 2, 2}, "se", kg::ZM_Band, 3, {}, {2}), 0);
    const auto xy = of_kind<kg::XYObject>();
    EXPECT_EQ(xy[0]->z.v, (std::vector<double>{1, 1, 1}));
    EXPECT_EQ(xy[0]->z_factor, 3);
    EXPECT_EQ(xy[1]->z.v, (std::vector<double>{2, 2, 2}));
    const kg::AreaFrame f = kg::area_frame(kg::current_graph(), 0);
    // Data from 1 - 3 * 1 = -2 to 5 + 2 * 2 = 9: ticks every 2 from -2 to 10
    // (steps of 2.5 would reach from -2.5).
    EXPECT_DOUBLE_EQ(f.ymin, -2);
    EXPECT_DOUBLE_EQ(f.ymax, 10.0);
}

TEST_F(GraphModel, UnknownAndMalformedRequestsFailCleanly) {
    EXPECT_EQ(request("NoSuchRequest", {1}, nullptr, 0, 0), 1);
    EXPECT_EQ(kg::default_draw(nullptr, 0, nullptr, 0, nullptr, nullptr, 0, nullptr, nullptr, 0, nullptr, 0, 0,
                               nullptr, 0, nullptr, 0),
              1);
    EXPECT_EQ(request("Line", {}, nullptr, 2, 0, {}, {1, 2}), 1);  // too few coordinates
    EXPECT_EQ(request("PLine", {}, nullptr, 2, 0, {1, 2}), 1);
    EXPECT_EQ(request("Z", {1, 2}, nullptr, 0, 2), 1);  // nothing to add a z to
    EXPECT_TRUE(of_kind<kg::LineObject>().empty());
}

TEST_F(GraphModel, ShowStartsANewGraphAndCloseDiscards) {
    request("Vector", {1, 2}, nullptr, 0, 2);
    EXPECT_EQ(kg::default_draw_window("Show", nullptr), 1);
    EXPECT_EQ(first_run_message(), "Cannot show draw window!");
    ASSERT_NE(kg::current_graph_or_null(), nullptr);  // still there to be saved
    request("Vector", {3}, nullptr, 0, 2);
    EXPECT_EQ(objects().size(), 1u);
    EXPECT_EQ(kg::default_draw_window("Close", nullptr), 1);
    EXPECT_EQ(kg::current_graph_or_null(), nullptr);
    EXPECT_EQ(kg::default_draw_window("Save", "/nonexistent-dir/x.svg"), 1);  // no graph: nothing happens
    EXPECT_EQ(kg::default_draw_window("Set", "w"), 1);
}

TEST_F(GraphModel, AutomaticAxesRoundToTicks) {
    double lo = 0.13, hi = 9.7;
    EXPECT_DOUBLE_EQ(kg::nice_range(lo, hi, 5), 2.0);
    EXPECT_DOUBLE_EQ(lo, 0.0);
    EXPECT_DOUBLE_EQ(hi, 10.0);
    lo = -0.31, hi = 0.42;
    EXPECT_DOUBLE_EQ(kg::nice_range(lo, hi, 5), 0.2);
    EXPECT_NEAR(lo, -0.4, 1e-12);
    EXPECT_NEAR(hi, 0.6, 1e-12);
    lo = hi = 3;  // a constant series still gets a range
    kg::nice_range(lo, hi, 5);
    EXPECT_LT(lo, 3);
    EXPECT_GT(hi, 3);

    request("Vector", {1, 4, 2}, nullptr, 0, 2, {}, {1, 1});
    kg::AreaFrame f = kg::area_frame(kg::current_graph(), 0);
    EXPECT_DOUBLE_EQ(f.ymin, 1.0);
    EXPECT_DOUBLE_EQ(f.ymax, 4.0);
    // A fixed axis wins over the data.
    const std::vector<double> axis = {0, -10, 10, -10, 5, 1, 0};
    kg::default_draw("Axis3", 0, nullptr, 0, nullptr, nullptr, 0, nullptr, nullptr, 0, nullptr, 0, 0, nullptr, 0,
                     axis.data(), 7);
    f = kg::area_frame(kg::current_graph(), 0);
    EXPECT_DOUBLE_EQ(f.ymin, -10.0);
    EXPECT_DOUBLE_EQ(f.ymax, 10.0);
    EXPECT_DOUBLE_EQ(f.ystep, 5.0);
}

TEST_F(GraphModel, BoxPlotUsesInterpolatedQuartilesAndFences) {
    std::vector<double> s = k_data;
    std::sort(s.begin(), s.end());
    EXPECT_NEAR(kg::sorted_quantile(s, 0.25), -0.3, 1e-12);
    EXPECT_NEAR(kg::sorted_quantile(s, 0.5), 0.9, 1e-12);
    EXPECT_NEAR(kg::sorted_quantile(s, 0.75), 1.9, 1e-12);

    std::vector<double> y = k_data;
    y.push_back(15.0);  // quartiles -0.2, 1.1, 2.35: 15 lies beyond the upper fence
    y.push_back(NAN);   // ignored
    EXPECT_EQ(request("BoxPlot", y, "b", 0, 2), 0);
    const auto outside = of_kind<kg::XYObject>();
    ASSERT_EQ(outside.size(), 1u);
    ASSERT_EQ(outside[0]->y.v.size(), 1u);
    EXPECT_DOUBLE_EQ(outside[0]->y.v[0], 15.0);
    bool median = false, whisker_top = false;
    for (const kg::LineObject* o : of_kind<kg::LineObject>()) {
        if (o->y1 == o->y2 && std::fabs(o->y1 - 1.1) < 1e-12) median = true;
        if (o->x1 == o->x2 && std::fabs(o->y2 - 3.9) < 1e-12) whisker_top = true;
    }
    EXPECT_TRUE(median);
    EXPECT_TRUE(whisker_top);
    EXPECT_EQ(request("BoxPlot", {NAN, NAN}, "b", 1, 2), 1);
}

TEST_F(GraphModel, CorrelogramAndPartialAutocorrelations) {
    EXPECT_EQ(request("Acf", k_data, "x", 3, 2, {1, 1, 1, 1}), 0);
    const auto xy = of_kind<kg::XYObject>();
    ASSERT_EQ(xy.size(), 2u);
    EXPECT_NEAR(xy[0]->y.v[0], -0.3734814434313601, 1e-12);
    EXPECT_NEAR(xy[0]->y.v[1], -0.30130559479474345, 1e-12);
    EXPECT_NEAR(xy[0]->y.v[2], 0.06049826634133812, 1e-12);
    EXPECT_DOUBLE_EQ(kg::x_of(*xy[0], 0), 1.0);
    EXPECT_EQ(xy[0]->symbol.style, kg::ST_Index);
    EXPECT_NEAR(xy[1]->y.v[1], -0.5122464096199755, 1e-12);  // partial autocorrelation at lag 2
    EXPECT_EQ(of_kind<kg::LineObject>().size(), 2u);               // the +-2/sqrt(T) band
    EXPECT_NEAR(of_kind<kg::LineObject>()[0]->y1, 2 / std::sqrt(10.0), 1e-12);

    clear();
    EXPECT_EQ(request("Correlogram", k_data, "x", 10, 2), 1);
    EXPECT_EQ(first_run_message(), "Too few observations for correlogram");
    clear();
    EXPECT_EQ(request("Spectrum", {1, 2}, "x", 1, 2), 1);
    EXPECT_EQ(first_run_message(), "Too few observations for spectrum");
    clear();
    EXPECT_EQ(request("Spectrum", {1, 2, 3, 4, 5}, "x", 8, 2), 1);  // an order beyond the series
    EXPECT_EQ(first_run_message(), "Too few observations for spectrum");
    EXPECT_EQ(request("Spectrum", k_data, "x", 4, 2), 0);
}

TEST_F(GraphModel, DensityAndQQReferenceValues) {
    std::vector<double> s = k_data;
    const double h = kg::default_bandwidth(s);
    EXPECT_NEAR(h, 1.07753236911715, 1e-12);
    EXPECT_NEAR(kg::kernel_density(s, h, 0.5), 0.2022084271892591, 1e-12);
    EXPECT_EQ(kg::default_bar_count(10), 5);

    EXPECT_EQ(request("Density", k_data, "x", 0, 2, {1, 1, 1, 0, 0}), 0);
    const auto hist = of_kind<kg::HistObject>();
    ASSERT_EQ(hist.size(), 1u);
    double area = 0;  // a density histogram has area 1
    for (double v : hist[0]->values) area += v * hist[0]->bar_width;
    EXPECT_NEAR(area, 1.0, 1e-12);
    EXPECT_EQ(of_kind<kg::XYObject>().size(), 2u);  // kernel estimate and normal reference

    kg::discard_graph();
    EXPECT_EQ(request("QQ", k_data, "x", kg::QQ_T, 2, {}, {5, 0}), 0);
    const auto qq = of_kind<kg::XYObject>();
    ASSERT_EQ(qq.size(), 1u);
    EXPECT_NEAR(qq[0]->x.v[0], -2.0150483726691575, 1e-8);  // t(5) quantile at 0.05
    EXPECT_DOUBLE_EQ(qq[0]->y.v[0], -1.2);                   // t, chi^2 and F use the raw data
    kg::discard_graph();
    EXPECT_EQ(request("QQ", k_data, "x", kg::QQ_Normal, 2), 0);
    EXPECT_NEAR(of_kind<kg::XYObject>()[0]->x.v[0], -1.6448536269514729, 1e-12);
    EXPECT_EQ(request("QQ", k_data, "x", kg::QQ_Chi2, 2, {}, {0, 0}), 1);  // no degrees of freedom
    EXPECT_EQ(request("QQ", k_data, "x", 17, 2), 1);
    EXPECT_EQ(request("Density", {NAN, 1}, "x", 0, 2), 1);
}

}  // namespace
