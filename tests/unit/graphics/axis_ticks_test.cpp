// Automatic axis ranges and ticks: plain axes round out to the narrowest
// nice range, time axes hug their data, and series placed at calendar
// date-times get ticks at calendar points with date labels. Day numbers of
// the expected dates were computed independently (proleptic Gregorian
// ordinal + 1721425).
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "graphics/draw_requests.h"
#include "graphics/graph.h"
#include "graphics/scene.h"
#include "graphics/writers.h"
#include "graph_fixture.h"
#include "recording_canvas.h"

namespace kg = kj::graphics;
using kj::test::Recording;

namespace {

constexpr double k_2001_01_01 = 2451911, k_2010_12_31 = 2455562;
constexpr double k_2001_03_01 = 2451970, k_2001_03_10 = 2451979, k_2001_03_14 = 2451983, k_2001_12_31 = 2452275;

class AxisTicks : public kj::test::GraphFixture {
protected:
    static void time_series(int n, int year, int period, int freq) {
        std::vector<double> y(static_cast<std::size_t>(n), 1.0);
        std::vector<int> iv = {year, period, freq};
        ASSERT_EQ(kg::default_draw("TimeVector", 0, y.data(), n, nullptr, nullptr, 0, nullptr, nullptr, 0, nullptr, 0,
                                   2, iv.data(), 3, nullptr, 0),
                  0);
    }
    static void dated_series(const std::vector<double>& dates) {
        std::vector<double> y(dates.size(), 1.0);
        const int n = static_cast<int>(dates.size());
        ASSERT_EQ(kg::default_draw("DateVector", 0, y.data(), n, "d", dates.data(), n, nullptr, nullptr, 0, nullptr, 0,
                                   2, nullptr, 0, nullptr, 0),
                  0);
    }
    static kg::AreaFrame frame() { return kg::area_frame(kg::current_graph(), 0); }
    // The texts below the plot of area 0, left to right as drawn: the x
    // labels, and with times of day their dates on the line beneath (lines
    // of the area's font size).
    static std::vector<std::string> below(double from, double to) {
        Recording r;
        kg::render(kg::current_graph(), r, 3);
        const kg::AreaFrame f = frame();
        const double size = f.font;
        std::vector<std::string> out;
        for (const Recording::Text& t : r.texts)
            if (t.y < f.bottom - from * size && t.y >= f.bottom - to * size && t.x > f.left - size &&
                t.x < f.right + size)
                out.push_back(t.s);
        return out;
    }
    static std::vector<std::string> x_labels() { return below(0.5, 1.5); }
    static std::vector<std::string> date_lines() { return below(1.5, 3); }
};

TEST_F(AxisTicks, PlainRangesRoundOutAsLittleAsTicksAllow) {
    double lo = -2.8, hi = 2.8;  // steps of 1 cover -3 .. 3; steps of 2 would need -4 .. 4
    EXPECT_DOUBLE_EQ(kg::nice_range(lo, hi, 5), 1.0);
    EXPECT_DOUBLE_EQ(lo, -3.0);
    EXPECT_DOUBLE_EQ(hi, 3.0);
    lo = -0.43, hi = 4.4;
    EXPECT_DOUBLE_EQ(kg::nice_range(lo, hi, 5), 1.0);
    EXPECT_DOUBLE_EQ(lo, -1.0);
    EXPECT_DOUBLE_EQ(hi, 5.0);
    lo = 1012, hi = 1096;  // 2 .. 7 intervals: 20 from 1000 to 1100
    EXPECT_DOUBLE_EQ(kg::nice_range(lo, hi, 5), 20.0);
    EXPECT_DOUBLE_EQ(lo, 1000.0);
    EXPECT_DOUBLE_EQ(hi, 1100.0);
}

// Five areas make a three-by-two layout, drawn at 6^(-1/4) = 0.639 of the
// font (211 units): 3466 units of plot width each. Five labels of seven
// digits (3.5 font sizes, 738 units each) fit side by side only if the
// first stays centred on its tick, where it would run into the lowest y
// label; three fit with the first moved right.
TEST_F(AxisTicks, PlainXAxesTakeFewerTicksWhenLabelsCollide) {
    const std::vector<double> x = {1000000, 1400000}, y = {1, 2};
    for (int area = 0; area < 5; ++area)
        ASSERT_EQ(kg::default_draw("XVector", area, y.data(), 2, nullptr, x.data(), 2, nullptr, nullptr, 0, nullptr, 0,
                                   2, nullptr, 0, nullptr, 0),
                  0);
    const kg::AreaFrame f = frame();
    EXPECT_DOUBLE_EQ(f.xstep, 200000);
    EXPECT_EQ(x_labels(), (std::vector<std::string>{"1000000", "1200000", "1400000"}));
}

// Nine areas, with a font of 800 units drawn at 9^(-1/4) of it (462), leave
// each plot 3333.33 - 2 * 369.50 (margins) - 3.2 * 462 = 1115.93 units
// high: y labels 0.5 apart on -1 .. 1 would be 279 units apart, under the
// font size they need.
TEST_F(AxisTicks, YAxesTakeFewerTicksInLowPlots) {
    std::vector<int> font = {0, 800, 0, 0, 0};
    ASSERT_EQ(kg::default_draw("SetDrawOptions", 0, nullptr, 0, nullptr, nullptr, 0, nullptr, nullptr, 0, nullptr, 3,
                               0, font.data(), 5, nullptr, 0),
              0);
    const std::vector<double> y = {-1, 1};
    for (int area = 0; area < 9; ++area)
        ASSERT_EQ(kg::default_draw("Vector", area, y.data(), 2, nullptr, nullptr, 0, nullptr, nullptr, 0, nullptr, 0, 2,
                                   nullptr, 0, nullptr, 0),
                  0);
    const kg::AreaFrame f = frame();
    EXPECT_NEAR(f.top - f.bottom, 1115.93, 0.01);
    EXPECT_DOUBLE_EQ(f.ymin, -1);
    EXPECT_DOUBLE_EQ(f.ymax, 1);
    EXPECT_DOUBLE_EQ(f.ystep, 1);
}

// One area spans the paper: 12664 units, room for 13 year labels, of
// which at most 8 intervals are used.
TEST_F(AxisTicks, TimeAxesHugTheData) {
    // 1985(1) .. 2024(4): every five years; 2025 is one quarter past the data.
    time_series(160, 1985, 1, 4);
    kg::AreaFrame f = frame();
    EXPECT_DOUBLE_EQ(f.xmin, 1985);
    EXPECT_DOUBLE_EQ(f.xmax, 2025);
    EXPECT_EQ(x_labels(),
              (std::vector<std::string>{"1985", "1990", "1995", "2000", "2005", "2010", "2015", "2020", "2025"}));

    // The same in the narrower area of a three-by-three layout (3650 units,
    // room for 6 labels of 2.8 font sizes at 191 units): every ten years,
    // and 1980 and 2030 are too far out.
    for (int area = 1; area < 9; ++area) {
        const double one = 1;
        ASSERT_EQ(kg::default_draw("Vector", area, &one, 1, nullptr, nullptr, 0, nullptr, nullptr, 0, nullptr, 0, 2,
                                   nullptr, 0, nullptr, 0),
                  0);
    }
    f = frame();
    EXPECT_DOUBLE_EQ(f.xmin, 1985);
    EXPECT_DOUBLE_EQ(f.xmax, 2024.75);
    EXPECT_DOUBLE_EQ(f.xfirst, 1990);
    EXPECT_DOUBLE_EQ(f.xstep, 10);

    kg::discard_graph();
    time_series(69, 1951, 1, 1);  // annual 1951 .. 2019: both ends move out one year to a tick
    f = frame();
    EXPECT_DOUBLE_EQ(f.xmin, 1950);
    EXPECT_DOUBLE_EQ(f.xmax, 2020);
    EXPECT_EQ(x_labels(), (std::vector<std::string>{"1950", "1960", "1970", "1980", "1990", "2000", "2010", "2020"}));

    kg::discard_graph();
    time_series(144, 1990, 1, 12);  // monthly 1990(1) .. 2001(12): every other year up to 2002
    f = frame();
    EXPECT_DOUBLE_EQ(f.xmin, 1990);
    EXPECT_DOUBLE_EQ(f.xmax, 2002);
    EXPECT_EQ(x_labels(), (std::vector<std::string>{"1990", "1992", "1994", "1996", "1998", "2000", "2002"}));

    kg::discard_graph();
    time_series(1, 2000, 3, 4);  // one observation: one period wide
    f = frame();
    EXPECT_DOUBLE_EQ(f.xmin, 2000.5);
    EXPECT_DOUBLE_EQ(f.xmax, 2000.75);
    EXPECT_EQ(x_labels(), (std::vector<std::string>{"2000(3)", "2000(4)"}));
}

TEST_F(AxisTicks, AnExplicitRangeWinsOverTheData) {
    time_series(160, 1985, 1, 4);
    const std::vector<double> world = {1980, 2030};
    ASSERT_EQ(kg::default_draw("DrawAdjust", 0, nullptr, 0, nullptr, nullptr, 0, nullptr, nullptr, 0, nullptr,
                               kg::ADJ_AreaX, 0, nullptr, 0, world.data(), 2),
              0);
    const kg::AreaFrame f = frame();
    EXPECT_DOUBLE_EQ(f.xmin, 1980);
    EXPECT_DOUBLE_EQ(f.xmax, 2030);
    EXPECT_EQ(f.xfreq, 0);

    // Over dated series a fixed axis keeps its ticks and labels them by day
    // (2451911 is 2001-01-01, 2452276 2002-01-01).
    kg::discard_graph();
    dated_series({k_2001_01_01, k_2010_12_31});
    const std::vector<double> axis = {0, 2451911, 2453011, 2451911, 365, 30};
    ASSERT_EQ(kg::default_draw("Axis3", 0, nullptr, 0, nullptr, nullptr, 0, nullptr, nullptr, 0, nullptr, 1, 0,
                               nullptr, 0, axis.data(), 6),
              0);
    EXPECT_DOUBLE_EQ(frame().xmin, 2451911);
    EXPECT_DOUBLE_EQ(frame().xmax, 2453011);
    EXPECT_EQ(x_labels(), (std::vector<std::string>{"2001-01-01", "2002-01-01", "2003-01-01", "2004-01-01"}));

    // A world range: calendar points inside it, the range unchanged.
    kg::discard_graph();
    dated_series({k_2001_01_01, k_2010_12_31});
    const std::vector<double> months = {k_2001_03_01, k_2001_12_31};
    ASSERT_EQ(kg::default_draw("DrawAdjust", 0, nullptr, 0, nullptr, nullptr, 0, nullptr, nullptr, 0, nullptr,
                               kg::ADJ_AreaX, 0, nullptr, 0, months.data(), 2),
              0);
    EXPECT_DOUBLE_EQ(frame().xmax, k_2001_12_31);
    EXPECT_EQ(x_labels(), (std::vector<std::string>{"2001-03", "2001-05", "2001-07", "2001-09", "2001-11"}));
}

TEST_F(AxisTicks, DateAxesLabelCalendarPointsByTheSpan) {
    // Ten years: every other year; 2000 lies half a year before the data.
    dated_series({k_2001_01_01, k_2010_12_31});
    kg::AreaFrame f = frame();
    EXPECT_DOUBLE_EQ(f.xmin, k_2001_01_01);
    EXPECT_DOUBLE_EQ(f.xmax, k_2010_12_31);
    EXPECT_EQ(x_labels(), (std::vector<std::string>{"2002", "2004", "2006", "2008", "2010"}));
    EXPECT_DOUBLE_EQ(f.xdates.front(), 2452276);  // 2002-01-01
    // A saved graph keeps its dated series.
    const std::unique_ptr<kg::Graph> back = kg::parse_gwg(kg::gwg_text(kg::current_graph()));
    ASSERT_TRUE(back);
    EXPECT_EQ(kg::area_frame(*back, 0).xdates, f.xdates);

    // March to December 2001: every other month; 2002-01-01 is one day past the data.
    kg::discard_graph();
    dated_series({k_2001_03_01, k_2001_12_31});
    f = frame();
    EXPECT_EQ(x_labels(), (std::vector<std::string>{"2001-03", "2001-05", "2001-07", "2001-09", "2001-11", "2002-01"}));
    EXPECT_DOUBLE_EQ(f.xmax, k_2001_12_31 + 1);

    // Ten days: every other day.
    kg::discard_graph();
    dated_series({k_2001_03_10, k_2001_03_10 + 10});
    EXPECT_EQ(x_labels(),
              (std::vector<std::string>{"2001-03-11", "2001-03-13", "2001-03-15", "2001-03-17", "2001-03-19"}));
    EXPECT_TRUE(date_lines().empty());

    // Two days from noon: every six hours, with the date under the first
    // tick and under each midnight.
    kg::discard_graph();
    dated_series({k_2001_03_14 + 0.5, k_2001_03_14 + 2.5});
    EXPECT_EQ(x_labels(), (std::vector<std::string>{"12:00", "18:00", "00:00", "06:00", "12:00", "18:00", "00:00",
                                                     "06:00", "12:00"}));
    EXPECT_EQ(date_lines(), (std::vector<std::string>{"2001-03-14", "2001-03-15", "2001-03-16"}));

    // The same in the narrower area of a three-by-three layout: every
    // twelve hours, and the first tick's date would run into the next one.
    for (int area = 1; area < 9; ++area) {
        const double one = 1;
        ASSERT_EQ(kg::default_draw("Vector", area, &one, 1, nullptr, nullptr, 0, nullptr, nullptr, 0, nullptr, 0, 2,
                                   nullptr, 0, nullptr, 0),
                  0);
    }
    EXPECT_EQ(x_labels(), (std::vector<std::string>{"12:00", "00:00", "12:00", "00:00", "12:00"}));
    EXPECT_EQ(date_lines(), (std::vector<std::string>{"2001-03-15", "2001-03-16"}));

    // One whole day: labelled by its date, not by hours.
    kg::discard_graph();
    dated_series({2451545, 2451545});
    f = frame();
    EXPECT_EQ(x_labels(), (std::vector<std::string>{"2000-01-01"}));
    EXPECT_DOUBLE_EQ(f.xmin, 2451544.5);
    EXPECT_DOUBLE_EQ(f.xmax, 2451545.5);

    // Times of day alone (day 0) carry no dates.
    kg::discard_graph();
    dated_series({0.25, 0.5});
    EXPECT_EQ(x_labels(), (std::vector<std::string>{"06:00", "07:00", "08:00", "09:00", "10:00", "11:00", "12:00"}));
    EXPECT_TRUE(date_lines().empty());

    // Ninety seconds: every 15 seconds.
    kg::discard_graph();
    const double t0 = k_2001_03_14 + (9 * 3600 + 59 * 60) / 86400.0;
    dated_series({t0, t0 + 90 / 86400.0});
    EXPECT_EQ(x_labels(), (std::vector<std::string>{"09:59:00", "09:59:15", "09:59:30", "09:59:45", "10:00:00",
                                                     "10:00:15", "10:00:30"}));
}

// Series of one area that are not all dated share a plain axis; a missing
// date drops its observation from the axis range.
TEST_F(AxisTicks, DateAxesOnlyForDatedSeries) {
    dated_series({k_2001_01_01, NAN, k_2010_12_31});
    EXPECT_EQ(frame().xdate, kg::DL_Year);
    std::vector<double> y = {1, 2}, x = {3, 4};
    ASSERT_EQ(kg::default_draw("XVector", 0, y.data(), 2, nullptr, x.data(), 2, nullptr, nullptr, 0, nullptr, 0, 3,
                               nullptr, 0, nullptr, 0),
              0);
    EXPECT_EQ(frame().xdate, kg::DL_None);
    EXPECT_TRUE(frame().xdates.empty());
}

TEST(DateLabels, RoundToTheSecond) {
    EXPECT_EQ(kg::date_label(2451545.5, kg::DL_Minute), "12:00");
    EXPECT_EQ(kg::date_label(2451545 - 1e-9, kg::DL_Day), "2000-01-01");  // just below midnight
    EXPECT_EQ(kg::date_label(2451545 + 0.75, kg::DL_Second), "18:00:00");
    EXPECT_EQ(kg::date_label(2451545, kg::DL_Month), "2000-01");
    EXPECT_EQ(kg::date_label(2299160, kg::DL_Day), "1582-10-04");  // Julian calendar before the switch
}

}  // namespace
