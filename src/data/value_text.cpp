#include "data/value_text.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "data/calendar.h"

namespace kj::data {

namespace {
constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();
constexpr double k_inf = std::numeric_limits<double>::infinity();

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_space(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
bool at_item_end(const char* p) { return *p == '\0' || is_space(*p); }

bool starts_with(const char* p, const char* word) { return std::strncmp(p, word, std::strlen(word)) == 0; }

// An unsigned decimal field; false (and p unchanged) when no digit follows.
bool read_digits(const char*& p, int& out) {
    if (!is_digit(*p)) return false;
    long v = 0;
    while (is_digit(*p)) {
        if (v < 100000000) v = v * 10 + (*p - '0');
        ++p;
    }
    out = static_cast<int>(v);
    return true;
}

// A signed decimal field (optional sign), as "%d" reads it without skipping blanks.
bool read_int(const char*& p, int& out) {
    const char* q = p;
    bool negative = false;
    if (*q == '+' || *q == '-') negative = *q++ == '-';
    if (!read_digits(q, out)) return false;
    if (negative) out = -out;
    p = q;
    return true;
}

// "hh" was read; reads ":mm", ":ss" and ".cc" as far as they are present.
double read_clock(const char*& p, int hours) {
    int minutes = 0, seconds = 0, hundredths = 0;
    const char* q = p;
    if (*q == ':' && (++q, read_digits(q, minutes))) {
        p = q;
        if (*q == ':' && (++q, read_digits(q, seconds))) {
            p = q;
            if (*q == '.' && is_digit(q[1])) {
                ++q;
                double scale = 10.0, fraction = 0.0;
                while (is_digit(*q)) {
                    fraction += (*q++ - '0') / scale;
                    scale *= 10.0;
                }
                hundredths = static_cast<int>(std::lround(fraction * 100.0));
                p = q;
            }
        }
    }
    return time_fraction(hours, minutes, seconds, hundredths);
}

// Monday of ISO week `week` of `year`, plus day - 1.
int iso_week_day(int year, int week, int day) {
    const int jan4 = julian_day(year, 1, 4);
    const int monday_of_week1 = jan4 - (day_of_week(jan4) + 5) % 7;
    return monday_of_week1 + 7 * (week - 1) + day - 1;
}

// A date after the year: "-mm-dd" or "-Www[-d]". False leaves p unchanged.
bool read_date(const char*& p, int year, double& value) {
    const char* q = p + 1;  // past the '-'
    int month = 0, day = 0;
    if (*q == 'W') {
        ++q;
        int week = 0;
        if (!read_digits(q, week) || week < 1 || week > 53) return false;
        int weekday = 1;
        const char* r = q;
        if (*r == '-' && (++r, read_digits(r, weekday)) && weekday >= 1 && weekday <= 7) q = r;
        else weekday = 1;
        value = iso_week_day(year, week, weekday);
        p = q;
        return true;
    }
    // A month or day beyond the calendar's is no date (and would overflow the
    // day arithmetic).
    if (!read_int(q, month) || month < 1 || month > 12 || *q != '-') return false;
    ++q;
    if (!read_int(q, day) || day < 1 || day > 31) return false;
    value = julian_day(year, month, day);
    p = q;
    return true;
}
}  // namespace

TextValue read_value(const char* text) {
    const char* p = text;
    while (is_space(*p)) ++p;

    // Missing values and infinities.
    struct Spelling {
        const char* word;
        double value;
    };
    static const Spelling spellings[] = {{".NaN", k_nan}, {"#N/A", k_nan}, {"#NA", k_nan},
                                         {"missing", k_nan}, {"+.Inf", k_inf}, {"-.Inf", -k_inf},
                                         {".Inf", k_inf}};
    for (const Spelling& s : spellings)
        if (starts_with(p, s.word)) return {s.value, p + std::strlen(s.word), TextKind::Number};
    if (*p == '.' && at_item_end(p + 1)) return {k_nan, p + 1, TextKind::Number};

    char* after = nullptr;
    const double number = std::strtod(p, &after);
    if (after == p) return {k_nan, text, TextKind::None};
    const char* q = after;
    const bool whole = std::isfinite(number) && number == std::floor(number) && std::fabs(number) < 1e9;

    if (*q == '-' && whole) {
        double day = 0;
        if (read_date(q, static_cast<int>(number), day)) {
            const char* r = q;
            int hours = 0;
            if (*r == 'T') {
                ++r;
                if (read_digits(r, hours)) {
                    day += read_clock(r, hours);
                    q = r;
                }
            } else if (*r == ' ' && is_digit(r[1])) {
                ++r;
                if (read_digits(r, hours) && *r == ':' && is_digit(r[1])) {
                    day += read_clock(r, hours);
                    q = r;
                }
            }
            return {day, q, TextKind::DateTime};
        }
    }
    if (*q == ':' && whole && number >= 0 && is_digit(q[1])) {
        const double fraction = read_clock(q, static_cast<int>(number));
        return {fraction, q, TextKind::DateTime};
    }
    return {number, q, TextKind::Number};
}

}  // namespace kj::data
