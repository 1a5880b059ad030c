#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "data/calendar.h"

namespace kd = kj::data;

TEST(Calendar, DayNumbersOfKnownDates) {
    const struct {
        int y, m, d, julian;
    } cases[] = {
        {2000, 1, 1, 2451545}, {1582, 10, 15, 2299161}, {1582, 10, 4, 2299160},
        {1970, 1, 1, 2440588}, {2020, 2, 29, 2458909},  {1, 1, 1, 1721424},
        {-4713, 1, 1, 0},      {1858, 11, 17, 2400001},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.y << "-" << c.m << "-" << c.d);
        EXPECT_EQ(kd::julian_day(c.y, c.m, c.d), c.julian);
        const kd::CalendarDate back = kd::calendar_date(c.julian);
        EXPECT_EQ(back.year, c.y);
        EXPECT_EQ(back.month, c.m);
        EXPECT_EQ(back.day, c.d);
    }
}

TEST(Calendar, InvalidFieldsGiveMinusOne) {
    EXPECT_EQ(kd::julian_day(0, 1, 1), -1);
    EXPECT_EQ(kd::julian_day(2000, 0, 1), -1);
    EXPECT_EQ(kd::julian_day(2000, 1, 0), -1);
    // Counts whose sums leave the int range (as a date text "9000-166666000-1" gives).
    EXPECT_EQ(kd::julian_day(9000, 166666000, 1), -1);
    EXPECT_EQ(kd::julian_day(9000, 1, 2000000000), -1);
}

TEST(Calendar, NoYearZero) {
    EXPECT_EQ(kd::julian_day(-1, 12, 31) + 1, kd::julian_day(1, 1, 1));
    const kd::CalendarDate d = kd::calendar_date(kd::julian_day(1, 1, 1) - 1);
    EXPECT_EQ(d.year, -1);
    EXPECT_EQ(d.month, 12);
    EXPECT_EQ(d.day, 31);
}

TEST(Calendar, FieldsRoundTripAcrossTheCalendarSwitchAndNegativeDays) {
    for (int j = -200000; j < 3000000; j += 97) {
        const kd::CalendarDate d = kd::calendar_date(j);
        ASSERT_EQ(kd::julian_day(d.year, d.month, d.day), j) << d.year << "-" << d.month << "-" << d.day;
    }
    for (int j = 2299100; j < 2299200; ++j) {
        const kd::CalendarDate d = kd::calendar_date(j);
        ASSERT_EQ(kd::julian_day(d.year, d.month, d.day), j);
    }
}

TEST(Calendar, Weekdays) {
    EXPECT_EQ(kd::day_of_week(2451545), 7);
    EXPECT_STREQ(kd::weekday_name(kd::day_of_week(2451545)), "Sat");
    EXPECT_EQ(kd::day_of_week(2299161), 6);  // 1582-10-15 was a Friday
    EXPECT_EQ(kd::day_of_week(2299160), 5);  // and the day before a Thursday
    EXPECT_EQ(kd::day_of_week(2020, 11, 26), 5);
    EXPECT_EQ(kd::day_of_week(-1), 1);        // negative day numbers keep the cycle
    EXPECT_STREQ(kd::weekday_name(1), "Sun");
    EXPECT_STREQ(kd::weekday_name(0), "???");
    EXPECT_STREQ(kd::weekday_name(8), "???");
}

TEST(Calendar, EasterIsASpringSundayInItsCalendar) {
    EXPECT_EQ(kd::easter_day(2000), 2451658);
    EXPECT_EQ(kd::easter_day(2024), kd::julian_day(2024, 3, 31));
    EXPECT_EQ(kd::easter_day(1583), kd::julian_day(1583, 4, 10));
    EXPECT_EQ(kd::easter_day(0), -1);
    for (int y = 1; y <= 3000; ++y) {
        const int e = kd::easter_day(y);
        ASSERT_EQ(kd::day_of_week(e), 1) << y;
        const int march21 = kd::julian_day(y, 3, 21);
        ASSERT_GT(e, march21) << y;
        ASSERT_LE(e, kd::julian_day(y, 4, 25)) << y;
    }
}

TEST(Calendar, NthWeekdayOfMonth) {
    EXPECT_EQ(kd::nth_weekday_of_month(2020, 11, 5, 4), 2459180);
    EXPECT_EQ(kd::nth_weekday_of_month(2021, 5, 2, -1), kd::julian_day(2021, 5, 31));
    EXPECT_EQ(kd::nth_weekday_of_month(2021, 2, 6, 5), -1);  // no fifth Friday
    EXPECT_EQ(kd::nth_weekday_of_month(2021, 2, 6, 0), -1);
    EXPECT_EQ(kd::nth_weekday_of_month(2021, 13, 6, 1), -1);
    EXPECT_EQ(kd::days_in_month(2020, 2), 29);
    EXPECT_EQ(kd::days_in_month(1900, 2), 28);
    EXPECT_EQ(kd::days_in_month(1582, 10), 21);
    EXPECT_EQ(kd::days_in_month(-1, 12), 31);
}

TEST(Calendar, TimeFractionsInHundredths) {
    EXPECT_DOUBLE_EQ(kd::time_fraction(12, 0, 0, 0), 0.5);
    EXPECT_DOUBLE_EQ(kd::time_fraction(0, 0, 0, 1), 1 / 8.64e6);
    const kd::TimeOfDay t = kd::time_fields(kd::time_fraction(10, 30, 15, 25));
    EXPECT_EQ(t.hours, 10);
    EXPECT_EQ(t.minutes, 30);
    EXPECT_EQ(t.seconds, 15);
    EXPECT_EQ(t.hundredths, 25);
    EXPECT_EQ(kd::time_fields(1 / 8.64e6).hundredths, 1);
}

TEST(Calendar, DateTimeText) {
    using S = kd::Seconds;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double hundredth = 1 / 8.64e6;
    const struct {
        double v;
        kd::DateTimeStyle style;
        const char* text;
    } cases[] = {
        {nan, {}, "."},
        {0, {false, false, false, S::Always}, "00:00:00"},
        {0, {}, "00:00"},
        {0.5, {}, "12:00"},
        {0.5, {false, false, false, S::Never}, "12:00"},
        {2451545.75, {false, false, false, S::Always}, "2000-01-01T18:00:00"},
        {2451545.75, {false, false, true, S::WhenSet}, "2000-01-01 18:00"},
        {2451545, {}, "2000-01-01"},
        {2451545, {true, false, false, S::WhenSet}, "2000-01-01 Sat"},
        {2451545, {false, true, false, S::WhenSet}, "2000-01-01T00:00"},
        {2451545, {false, true, true, S::Always}, "2000-01-01 00:00:00"},
        {2451545.5, {true, false, false, S::Always}, "2000-01-01 SatT12:00:00"},
        {hundredth, {false, false, false, S::Always}, "00:00:00.01"},
        {hundredth, {}, "00:00:00.01"},
        {hundredth, {false, false, false, S::Never}, "00:00"},
        {kd::time_fraction(10, 30, 15, 0), {}, "10:30:15"},
        {2451545.99999999999, {}, "2000-01-02"},  // rounds to the next day
        {2299160.25, {}, "1582-10-04T06:00"},
    };
    for (const auto& c : cases) EXPECT_EQ(kd::format_date_time(c.v, c.style), c.text) << c.v;
}

TEST(Calendar, ClockIsToday) {
    const double now = kd::now_date_time();
    EXPECT_GT(now, 2459000);  // after 2020
    const double h = kd::now_hundredths();
    EXPECT_GE(h, 0);
    EXPECT_LT(h, kd::k_hundredths_per_day);
}

// Day numbers at the ends of the int range (a damaged file can hold any) give
// a date with valid fields; the steps must not overflow on the way.
TEST(Calendar, ExtremeDayNumbersGiveValidFields) {
    for (int j : {2147483647, 2147483647 - 58744, -2147483647 - 1, -2147483647 + 58744}) {
        const kd::CalendarDate d = kd::calendar_date(j);
        EXPECT_GE(d.month, 1) << j;
        EXPECT_LE(d.month, 12) << j;
        EXPECT_GE(d.day, 1) << j;
        EXPECT_LE(d.day, 31) << j;
        EXPECT_NE(d.year, 0) << j;
    }
}
