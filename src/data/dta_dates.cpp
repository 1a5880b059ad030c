#include "data/dta_dates.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "data/calendar.h"

namespace kj::data {

namespace {

constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();
constexpr int k_day_1960 = 2436935;  // day number of 1960-01-01, day 0 of the format
constexpr double k_ms_per_day = 86400000.0;
// Periods beyond a million (a million years at most) have no day number here.
constexpr double k_max_periods = 1e6;

// The months whose last day ended with a leap second (year * 100 + month).
constexpr int k_leap_second_months[] = {197206, 197212, 197312, 197412, 197512, 197612, 197712, 197812, 197912,
                                        198106, 198206, 198306, 198506, 198712, 198912, 199012, 199206, 199306,
                                        199406, 199512, 199706, 199812, 200512, 200812, 201206, 201506, 201612};

// Milliseconds counting leap seconds as milliseconds that do not: a time
// within a leap second falls into the second before it.
double without_leap_seconds(double x) {
    int passed = 0;
    for (int ym : k_leap_second_months) {
        const int year = ym / 100, month = ym % 100;
        const double next_day = julian_day(year, month, days_in_month(year, month)) + 1 - k_day_1960;
        const double leap = next_day * k_ms_per_day + 1000.0 * passed;  // 23:59:60 of the month's last day
        if (x < leap) break;
        if (x < leap + 1000) return next_day * k_ms_per_day - 1000 + (x - leap);
        ++passed;
    }
    return x - 1000.0 * passed;
}

}  // namespace

DtaTime dta_time_of_format(const char* format) {
    if (!format || format[0] != '%') return DtaTime::None;
    const char* f = format + 1;
    if (*f == '-') ++f;
    if (f[0] == 'd') return DtaTime::Days;  // the older spelling of %td
    if (f[0] != 't') return DtaTime::None;
    switch (f[1]) {
    case 'd': return DtaTime::Days;
    case 'c': return DtaTime::Milliseconds;
    case 'C': return DtaTime::LeapMilliseconds;
    case 'w': return DtaTime::Weeks;
    case 'm': return DtaTime::Months;
    case 'q': return DtaTime::Quarters;
    case 'h': return DtaTime::Halves;
    case 'y': return DtaTime::Years;
    default: return DtaTime::None;
    }
}

const char* dta_format_of_time(DtaTime unit) {
    switch (unit) {
    case DtaTime::Days: return "%td";
    case DtaTime::Milliseconds: return "%tc";
    case DtaTime::LeapMilliseconds: return "%tC";
    case DtaTime::Weeks: return "%tw";
    case DtaTime::Months: return "%tm";
    case DtaTime::Quarters: return "%tq";
    case DtaTime::Halves: return "%th";
    case DtaTime::Years: return "%ty";
    default: return "";
    }
}

int dta_periods_per_year(DtaTime unit) {
    switch (unit) {
    case DtaTime::Weeks: return 52;
    case DtaTime::Months: return 12;
    case DtaTime::Quarters: return 4;
    case DtaTime::Halves: return 2;
    case DtaTime::Years: return 1;
    default: return 0;
    }
}

DtaTime dta_period_of_frequency(int frequency) {
    for (DtaTime u : {DtaTime::Weeks, DtaTime::Months, DtaTime::Quarters, DtaTime::Halves, DtaTime::Years})
        if (dta_periods_per_year(u) == frequency) return u;
    return DtaTime::None;
}

void dta_year_period(DtaTime unit, int64_t count, int& year, int& period) {
    const int f = dta_periods_per_year(unit);
    if (unit == DtaTime::Years) {
        year = static_cast<int>(count), period = 1;
        return;
    }
    const int64_t q = count >= 0 ? count / f : -((-count + f - 1) / f);
    year = static_cast<int>(1960 + q);
    period = static_cast<int>(count - q * f) + 1;
}

double calendar_of_dta(DtaTime unit, double x) {
    if (std::isnan(x) || std::isinf(x)) return x;
    switch (unit) {
    case DtaTime::None: return x;
    case DtaTime::Days: return x + k_day_1960;
    case DtaTime::Milliseconds: return x / k_ms_per_day + k_day_1960;
    case DtaTime::LeapMilliseconds: return without_leap_seconds(x) / k_ms_per_day + k_day_1960;
    default: break;
    }
    const double count = std::floor(x);
    if (std::fabs(count) > k_max_periods) return k_nan;
    int year, period;
    dta_year_period(unit, static_cast<int64_t>(count), year, period);
    int day;
    if (unit == DtaTime::Weeks) day = julian_day(year, 1, 1) + 7 * (period - 1);
    else day = julian_day(year, (period - 1) * 12 / dta_periods_per_year(unit) + 1, 1);
    return day < 0 ? k_nan : day;
}

double dta_of_calendar(DtaTime unit, double day) {
    if (std::isnan(day) || std::isinf(day)) return day;
    switch (unit) {
    case DtaTime::None: return day;
    case DtaTime::Days: return day - k_day_1960;
    case DtaTime::Milliseconds:
    case DtaTime::LeapMilliseconds: return std::round((day - k_day_1960) * k_ms_per_day);
    default: break;
    }
    if (std::fabs(day) > 4e8) return k_nan;  // about a million years
    const int j = static_cast<int>(std::floor(day));
    const CalendarDate d = calendar_date(j);
    if (unit == DtaTime::Years) return d.year;
    const int f = dta_periods_per_year(unit);
    int period;
    if (unit == DtaTime::Weeks) period = std::min((j - julian_day(d.year, 1, 1)) / 7, 51);
    else period = (d.month - 1) * f / 12;
    return double(d.year - 1960) * f + period;
}

bool starts_dta_period(DtaTime unit, double day) {
    if (std::isnan(day)) return true;
    if (std::isinf(day) || day != std::floor(day) || dta_periods_per_year(unit) == 0) return false;
    return calendar_of_dta(unit, dta_of_calendar(unit, day)) == day;
}

}  // namespace kj::data
