#include "data/calendar.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>

namespace kj::data {

namespace {
// 31 * (month + 12 * year) + day of 1582-10-15: the first Gregorian day.
constexpr int k_gregorian_key = 588829;

int floor_div(int a, int b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
int pos_mod(int a, int b) { return static_cast<int>(a - static_cast<long long>(b) * floor_div(a, b)); }

// Carries a time of day rounded up to a whole day into the day number.
struct SplitDateTime {
    int day;
    long long hundredths;  // 0 .. 8639999
    bool fraction;         // the value had a fraction of a day
};

SplitDateTime split(double v) {
    // Day numbers beyond the int range (no calendar reaches them) are held at its ends.
    const double j = std::fmin(std::fmax(std::floor(v), -2147483647.0), 2147483646.0);
    const double f = std::isfinite(v) ? v - std::floor(v) : 0.0;
    SplitDateTime s{static_cast<int>(j), std::llround(std::floor(f * k_hundredths_per_day + 0.5)), f > 0};
    if (s.hundredths >= static_cast<long long>(k_hundredths_per_day)) {
        ++s.day;
        s.hundredths = 0;
        s.fraction = false;
    }
    return s;
}

void append_clock(std::string& out, long long t, Seconds mode) {
    const int c = static_cast<int>(t % 100);
    const int s = static_cast<int>((t / 100) % 60);
    const int m = static_cast<int>((t / 6000) % 60);
    const int h = static_cast<int>(t / 360000);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d", h, m);
    out += buf;
    if (mode == Seconds::Never) return;
    if (mode == Seconds::WhenSet && s == 0 && c == 0) return;
    std::snprintf(buf, sizeof buf, ":%02d", s);
    out += buf;
    if (c != 0) {
        std::snprintf(buf, sizeof buf, ".%02d", c);
        out += buf;
    }
}
}  // namespace

int julian_day(int year, int month, int day) {
    // Years beyond a million (and their day counts) are no dates; nor are
    // month and day counts that would carry the sums out of the int range.
    if (year == 0 || year > 1000000 || year < -1000000 || month < 1 || day < 1) return -1;
    if (month > 12000000 || day > 400000000) return -1;
    int jy = month < 3 ? year - 1 : year;
    if (year < 0) ++jy;
    const int jm = month < 3 ? month + 13 : month + 1;
    int j = static_cast<int>(std::floor(30.6001 * jm) + std::floor(365.25 * jy)) + day + 1720995;
    if (31 * (month + 12 * year) + day >= k_gregorian_key) {
        const int a = jy / 100;
        j += 2 - a + a / 4;
    }
    return j;
}

CalendarDate calendar_date(int julian) {
    // The steps run in 64 bits: near the ends of the int range they overflow.
    const int64_t jul = julian;
    int64_t ja = jul;
    if (julian >= k_gregorian_start) {
        const int64_t alpha = static_cast<int64_t>((static_cast<double>(jul - 1867216) - 0.25) / 36524.25);
        ja = jul + 1 + alpha - static_cast<int64_t>(0.25 * static_cast<double>(alpha));
    } else if (julian < 0) {
        // Shift by whole Julian centuries so the truncating steps below see a positive day.
        ja = jul + 36525 * (1 - jul / 36525);
    }
    const int64_t jb = ja + 1524;
    const int64_t jc = static_cast<int64_t>(6680.0 + (static_cast<double>(jb - 2439870) - 122.1) / 365.25);
    const int64_t jd = static_cast<int64_t>(static_cast<double>(365 * jc) + 0.25 * static_cast<double>(jc));
    const int64_t je = static_cast<int64_t>(static_cast<double>(jb - jd) / 30.6001);
    CalendarDate d;
    d.day = static_cast<int>(jb - jd - static_cast<int64_t>(30.6001 * static_cast<double>(je)));
    d.month = static_cast<int>(je - 1);
    if (d.month > 12) d.month -= 12;
    int64_t year = jc - 4715;
    if (d.month > 2) --year;
    if (year <= 0) --year;
    if (julian < 0) year -= 100 * (1 - jul / 36525);
    d.year = static_cast<int>(year);
    return d;
}

// The day after julian, taken modulo 7 first: julian + 1 overflows at the top of the range.
int day_of_week(int julian) { return pos_mod(pos_mod(julian, 7) + 1, 7) + 1; }

int day_of_week(int year, int month, int day) { return day_of_week(julian_day(year, month, day)); }

const char* weekday_name(int weekday) {
    static const char* const names[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    return weekday >= 1 && weekday <= 7 ? names[weekday - 1] : "???";
}

int easter_day(int year) {
    if (year == 0) return -1;
    int month, day;
    if (year >= 1583) {
        // Anonymous Gregorian computus.
        const int a = year % 19, b = year / 100, c = year % 100;
        const int d = b / 4, e = b % 4, f = (b + 8) / 25, g = (b - f + 1) / 3;
        const int h = (19 * a + b - d - g + 15) % 30;
        const int i = c / 4, k = c % 4;
        const int l = (32 + 2 * e + 2 * i - h - k) % 7;
        const int m = (a + 11 * h + 22 * l) / 451;
        month = (h + l - 7 * m + 114) / 31;
        day = (h + l - 7 * m + 114) % 31 + 1;
    } else {
        // Julian computus.
        const int a = pos_mod(year, 4), b = pos_mod(year, 7), c = pos_mod(year, 19);
        const int d = (19 * c + 15) % 30;
        const int e = pos_mod(2 * a + 4 * b - d + 34, 7);
        month = (d + e + 114) / 31;
        day = (d + e + 114) % 31 + 1;
    }
    return julian_day(year, month, day);
}

int days_in_month(int year, int month) {
    if (year == 0 || month < 1 || month > 12) return 0;
    int next_year = month == 12 ? year + 1 : year;
    if (next_year == 0) next_year = 1;
    const int next_month = month == 12 ? 1 : month + 1;
    return julian_day(next_year, next_month, 1) - julian_day(year, month, 1);
}

int nth_weekday_of_month(int year, int month, int weekday, int nth) {
    const int length = days_in_month(year, month);
    if (length == 0 || nth == 0 || weekday < 1 || weekday > 7) return -1;
    const int first = julian_day(year, month, 1);
    const int last = first + length - 1;
    int j;
    if (nth > 0) {
        j = first + pos_mod(weekday - day_of_week(first), 7) + 7 * (nth - 1);
        return j <= last ? j : -1;
    }
    j = last - pos_mod(day_of_week(last) - weekday, 7) - 7 * (-nth - 1);
    return j >= first ? j : -1;
}

double time_fraction(int hours, int minutes, int seconds, int hundredths) {
    return (((hours * 60.0 + minutes) * 60.0 + seconds) * 100.0 + hundredths) / k_hundredths_per_day;
}

TimeOfDay time_fields(double f) {
    long long t = std::llround(std::floor(f * k_hundredths_per_day + 0.5));
    const long long day = static_cast<long long>(k_hundredths_per_day);
    t %= day;
    if (t < 0) t += day;
    TimeOfDay tod;
    tod.hundredths = static_cast<int>(t % 100);
    tod.seconds = static_cast<int>((t / 100) % 60);
    tod.minutes = static_cast<int>((t / 6000) % 60);
    tod.hours = static_cast<int>(t / 360000);
    return tod;
}

void append_date_time(std::string& out, double value, const DateTimeStyle& style) {
    if (std::isnan(value)) {
        out += '.';
        return;
    }
    if (value == 0) {
        out += style.seconds == Seconds::Always ? "00:00:00" : "00:00";
        return;
    }
    const SplitDateTime s = split(value);
    const char separator = style.blank_separator ? ' ' : 'T';
    bool dated = false;
    if (s.day != 0) {
        const CalendarDate d = calendar_date(s.day);
        char buf[48];
        std::snprintf(buf, sizeof buf, "%d-%02d-%02d", d.year, d.month, d.day);
        out += buf;
        if (style.weekday) {
            out += ' ';
            out += weekday_name(day_of_week(s.day));
        }
        dated = true;
        if (style.whole_day_time && !s.fraction) {
            out += separator;
            out += style.seconds == Seconds::Always ? "00:00:00" : "00:00";
        }
    }
    if (s.fraction) {
        if (dated) out += separator;
        append_clock(out, s.hundredths, style.seconds);
    }
}

std::string format_date_time(double value, const DateTimeStyle& style) {
    std::string out;
    append_date_time(out, value, style);
    return out;
}

namespace {
struct LocalNow {
    std::tm tm;
    int hundredths;
};

LocalNow local_now() {
    std::timespec ts{};
    std::timespec_get(&ts, TIME_UTC);
    LocalNow now{};
    const std::time_t secs = ts.tv_sec;
    localtime_r(&secs, &now.tm);
    now.hundredths = static_cast<int>(ts.tv_nsec / 10000000);
    return now;
}
}  // namespace

double now_date_time() {
    const LocalNow n = local_now();
    return julian_day(n.tm.tm_year + 1900, n.tm.tm_mon + 1, n.tm.tm_mday) +
           time_fraction(n.tm.tm_hour, n.tm.tm_min, n.tm.tm_sec, n.hundredths);
}

double now_hundredths() {
    const LocalNow n = local_now();
    return ((n.tm.tm_hour * 60.0 + n.tm.tm_min) * 60.0 + n.tm.tm_sec) * 100.0 + n.hundredths;
}

}  // namespace kj::data
