// What the layout settings change in a rendered graph: frames, grids, axis
// lines, tick marks and labels, the drawing of series against x values and
// the histogram styles. A recording canvas keeps the primitives the scene
// walk emits; expected positions follow from the data and the tick values.
#include <gtest/gtest.h>

#include <cmath>
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

constexpr uint32_t k_black = 0x000000, k_red = 0x0000FF, k_navy = 0x800000, k_silver = 0xC0C0C0;

class LayoutRender : public kj::test::GraphFixture {
protected:
    static void set_draw(int option, std::vector<int> v) {
        v.resize(5, 0);
        kg::apply_set_draw(option, v.data());
    }
    static void request(const char* cmd, const std::vector<double>& y, int i1, int i2, std::vector<double> dv = {},
                        const std::vector<double>& x = {}) {
        ASSERT_EQ(kg::default_draw(cmd, 0, y.data(), static_cast<int>(y.size()), nullptr,
                                   x.empty() ? nullptr : x.data(), static_cast<int>(x.size()), nullptr, nullptr, 0,
                                   nullptr, i1, i2, nullptr, 0, dv.empty() ? nullptr : dv.data(),
                                   static_cast<int>(dv.size())),
                  0);
    }
    static Recording render() {
        Recording r;
        kg::render(kg::current_graph(), r, 3);
        return r;
    }
    static kg::AreaFrame frame() { return kg::area_frame(kg::current_graph(), 0); }
};

TEST(AxisLabels, FollowTheAxisFormat) {
    const int standard[4] = {8, 6, 1, 1};
    EXPECT_EQ(kg::axis_label(0.5, 0.25, standard), "0.50");  // decimals of the step
    EXPECT_EQ(kg::axis_label(1, 0.2, standard), "1.0");
    EXPECT_EQ(kg::axis_label(-40, 20, standard), "-40");
    EXPECT_EQ(kg::axis_label(123456789, 1e8, standard), "1.23e+08");  // wider than 8
    const int free_form[4] = {12, 3, 0, 1};
    EXPECT_EQ(kg::axis_label(1, 0.2, free_form), "1");
    EXPECT_EQ(kg::axis_label(1.0 / 3, 0.1, free_form), "0.333");
}

// y from 0 to 4 and x from 1 to 5 give ticks at every whole number.
TEST_F(LayoutRender, GridLinesAtTheInnerTicksOnlyWhenAskedFor) {
    request("Vector", {0, 1, 2, 3, 4}, 0, 2);
    EXPECT_TRUE(render().in_colour(k_navy).empty());
    set_draw(2, {0, 0, 1});
    set_draw(6, {14, 15});
    const Recording r = render();
    const kg::AreaFrame f = frame();
    const auto xs = r.in_colour(k_navy), ys = r.in_colour(k_silver);
    ASSERT_EQ(xs.size(), 3u);  // x = 2, 3, 4; the frame covers 1 and 5
    ASSERT_EQ(ys.size(), 3u);  // y = 1, 2, 3
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(xs[k]->pts[0].x, f.left + (k + 1) * (f.right - f.left) / 4, 1e-6);
        EXPECT_NEAR(xs[k]->pts[1].x, xs[k]->pts[0].x, 1e-9);
        EXPECT_NEAR(xs[k]->pts[0].y, f.bottom, 1e-9);
        EXPECT_NEAR(xs[k]->pts[1].y, f.top, 1e-9);
        EXPECT_NEAR(ys[k]->pts[0].y, f.bottom + (k + 1) * (f.top - f.bottom) / 4, 1e-6);
    }
}

TEST_F(LayoutRender, FramesFollowTheBoxFlags) {
    request("Vector", {0, 1, 2, 3, 4}, 0, 2);
    auto count_black_with = [](const Recording& r, std::size_t points) {
        int n = 0;
        for (const auto* l : r.in_colour(k_black)) n += l->pts.size() == points;
        return n;
    };
    EXPECT_EQ(count_black_with(render(), 5), 1);  // the closed plot frame
    set_draw(2, {1, 1, 0});                        // paper frame, open plot frame
    const Recording r = render();
    EXPECT_EQ(count_black_with(r, 3), 1);
    ASSERT_EQ(count_black_with(r, 5), 1);
    for (const auto* l : r.in_colour(k_black))
        if (l->pts.size() == 5) {
            EXPECT_EQ(l->pts[2].x, kg::k_paper_width - 5);
            EXPECT_EQ(l->pts[2].y, 10000 - 5);
        }
}

// y from -2 to 2 (ticks -2 .. 2 by 1) and x from 1 to 5.
TEST_F(LayoutRender, AxisLinesTicksAndZeroLabels) {
    request("Vector", {-2, -1, 0, 1, 2}, 0, 2);
    const kg::AreaFrame f = frame();
    const double tick = 2 * kg::settings().axis[2];
    auto short_segments = [&](const Recording& r) {
        std::vector<const Recording::Line*> out;
        for (const auto* l : r.in_colour(k_black))
            if (l->pts.size() == 2 && std::hypot(l->pts[1].x - l->pts[0].x, l->pts[1].y - l->pts[0].y) < tick + 1)
                out.push_back(l);
        return out;
    };
    Recording r = render();
    EXPECT_EQ(short_segments(r).size(), 10u);  // five ticks on each axis, pointing inwards
    EXPECT_TRUE(r.has_text("0"));
    for (const auto* l : short_segments(r)) EXPECT_GE(std::min(l->pts[1].x - f.left, l->pts[1].y - f.bottom), 0);

    set_draw(22, {8, 6, 1, 0});  // outward ticks
    r = render();
    for (const auto* l : short_segments(r))
        EXPECT_LT(std::min(l->pts[1].x - f.left, l->pts[1].y - f.bottom), 0);

    set_draw(5, {1, 1, 0, 1});  // zero lines where zero is inside, no ticks
    set_draw(21, {0});          // no label at zero
    r = render();
    EXPECT_TRUE(short_segments(r).empty());
    EXPECT_FALSE(r.has_text("0"));
    EXPECT_TRUE(r.has_text("-1"));
    int zero_lines = 0;
    for (const auto* l : r.in_colour(k_black))
        if (l->pts.size() == 2 && std::fabs(l->pts[0].y - (f.bottom + f.top) / 2) < 1e-6 &&
            std::fabs(l->pts[1].x - l->pts[0].x - (f.right - f.left)) < 1e-6)
            ++zero_lines;
    EXPECT_EQ(zero_lines, 1);  // x runs from 1 to 5: no vertical zero line
    EXPECT_EQ(r.lines.size(), 1u + 1u + 1u);  // frame, zero line, series
}

TEST_F(LayoutRender, SeriesAgainstXFollowTheXYStyle) {
    request("XVector", {30, 10, 20}, 0, 2, {}, {3, 1, 2});
    const kg::AreaFrame f = frame();
    auto series = [](const Recording& r) {
        const auto lines = r.in_colour(k_red);
        return lines.empty() ? std::vector<kg::Point>{} : lines[0]->pts;
    };
    std::vector<kg::Point> pts = series(render());  // as given
    ASSERT_EQ(pts.size(), 3u);
    EXPECT_NEAR(pts[0].x, f.px(3), 1e-9);
    EXPECT_NEAR(pts[1].x, f.px(1), 1e-9);

    set_draw(17, {0, 0});  // joined in x order
    pts = series(render());
    ASSERT_EQ(pts.size(), 3u);
    EXPECT_NEAR(pts[0].x, f.px(1), 1e-9);
    EXPECT_NEAR(pts[0].y, f.py(10), 1e-9);
    EXPECT_NEAR(pts[2].x, f.px(3), 1e-9);

    set_draw(17, {1, 1});  // symbols only
    const Recording r = render();
    EXPECT_TRUE(series(r).empty());
    EXPECT_EQ(r.symbol_sizes.size(), 3u);
}

// Bars of height 1, 2, 3 on [0, 1), [1, 2), [2, 3).
TEST_F(LayoutRender, HistogramStyles) {
    request("Histogram", {1, 2, 3}, 2, 0, {0, 1});
    const kg::AreaFrame f = frame();
    Recording r = render();
    EXPECT_EQ(r.in_colour(k_red).size(), 3u);
    EXPECT_TRUE(r.fills.empty());

    set_draw(9, {1});  // filled in the series colour, outlined in black
    r = render();
    ASSERT_EQ(r.fills.size(), 3u);
    EXPECT_EQ(r.fills[2].colour, k_red);
    EXPECT_NEAR(r.fills[2].pts[2].y, f.py(3), 1e-9);
    EXPECT_TRUE(r.in_colour(k_red).empty());

    set_draw(9, {2});  // filled only
    r = render();
    EXPECT_EQ(r.fills.size(), 3u);
    EXPECT_EQ(r.lines.size(), r.in_colour(k_black).size());

    set_draw(9, {3});  // one outline of the whole histogram
    r = render();
    EXPECT_TRUE(r.fills.empty());
    const auto outline = r.in_colour(k_red);
    ASSERT_EQ(outline.size(), 1u);
    const double base = f.py(0);
    const std::vector<kg::Point> want = {{f.px(0), base}, {f.px(0), f.py(1)}, {f.px(1), f.py(1)}, {f.px(1), f.py(2)},
                                         {f.px(2), f.py(2)}, {f.px(2), f.py(3)}, {f.px(3), f.py(3)}, {f.px(3), base}};
    ASSERT_EQ(outline[0]->pts.size(), want.size());
    for (std::size_t k = 0; k < want.size(); ++k) {
        EXPECT_NEAR(outline[0]->pts[k].x, want[k].x, 1e-9) << k;
        EXPECT_NEAR(outline[0]->pts[k].y, want[k].y, 1e-9) << k;
    }
}

}  // namespace

namespace {

TEST(PeriodLabels, YearAndPeriod) {
    EXPECT_EQ(kg::period_label(1990.75, 4), "1990(4)");
    EXPECT_EQ(kg::period_label(1990, 1), "1990");
    EXPECT_EQ(kg::period_label(1991 + 11 / 12.0, 12), "1991(12)");
    EXPECT_EQ(kg::period_label(1990 - 1e-12, 4), "1990(1)");  // a sum of steps just below the year
    EXPECT_EQ(kg::period_label(-0.75, 4), "-1(2)");
}

class TimeAxes : public LayoutRender {
protected:
    static void time_series(int n, int year, int period, int freq) {
        std::vector<double> y(static_cast<std::size_t>(n));
        for (int t = 0; t < n; ++t) y[t] = t % 3;
        std::vector<int> iv = {year, period, freq};
        ASSERT_EQ(kg::default_draw("TimeVector", 0, y.data(), n, nullptr, nullptr, 0, nullptr, nullptr, 0, nullptr, 0,
                                   2, iv.data(), 3, nullptr, 0),
                  0);
    }
    // The x labels, left to right.
    static std::vector<std::string> x_labels() {
        const Recording r = render();
        const kg::AreaFrame f = frame();
        std::vector<std::string> out;
        for (const Recording::Text& t : r.texts)
            if (t.y < f.bottom - 0.5 * kg::settings().font[1]) out.push_back(t.s);  // below the y labels
        return out;
    }
};

TEST_F(TimeAxes, LongSamplesAreLabelledByYears) {
    // 1990(1) .. 1999(4): every other year; the axis reaches on to 2000,
    // one quarter (1/39 of the span) beyond the data.
    time_series(40, 1990, 1, 4);
    EXPECT_EQ(x_labels(), (std::vector<std::string>{"1990", "1992", "1994", "1996", "1998", "2000"}));
    const kg::AreaFrame f = frame();
    EXPECT_EQ(f.xfreq, 4);
    EXPECT_DOUBLE_EQ(f.xmin, 1990);
    EXPECT_DOUBLE_EQ(f.xmax, 2000);

    kg::discard_graph();
    time_series(51, 1950, 1, 1);  // annual 1950 .. 2000: every ten years
    EXPECT_EQ(x_labels(), (std::vector<std::string>{"1950", "1960", "1970", "1980", "1990", "2000"}));
}

// One area is 12664 units wide: room for 8 labels of 7 characters
// ("1990(1)") and for 7 of 8 characters ("1990(10)") at the default font.
TEST_F(TimeAxes, ShortSamplesAreLabelledByPeriods) {
    time_series(6, 1990, 2, 4);  // every quarter
    EXPECT_EQ(x_labels(), (std::vector<std::string>{"1990(2)", "1990(3)", "1990(4)", "1991(1)", "1991(2)", "1991(3)"}));
    EXPECT_DOUBLE_EQ(frame().xmin, 1990.25);
    EXPECT_DOUBLE_EQ(frame().xmax, 1991.5);

    kg::discard_graph();
    time_series(9, 1990, 3, 12);  // March to November: 8 intervals, every other month
    EXPECT_EQ(x_labels(), (std::vector<std::string>{"1990(3)", "1990(5)", "1990(7)", "1990(9)", "1990(11)"}));

    kg::discard_graph();
    // 1990(2) .. 1992(1): every fourth month; the tick at 1990(1) is one
    // month (1/23 of the span) before the data, so the axis starts there.
    time_series(24, 1990, 2, 12);
    EXPECT_EQ(x_labels(),
              (std::vector<std::string>{"1990(1)", "1990(5)", "1990(9)", "1991(1)", "1991(5)", "1991(9)", "1992(1)"}));
    EXPECT_DOUBLE_EQ(frame().xmin, 1990);

    kg::discard_graph();
    // Twice the font: the area is 11608 units wide, with room for 3 labels
    // of 8 characters; 23 months in steps of 6 would need 3.8: yearly,
    // labelled by the year alone.
    kg::settings().font[1] = 660;
    time_series(24, 1990, 2, 12);
    EXPECT_EQ(x_labels(), (std::vector<std::string>{"1990", "1991", "1992"}));
}

TEST_F(TimeAxes, OnlyWhenEverySeriesIsATimeSeries) {
    time_series(12, 1990, 1, 4);
    request("XVector", {1, 2}, 0, 3, {}, {1991, 1992});
    EXPECT_EQ(frame().xfreq, 0);
    kg::discard_graph();
    time_series(12, 1990, 1, 4);
    time_series(12, 1990, 1, 12);
    EXPECT_EQ(frame().xfreq, 0);
}

TEST_F(TimeAxes, FixedAxisWithAFrequency) {
    time_series(12, 1990, 1, 4);
    const std::vector<double> dv = {0, 1990, 1992, 1990, 0.5, 0.25};  // anchor, range, first tick, steps
    ASSERT_EQ(kg::default_draw("Axis3", 0, nullptr, 0, nullptr, nullptr, 0, nullptr, nullptr, 0, nullptr, 1, 4,
                               nullptr, 0, dv.data(), 6),
              0);
    EXPECT_EQ(x_labels(), (std::vector<std::string>{"1990(1)", "1990(3)", "1991(1)", "1991(3)", "1992(1)"}));
}

}  // namespace
