// Calendar built-ins over the date-time doubles of data/calendar.h. Numeric
// arguments work element by element: ints, doubles and 1 x 1 matrices act as
// scalars; the first larger matrix sets the shape of a matrix result.
#include "lib/fn_calendar.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "data/calendar.h"
#include "lib/arg_checks.h"
#include "lib/elementwise.h"
#include "lib/library_rows.h"
#include "value/value.h"
#include "runtime/run_error.h"

namespace kj::lib {

namespace {
using value::Value;

constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();

bool is_scalar(const Value& v) {
    const uint32_t t = value::type_of(v);
    return !value::is_null(v) && (t == value::T_Int || t == value::T_Double);
}
bool is_matrix(const Value& v) { return !value::is_null(v) && value::type_of(v) == value::T_Matrix; }
bool is_one_by_one(const Value& v) { return v.u.mat.r == 1 && v.u.mat.c == 1; }

double scalar_of(const Value& v) { return value::type_of(v) == value::T_Int ? v.u.ival : v.u.dval; }

// Element (i, j) of an argument that passed element_shape.
double element(const Value& v, int i, int j) {
    if (!is_matrix(v)) return scalar_of(v);
    return is_one_by_one(v) ? v.u.mat.m[0][0] : v.u.mat.m[i][j];
}

// The result record takes out's payload; whatever it held is released.
void give(Value& result, Value& out) {
    value::release(result);
    value::transfer(result, out);
}

enum class Result { Int, Double };

// Applies f to the elements of args[0 .. n); f gets an array of n doubles.
// Scalar arguments give an int (Result::Int, unless NaN) or a double.
template <int N, typename F>
void element_wise(Value& result, Value* args, Result kind, F f) {
    const ElementShape s = element_shape(args, N);
    double x[N];
    if (!s.matrix) {
        for (int k = 0; k < N; ++k) x[k] = scalar_of(args[k]);
        const double y = f(x);
        if (kind == Result::Int && std::isfinite(y))
            value::set_int(result, static_cast<int>(y));
        else
            value::set_double(result, y);
        return;
    }
    Value out = value::make_int(0);
    value::set_matrix(out, s.r, s.c);
    for (int i = 0; i < s.r; ++i)
        for (int j = 0; j < s.c; ++j) {
            for (int k = 0; k < N; ++k) x[k] = element(args[k], i, j);
            out.u.mat.m[i][j] = f(x);
        }
    give(result, out);
}

bool any_nan(const double* x, int n) {
    for (int k = 0; k < n; ++k)
        if (std::isnan(x[k])) return true;
    return false;
}

int to_int(double x) {
    if (x >= 2147483647.0) return 2147483647;
    if (x <= -2147483648.0) return -2147483647 - 1;
    return static_cast<int>(x);
}

double day_number(const double* x) {
    return any_nan(x, 3) ? k_nan : data::julian_day(to_int(x[0]), to_int(x[1]), to_int(x[2]));
}

double number_arg(Value* args, int k) {
    if (!is_scalar(args[k])) arg_type_error(k, value::T_Double, &args[k]);
    return scalar_of(args[k]);
}

// Strings of f(x) for a scalar; an array of them, row after row, for a matrix.
template <typename F>
void strings_of(Value& result, Value& arg, F f) {
    if (is_scalar(arg)) return value::set_string(result, f(scalar_of(arg)));
    if (!is_matrix(arg)) arg_type_error(0, value::T_Double, &arg);
    const int r = arg.u.mat.r, c = arg.u.mat.c;
    Value out = value::make_int(0);
    value::set_array(out, static_cast<int64_t>(r) * c);
    for (int i = 0; i < r; ++i)
        for (int j = 0; j < c; ++j) value::set_string(out.u.arr.v[i * c + j], f(arg.u.mat.m[i][j]));
    give(result, out);
}

std::string date_text(int julian) {
    const data::CalendarDate d = data::calendar_date(julian);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%d-%02d-%02d", d.year, d.month, d.day);
    return buf;
}
}  // namespace

std::string duration_text(double hundredths) {
    if (!std::isfinite(hundredths)) return ".";
    const long long t = std::llround(std::fabs(hundredths));
    const long long h = t / 360000, m = (t / 6000) % 60, s = (t / 100) % 60, c = t % 100;
    const char* sign = hundredths < 0 && t > 0 ? "-" : "";
    char buf[64];
    if (h > 0)
        std::snprintf(buf, sizeof buf, "%s%lld:%02lld:%02lld.%02lld", sign, h, m, s, c);
    else if (m > 0)
        std::snprintf(buf, sizeof buf, "%s%lld:%02lld.%02lld", sign, m, s, c);
    else
        std::snprintf(buf, sizeof buf, "%s%lld.%02lld", sign, s, c);
    return buf;
}

void fn_date(Value* result, Value*, int) {
    value::set_string(*result, date_text(static_cast<int>(std::floor(data::now_date_time()))));
}

void fn_today(Value* result, Value*, int) { value::set_double(*result, data::now_date_time()); }

void fn_time(Value* result, Value*, int) {
    const data::TimeOfDay t = data::time_fields(data::now_hundredths() / data::k_hundredths_per_day);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hours, t.minutes, t.seconds);
    value::set_string(*result, buf);
}

void fn_timer(Value* result, Value*, int) { value::set_double(*result, data::now_hundredths()); }

void fn_dayofcalendar(Value* result, Value* args, int count) {
    switch (count) {
        case 0:
            return value::set_int(*result, static_cast<int>(std::floor(data::now_date_time())));
        case 1: {
            Value& a = args[0];
            if (!is_matrix(a)) arg_type_error(0, value::T_Matrix, &a);
            if (a.u.mat.c != 3) arg_size_error(0, a, a.u.mat.r, 3);
            Value out = value::make_int(0);
            value::set_matrix(out, a.u.mat.r, 1);
            for (int i = 0; i < a.u.mat.r; ++i) out.u.mat.m[i][0] = day_number(a.u.mat.m[i]);
            return give(*result, out);
        }
        case 2:
            arg_error(1);
        case 3:
            return element_wise<3>(*result, args, Result::Int, day_number);
        default:
            arg_error(3);
    }
}

void fn_dayofeaster(Value* result, Value* args, int) {
    element_wise<1>(*result, args, Result::Int, [](const double* x) {
        return std::isnan(x[0]) ? k_nan : data::easter_day(to_int(x[0]));
    });
}

void fn_dayofmonth(Value* result, Value* args, int) {
    element_wise<4>(*result, args, Result::Int, [](const double* x) {
        return any_nan(x, 4) ? k_nan
                             : data::nth_weekday_of_month(to_int(x[0]), to_int(x[1]), to_int(x[2]), to_int(x[3]));
    });
}

void fn_dayofweek(Value* result, Value* args, int count) {
    switch (count) {
        case 1:
            return element_wise<1>(*result, args, Result::Int, [](const double* x) {
                return std::isnan(x[0]) ? k_nan : data::day_of_week(to_int(std::floor(x[0])));
            });
        case 2:
            arg_error(1);
        case 3:
            return element_wise<3>(*result, args, Result::Int, [](const double* x) {
                const double j = day_number(x);
                return std::isnan(j) ? k_nan : data::day_of_week(static_cast<int>(j));
            });
        default:
            arg_error(count < 1 ? 0 : 3);
    }
}

void fn_timeofday(Value* result, Value* args, int count) {
    // (((h * 60 + m) * 60 + s) * 100 + c) / 8.64e6 with missing parts 0.
    auto clock = [](const double* x, int n) {
        double parts[4] = {0, 0, 0, 0};
        for (int k = 0; k < n; ++k) parts[k] = x[k];
        return (((parts[0] * 60 + parts[1]) * 60 + parts[2]) * 100 + parts[3]) / data::k_hundredths_per_day;
    };
    switch (count) {
        case 0:
            return value::set_double(*result, data::now_hundredths() / data::k_hundredths_per_day);
        case 1:
            return element_wise<1>(*result, args, Result::Double,
                                   [](const double* x) { return x[0] - std::floor(x[0]); });
        case 2:
            return element_wise<2>(*result, args, Result::Double, [&](const double* x) { return clock(x, 2); });
        case 3:
            return element_wise<3>(*result, args, Result::Double, [&](const double* x) { return clock(x, 3); });
        case 4:
            return element_wise<4>(*result, args, Result::Double, [&](const double* x) { return clock(x, 4); });
        default:
            arg_error(4);
    }
}

void fn_timespan(Value* result, Value* args, int count) {
    if (count > 2) arg_error(2);
    const double start = number_arg(args, 0);
    const double stop = count > 1 ? number_arg(args, 1) : data::now_hundredths();
    double span = stop - start;
    // Timer readings restart at midnight.
    if (span < 0 && count == 1) span += data::k_hundredths_per_day;
    value::set_string(*result, duration_text(span));
}

void fn_timestr(Value* result, Value* args, int) {
    strings_of(*result, args[0],
               [](double x) { return data::format_date_time(x, data::DateTimeStyle{}); });
}

void fn_timing(Value* result, Value* args, int count) {
    if (count > 2) arg_error(2);
    const int mode = count > 1 ? to_int(number_arg(args, 1)) : 0;
    if (mode == 1)
        return strings_of(*result, args[0], [](double x) {
            char buf[64];
            std::snprintf(buf, sizeof buf, "%.2f", x / 100);
            return std::string(buf);
        });
    strings_of(*result, args[0], duration_text);
}

namespace {
const DescriptorRow k_calendar_rows[] = {
    {"$date", fn_date},
    {"$dayofcalendar", fn_dayofcalendar, 1},
    {"c$dayofeaster", fn_dayofeaster},
    {"cccc$dayofmonth", fn_dayofmonth},
    {"c$dayofweek", fn_dayofweek, 1},
    {"$time", fn_time},
    {"$timeofday", fn_timeofday, 1},
    {"$timer", fn_timer},
    {"c$timespan", fn_timespan, 1},
    {"c$timestr", fn_timestr},
    {"c$timing", fn_timing, 1},
    {"$today", fn_today},
};
}  // namespace

std::span<const DescriptorRow> calendar_rows() { return k_calendar_rows; }

}  // namespace kj::lib
