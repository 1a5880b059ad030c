// Dates and periods of .dta files and their calendar day numbers. The file
// stores a time as a count from 1960 whose unit its display format names:
// %td days, %tc milliseconds, %tC milliseconds counting leap seconds, %tw
// weeks (52 to a year: week k starts on 1 January plus 7(k-1) days, the 52nd
// takes the rest of the year), %tm months, %tq quarters, %th half-years, and
// %ty the year itself. A period reads as the day number of its first day.
#pragma once

#include <cstdint>

namespace kj::data {

enum class DtaTime { None, Days, Milliseconds, LeapMilliseconds, Weeks, Months, Quarters, Halves, Years };

// The time unit of a display format ("%td", "%-tdCCYY-NN-DD", "%tm", the
// old "%d", ...); none for formats of plain numbers.
DtaTime dta_time_of_format(const char* format);
// The format written for a unit ("%td", "%tc", "%tw", ...).
const char* dta_format_of_time(DtaTime unit);

// Periods per year of a period unit (weeks 52, months 12, quarters 4,
// halves 2, years 1); 0 for days and times.
int dta_periods_per_year(DtaTime unit);
// The period unit of a data set's frequency (52, 12, 4, 2, 1), or none.
DtaTime dta_period_of_frequency(int frequency);

// A stored value as a calendar date-time (NaN when it has no calendar day),
// and a date-time as the value stored for the unit (for a period unit, the
// period that holds the day).
double calendar_of_dta(DtaTime unit, double x);
double dta_of_calendar(DtaTime unit, double day);

// True when the day number is the first day of a period of the unit.
bool starts_dta_period(DtaTime unit, double day);

// A period count (from the first period of 1960) as year and period (1 ..
// periods per year); years count from year 0 for %ty.
void dta_year_period(DtaTime unit, int64_t count, int& year, int& period);

}  // namespace kj::data
