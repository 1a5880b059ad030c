// Calendar date-times: a double whose integer part is the Julian day number
// and whose fraction is the time of day. Days before 15 October 1582 are in
// the Julian calendar, later ones in the Gregorian; there is no year 0.
#pragma once

#include <string>

namespace kj::data {

constexpr int k_gregorian_start = 2299161;      // 1582-10-15
constexpr int k_unix_epoch_day = 2440588;       // 1970-01-01
constexpr double k_hundredths_per_day = 8.64e6;

struct CalendarDate {
    int year = 0;
    int month = 0;
    int day = 0;
};

struct TimeOfDay {
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    int hundredths = 0;
};

// Day number of (year, month, day); -1 for year 0, or a month or day below 1.
int julian_day(int year, int month, int day);
CalendarDate calendar_date(int julian);

// 1 Sunday ... 7 Saturday.
int day_of_week(int julian);
int day_of_week(int year, int month, int day);
// "Sun" ... "Sat"; "???" outside 1..7.
const char* weekday_name(int weekday);

// Day number of Easter Sunday: Gregorian computus from 1583, Julian before.
int easter_day(int year);

// Day number of the nth weekday (1..7) in a month; n < 0 counts from the end
// (-1 the last). -1 when there is no such day.
int nth_weekday_of_month(int year, int month, int weekday, int nth);
int days_in_month(int year, int month);

// Time of day in hundredths of a second.
double time_fraction(int hours, int minutes, int seconds, int hundredths);
// Fields of f, rounded to the nearest hundredth; f is taken modulo one day.
TimeOfDay time_fields(double f);

// How a time of day shows its seconds.
enum class Seconds : int {
    Never = -1,   // "hh:mm"
    WhenSet = 0,  // ":ss" (and ".cc") only when not zero
    Always = 1,   // always ":ss", ".cc" when not zero
};

struct DateTimeStyle {
    bool weekday = false;          // blank and weekday name after the date
    bool whole_day_time = false;   // "T00:00" after a date without time
    bool blank_separator = false;  // blank instead of "T" between date and time
    Seconds seconds = Seconds::WhenSet;
};

// "." for NaN; "yyyy-mm-dd" for the day part (when not 0), then the time of day.
void append_date_time(std::string& out, double value, const DateTimeStyle& style);
std::string format_date_time(double value, const DateTimeStyle& style);

// The local clock: date-time now, and hundredths of a second since midnight.
double now_date_time();
double now_hundredths();

}  // namespace kj::data
