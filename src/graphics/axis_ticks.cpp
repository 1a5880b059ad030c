#include "graphics/axis_ticks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "data/calendar.h"
#include "graphics/text_metrics.h"

namespace kj::graphics {

namespace {

// An end of the data moves out to the neighbouring tick when that adds at
// most this share of the span.
constexpr double k_reach = 0.05;
// At most this many labelled ticks on a time or date axis.
constexpr int k_most_time_ticks = 8;

// The old rule, for ranges where no candidate below gives a sensible count.
double round_out(double& lo, double& hi, int ticks) {
    const double raw = (hi - lo) / std::max(ticks, 1);
    const double p = std::pow(10.0, std::floor(std::log10(raw)));
    double step = 10 * p;
    for (double m : {1.0, 2.0, 2.5, 5.0})
        if (m * p >= raw * (1 - 1e-9)) {
            step = m * p;
            break;
        }
    lo = std::floor(lo / step + 1e-9) * step;
    hi = std::ceil(hi / step - 1e-9) * step;
    return step;
}

}  // namespace

double nice_range(double& lo, double& hi, int ticks) {
    if (!(hi > lo)) {
        const double w = lo == 0 ? 1 : std::fabs(lo) * 0.1;
        lo -= w;
        hi += w;
    }
    ticks = std::max(ticks, 1);
    const double raw = (hi - lo) / ticks;
    const double p = std::pow(10.0, std::floor(std::log10(raw)));
    if (!std::isfinite(p) || p == 0) return round_out(lo, hi, ticks);
    // Among the steps giving ticks - 2 .. ticks + 2 intervals, the one whose
    // rounded-out range is narrowest.
    const int fewest = std::max(ticks - 2, 2), most = ticks + 2;
    double best_step = 0, best_lo = 0, best_hi = 0;
    for (const double decade : {0.1, 1.0, 10.0})
        for (const double m : {1.0, 2.0, 2.5, 5.0}) {
            const double step = m * p * decade;
            const double a = std::floor(lo / step + 1e-9) * step, b = std::ceil(hi / step - 1e-9) * step;
            const double n = std::round((b - a) / step);
            if (n < fewest || n > most) continue;
            const double width = best_hi - best_lo;
            const bool narrower = b - a < width * (1 - 1e-9), tie = !narrower && b - a <= width * (1 + 1e-9);
            // On a tie the first step at least as large as the raw step.
            if (best_step == 0 || narrower || (tie && best_step < raw * (1 - 1e-9) && step >= raw * (1 - 1e-9))) {
                best_step = step;
                best_lo = a;
                best_hi = b;
            }
        }
    if (best_step == 0) return round_out(lo, hi, ticks);
    lo = best_lo;
    hi = best_hi;
    return best_step;
}

TimeTicks time_ticks(double lo, double hi, int freq, double width, double font) {
    freq = std::max(freq, 1);
    // Labels of 4 ("1990"), 7 ("1990(1)") or 8 characters, half a font size each, with a gap.
    auto room = [&](int chars) {
        return static_cast<int>(std::clamp(width / std::max((chars * 0.5 + 0.8) * font, 1.0), 1.0, 100.0));
    };
    // Work in whole periods; a lone observation gets one period of room.
    const double p_lo = std::round(lo * freq);
    const double p_hi = std::max(std::round(hi * freq), p_lo + 1);
    const double periods = p_hi - p_lo;
    double step = 1;  // in periods
    if (freq == 1 || periods >= 4.0 * freq) {
        const double most = std::min(room(4), k_most_time_ticks) + 1e-9, years = periods / freq;
        for (double m = 1; years / step > most && m < 1e12; m *= 10) {
            step = m;
            if (years / step <= most) break;
            step = 2 * m;
            if (years / step <= most) break;
            step = 5 * m;
        }
        step *= freq;
    } else {
        const double most = std::min(room(freq < 10 ? 7 : 8), k_most_time_ticks) + 1e-9;
        step = freq;
        for (int d = 1; d <= freq; ++d)
            if (freq % d == 0 && periods / d <= most) {
                step = d;
                break;
            }
    }
    // Ticks sit on the multiples of the step (years on their first period).
    double first = std::ceil(p_lo / step) * step, last = std::floor(p_hi / step) * step;
    double min = p_lo, max = p_hi;
    if (first > p_lo && p_lo - (first - step) <= k_reach * periods) first = min = first - step;
    if (last < p_hi && last + step - p_hi <= k_reach * periods) max = last + step;
    if (first > max) first = min;
    const double f = freq;
    return {min / f, max / f, step / f, first / f};
}

namespace {

struct DateStep {
    int label;
    int count;        // seconds, minutes, days, months or years per step
    double days;      // about how long a step is
};

// Label widths in characters: "2001", "2001-03", "2001-03-15", "14:30", "14:30:15".
int label_chars(int label) {
    switch (label) {
    case DL_Year: return 4;
    case DL_Month: return 7;
    case DL_Day: return 10;
    case DL_Minute: return 5;
    default: return 8;
    }
}

// The smallest calendar step whose ticks fit side by side.
DateStep choose_step(double span, double width, double font, bool whole_days) {
    auto fits = [&](const DateStep& s) {
        const double label = (label_chars(s.label) * 0.5 + 0.8) * font;
        const double room = std::clamp(std::floor(width / std::max(label, 1.0)), 1.0, double(k_most_time_ticks));
        return span / s.days <= room + 1e-9;
    };
    if (!whole_days) {
        for (const int k : {1, 2, 5, 10, 15, 30})
            if (DateStep s{DL_Second, k, k / 86400.0}; fits(s)) return s;
        for (const int k : {1, 2, 5, 10, 15, 30, 60, 120, 180, 360, 720})
            if (DateStep s{DL_Minute, k, k / 1440.0}; fits(s)) return s;
    }
    for (const int k : {1, 2, 7, 14})
        if (DateStep s{DL_Day, k, double(k)}; fits(s)) return s;
    for (const int k : {1, 2, 3, 6})
        if (DateStep s{DL_Month, k, k * 30.44}; fits(s)) return s;
    for (int m = 1; m < 100000000; m *= 10)
        for (const int k : {m, 2 * m, 5 * m})
            if (DateStep s{DL_Year, k, k * 365.25}; fits(s)) return s;
    return {DL_Year, 1000000000, 1e9 * 365.25};
}

long long floor_div(long long a, long long b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// The first day of the month at index ym = year * 12 + month - 1.
double month_start(long long ym) {
    const int year = static_cast<int>(floor_div(ym, 12));
    return data::julian_day(year, static_cast<int>(ym - 12LL * year) + 1, 1);
}

}  // namespace

bool date_range(double lo, double hi) {
    constexpr double first_day = 1721426, last_day = 5e8;  // 0001-01-01, and the year 1 364 000 or so
    return (lo >= first_day && hi <= last_day) || (lo >= 0 && hi <= 1);
}

DateTicks date_ticks(double lo, double hi, double width, double font, bool whole_days) {
    if (!(hi > lo)) {  // one point in time: half a day either side
        lo -= 0.5;
        hi += 0.5;
    }
    const double span = hi - lo, from = lo - k_reach * span, to = hi + k_reach * span;
    const DateStep s = choose_step(span, width, font, whole_days);
    DateTicks t;
    t.label = s.label;
    auto add = [&](double v) {
        if (v >= from && v <= to && t.at.size() < 4 * k_most_time_ticks) t.at.push_back(v);
    };
    if (s.label == DL_Second || s.label == DL_Minute) {
        const double per_day = s.label == DL_Second ? 86400 : 1440;
        const double day = std::floor(from);
        for (double u = std::ceil((from - day) * per_day / s.count) * s.count; day + u / per_day <= to; u += s.count)
            add(day + u / per_day);
    } else if (s.label == DL_Day) {
        for (double j = std::ceil(from / s.count) * s.count; j <= to; j += s.count) add(j);
    } else {
        const data::CalendarDate c = data::calendar_date(static_cast<int>(std::floor(from)));
        const long long months = s.label == DL_Month ? s.count : 12LL * s.count;
        long long ym = floor_div(12LL * c.year + c.month - 1, months) * months;
        for (int guard = 0; guard < 1000; ++guard, ym += months) {
            if (floor_div(ym, 12) == 0) continue;  // there is no year 0
            const double d = month_start(ym);
            if (d > to) break;
            add(d);
        }
    }
    t.min = lo;
    t.max = hi;
    if (t.at.empty()) {
        t.at.push_back(lo);
        return t;
    }
    t.min = std::min(lo, t.at.front());
    t.max = std::max(hi, t.at.back());
    return t;
}

DateTicks date_ticks_in(double lo, double hi, double first, double step, double width, double font,
                        bool whole_days) {
    DateTicks t;
    if (step > 0) {
        t.label = step >= 1 - 1e-9 ? DL_Day : step >= 1 / 1440.0 - 1e-12 ? DL_Minute : DL_Second;
        for (int k = 0; k <= 4 * k_most_time_ticks * 25; ++k) {
            const double v = first + k * step;
            if (v > hi + step * 1e-6) break;
            if (v >= lo - step * 1e-6) t.at.push_back(v);
        }
    } else {
        DateTicks all = date_ticks(lo, hi, width, font, whole_days);
        t.label = all.label;
        const double eps = (hi - lo) * 1e-9;
        for (const double v : all.at)
            if (v >= lo - eps && v <= hi + eps) t.at.push_back(v);
    }
    t.min = lo;
    t.max = hi;
    return t;
}

std::string date_label(double v, int label) {
    const double secs = std::round(v * 86400.0);
    const double day = std::floor(secs / 86400.0);
    const long long s = static_cast<long long>(secs - day * 86400.0);
    const data::CalendarDate c = data::calendar_date(static_cast<int>(day));
    char buf[48];
    switch (label) {
    case DL_Year: std::snprintf(buf, sizeof buf, "%d", c.year); break;
    case DL_Month: std::snprintf(buf, sizeof buf, "%d-%02d", c.year, c.month); break;
    case DL_Minute: std::snprintf(buf, sizeof buf, "%02lld:%02lld", s / 3600, s / 60 % 60); break;
    case DL_Second: std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60); break;
    default: std::snprintf(buf, sizeof buf, "%d-%02d-%02d", c.year, c.month, c.day); break;
    }
    return buf;
}

std::string day_label(double v) { return std::round(v * 86400.0) < 86400.0 ? "" : date_label(v, DL_Day); }

double label_width(const std::string& label, double size) { return text_width(label, 0, size); }

std::string axis_label(double v, double step, const int format[4]) {
    char buf[64];
    const int width = format[0] > 0 ? std::min(format[0], 40) : 8;
    const int digits = std::clamp(format[1], 1, 17);
    int n = 0;
    if (format[2] == 1 && step > 0 && std::isfinite(step)) {
        // As many decimals as the step needs, so that all labels of an axis align.
        int decimals = 0;
        while (decimals < 10) {
            const double scaled = step * std::pow(10.0, decimals);
            if (std::fabs(scaled - std::round(scaled)) <= 1e-6 * scaled) break;
            ++decimals;
        }
        n = std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    } else {
        n = std::snprintf(buf, sizeof buf, "%.*g", digits, v);
    }
    if (n > width) std::snprintf(buf, sizeof buf, "%.*e", std::clamp(width - 6, 0, digits - 1), v);
    return buf;
}

std::string period_label(double v, int frequency) {
    char buf[48];
    const double f = std::max(frequency, 1);
    // Ticks sit on whole periods; rounding absorbs the error of the sums.
    const double periods = std::round(v * f);
    if (!std::isfinite(periods) || std::fabs(periods) > 1e15) return "";
    const long long year = static_cast<long long>(std::floor(periods / f));
    const long long period = static_cast<long long>(periods) - year * static_cast<long long>(f) + 1;
    if (frequency <= 1)
        std::snprintf(buf, sizeof buf, "%lld", year);
    else
        std::snprintf(buf, sizeof buf, "%lld(%lld)", year, period);
    return buf;
}

std::string time_label(double v, int frequency, double step) {
    const bool whole_years = step >= 1 - 1e-9 && std::fabs(v - std::round(v)) < 1e-6;
    return period_label(v, whole_years ? 1 : frequency);
}

}  // namespace kj::graphics
