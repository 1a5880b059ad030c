#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "data/calendar.h"
#include "data/value_text.h"

namespace kd = kj::data;

namespace {
constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();
constexpr double k_inf = std::numeric_limits<double>::infinity();
}  // namespace

TEST(ValueText, ReadsNumbersSpellingsDatesAndTimes) {
    using K = kd::TextKind;
    const double feb29 = 1.0 * kd::julian_day(2020, 2, 29);
    const struct {
        const char* text;
        double value;
        K kind;
        const char* rest;  // what is left after the value
    } cases[] = {
        {".", k_nan, K::Number, ""},
        {" . 3", k_nan, K::Number, " 3"},
        {".NaN", k_nan, K::Number, ""},
        {"#N/A,", k_nan, K::Number, ","},
        {"#NA", k_nan, K::Number, ""},
        {"missing", k_nan, K::Number, ""},
        {"+.Inf", k_inf, K::Number, ""},
        {".Inf", k_inf, K::Number, ""},
        {"-.Inf", -k_inf, K::Number, ""},
        {".5", 0.5, K::Number, ""},
        {"  3.5 rest", 3.5, K::Number, " rest"},
        {"-2e3", -2000, K::Number, ""},
        {"1.5-3", 1.5, K::Number, "-3"},
        {"2020-02-29", feb29, K::DateTime, ""},
        {"2020-02-29T10:30", feb29 + 10.5 / 24, K::DateTime, ""},
        {"2020-02-29T10", feb29 + 10.0 / 24, K::DateTime, ""},
        {"2020-02-29 10:30:15.25", feb29 + kd::time_fraction(10, 30, 15, 25), K::DateTime, ""},
        {"2020-02-29 5", feb29, K::DateTime, " 5"},
        {"2020-02-29,1", feb29, K::DateTime, ",1"},
        {"10:30:15.25", kd::time_fraction(10, 30, 15, 25), K::DateTime, ""},
        {"10:30:15.5", kd::time_fraction(10, 30, 15, 50), K::DateTime, ""},
        {"0:00:01", kd::time_fraction(0, 0, 1, 0), K::DateTime, ""},
        {"2020-W01", 1.0 * kd::julian_day(2019, 12, 30), K::DateTime, ""},
        {"2021-W01-7", 1.0 * kd::julian_day(2021, 1, 10), K::DateTime, ""},
        {"2020-x", 2020, K::Number, "-x"},
        {"2020-13-01", 2020, K::Number, "-13-01"},
        {"2020-0244444444444-1", 2020, K::Number, "-0244444444444-1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const kd::TextValue v = kd::read_value(c.text);
        EXPECT_EQ(v.kind, c.kind);
        if (std::isnan(c.value))
            EXPECT_TRUE(std::isnan(v.value));
        else
            EXPECT_DOUBLE_EQ(v.value, c.value);
        EXPECT_STREQ(v.end, c.rest);
    }
}

TEST(ValueText, NothingReadable) {
    const char* text = "  abc";
    const kd::TextValue v = kd::read_value(text);
    EXPECT_EQ(v.kind, kd::TextKind::None);
    EXPECT_EQ(v.end, text);
    EXPECT_EQ(kd::read_value("").kind, kd::TextKind::None);
}

TEST(ValueText, PrintedDateTimesReadBack) {
    for (double v : {2451545.0, 2451545.75, 2458909.4375, 2299160.5}) {
        const std::string text =
            kd::format_date_time(v, {false, false, false, kd::Seconds::Always});
        const kd::TextValue back = kd::read_value(text.c_str());
        EXPECT_EQ(back.kind, kd::TextKind::DateTime) << text;
        EXPECT_NEAR(back.value, v, 1e-9) << text;
    }
}
