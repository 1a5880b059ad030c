#include "data/period.h"

#include <cmath>
#include <cstdio>

#include "data/calendar.h"

namespace kj::data {

namespace {
bool wide_periods(int frequency, int observations) { return frequency >= 100 || observations >= 10000; }

// Date-times of a dated sample's range ends.
constexpr DateTimeStyle k_range_date_style{false, false, false, Seconds::WhenSet};
}  // namespace

Period period_of(const Sample& s, int t) {
    const int f = s.frequency < 1 ? 1 : s.frequency;
    const int q = t / f;
    int p = s.period1 + t - q * f;
    Period out{s.year1 + q, p};
    if (p > f) {
        ++out.year;
        out.period = p - f;
    }
    return out;
}

int observation_index(const Sample& s, Period p) {
    return (p.year - s.year1) * s.frequency + p.period - s.period1;
}

double period_value(Period p, int frequency) {
    return p.year + (p.period - 1) / static_cast<double>(frequency < 1 ? 1 : frequency);
}

Period period_from_value(double v, int frequency) {
    const int f = frequency < 1 ? 1 : frequency;
    const double year = std::floor(v);
    int period = static_cast<int>(std::lround((v - year) * f)) + 1;
    Period p{static_cast<int>(year), period};
    if (period > f) {
        ++p.year;
        p.period = 1;
    }
    return p;
}

std::string format_period(Period p, int frequency, int observations) {
    char buf[40];
    if (frequency == 1)
        std::snprintf(buf, sizeof buf, "%4d", p.year);
    else if (wide_periods(frequency, observations))
        std::snprintf(buf, sizeof buf, "%5d(%3d)", p.year, p.period);
    else if (frequency < 10)
        std::snprintf(buf, sizeof buf, "%4d(%d)", p.year, p.period);
    else
        std::snprintf(buf, sizeof buf, "%4d(%2d)", p.year, p.period);
    return buf;
}

int period_width(int frequency, int observations) {
    if (frequency == 1) return 4;
    if (wide_periods(frequency, observations)) return 10;
    return frequency < 10 ? 7 : 8;
}

std::string format_sample_range(const Sample& s, int t1, int t2, bool name_full_sample) {
    if (name_full_sample && t1 <= 0 && t2 >= s.observations - 1) return "full sample";
    if (s.dates)
        return format_date_time(s.dates[t1], k_range_date_style) + " - " +
               format_date_time(s.dates[t2], k_range_date_style);
    return format_period(period_of(s, t1), s.frequency, s.observations) + " - " +
           format_period(period_of(s, t2), s.frequency, s.observations);
}

int sample_range_width(const Sample& s) {
    // A dated end is at most "yyyy-mm-ddThh:mm:ss.cc".
    const int end = s.dates ? 22 : period_width(s.frequency, s.observations);
    return 2 * end + 3;
}

std::string frequency_name(int frequency, int year1) {
    switch (frequency) {
        case 1: return year1 >= 1801 ? "Annual" : "Undated";
        case 4: return "Quarterly";
        case 12: return "Monthly";
        case 52: return "Weekly (52/year)";
        default: {
            char buf[32];
            std::snprintf(buf, sizeof buf, "Frequency %d", frequency);
            return buf;
        }
    }
}

}  // namespace kj::data
