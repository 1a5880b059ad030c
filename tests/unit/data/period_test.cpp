#include <gtest/gtest.h>

#include "data/calendar.h"
#include "data/period.h"

namespace kd = kj::data;

TEST(Period, TextBySampleFrequencyAndSize) {
    const struct {
        kd::Period p;
        int f, n;
        const char* text;
        int width;
    } cases[] = {
        {{1990, 3}, 4, 40, "1990(3)", 7},
        {{1990, 3}, 4, 10000, " 1990(  3)", 10},
        {{1990, 3}, 12, 40, "1990( 3)", 8},
        {{1990, 3}, 365, 40, " 1990(  3)", 10},
        {{1990, 1}, 1, 40, "1990", 4},
        {{1990, 1}, 1, 20000, "1990", 4},
        {{12, 1}, 1, 5, "  12", 4},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(kd::format_period(c.p, c.f, c.n), c.text);
        EXPECT_EQ(kd::period_width(c.f, c.n), c.width);
    }
}

TEST(Period, ObservationIndexAndBack) {
    const kd::Sample s{1990, 3, 4, 12, nullptr};
    const struct {
        int t, year, period;
    } cases[] = {{0, 1990, 3}, {1, 1990, 4}, {2, 1991, 1}, {5, 1991, 4}, {6, 1992, 1}, {11, 1993, 2}};
    for (const auto& c : cases) {
        const kd::Period p = kd::period_of(s, c.t);
        EXPECT_EQ(p.year, c.year) << c.t;
        EXPECT_EQ(p.period, c.period) << c.t;
        EXPECT_EQ(kd::observation_index(s, p), c.t);
    }
}

TEST(Period, SingleDoubleForm) {
    EXPECT_DOUBLE_EQ(kd::period_value({1990, 3}, 4), 1990.5);
    const kd::Period p = kd::period_from_value(1990.5, 4);
    EXPECT_EQ(p.year, 1990);
    EXPECT_EQ(p.period, 3);
    const kd::Period dec = kd::period_from_value(kd::period_value({2000, 12}, 12), 12);
    EXPECT_EQ(dec.year, 2000);
    EXPECT_EQ(dec.period, 12);
}

TEST(Period, SampleRanges) {
    const kd::Sample s{1990, 3, 4, 8, nullptr};
    EXPECT_EQ(kd::format_sample_range(s, 0, 3, false), "1990(3) - 1991(2)");
    EXPECT_EQ(kd::format_sample_range(s, 0, 7, true), "full sample");
    EXPECT_EQ(kd::format_sample_range(s, 0, 7, false), "1990(3) - 1992(2)");
    EXPECT_EQ(kd::format_sample_range(s, 1, 7, true), "1990(4) - 1992(2)");
    EXPECT_EQ(kd::sample_range_width(s), 17);
    const double dates[] = {2451545, 2451546.5, 2451547.25};
    const kd::Sample dated{1, 1, 1, 3, dates};
    EXPECT_EQ(kd::format_sample_range(dated, 0, 2, false), "2000-01-01 - 2000-01-03T06:00");
}

TEST(Period, FrequencyNames) {
    EXPECT_EQ(kd::frequency_name(1, 1), "Undated");
    EXPECT_EQ(kd::frequency_name(1, 1800), "Undated");
    EXPECT_EQ(kd::frequency_name(1, 1801), "Annual");
    EXPECT_EQ(kd::frequency_name(1, 1950), "Annual");
    EXPECT_EQ(kd::frequency_name(4, 1950), "Quarterly");
    EXPECT_EQ(kd::frequency_name(12, 1950), "Monthly");
    EXPECT_EQ(kd::frequency_name(52, 1950), "Weekly (52/year)");
    EXPECT_EQ(kd::frequency_name(7, 1950), "Frequency 7");
}
