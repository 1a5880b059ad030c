// Where automatic axes start and end and where their labelled ticks fall:
// plain number axes, time axes of series given by year, period and
// frequency, and date axes of series placed at calendar date-times. Also
// the texts of their labels.
#pragma once

#include <string>
#include <vector>

namespace kj::graphics {

// Rounds a data range out to ticks: lo and hi become multiples of the
// returned step, a 1, 2, 2.5 or 5 times a power of ten, giving about `ticks`
// intervals and covering as little beyond the data as possible (of equally
// narrow ranges, the one whose step is the smallest not below
// (hi - lo) / ticks). An empty range is widened first.
double nice_range(double& lo, double& hi, int ticks);

// A time axis over the observations lo .. hi (year + (period - 1) / freq).
// The axis hugs the data: it runs from the first to the last observation,
// moving an end out to the next tick when that adds at most a twentieth of
// the span. Ticks are whole years 1, 2, 5, 10, ... apart when the data span
// four years or more (or the data are annual), else every s periods, s the
// smallest divisor of the frequency that fits, so that the labels fit side
// by side in `width` paper units at font size `font`.
struct TimeTicks {
    double min = 0, max = 1, step = 1, first = 0;
};
TimeTicks time_ticks(double lo, double hi, int freq, double width, double font);

// Kinds of date-axis labels, from the longest step to the shortest.
enum DateLabel : int { DL_None = 0, DL_Year, DL_Month, DL_Day, DL_Minute, DL_Second };

// Whether lo .. hi can be a date axis: date-times from the year 1 on, or
// times of day alone (0 .. 1).
bool date_range(double lo, double hi);

// A date axis over the date-times lo .. hi: ticks at calendar points (years,
// months, days, hours and minutes, seconds; no times of day for data on
// `whole_days`), the step chosen by the span so that the labels fit side
// by side in `width` paper units at font size `font`. The ends follow the
// rule of time axes.
struct DateTicks {
    double min = 0, max = 1;
    std::vector<double> at;  // the ticks, increasing, within min .. max
    int label = DL_None;
};
DateTicks date_ticks(double lo, double hi, double width, double font, bool whole_days = false);

// Date ticks of an axis whose range lo .. hi is given: `step` apart from
// `first` (labelled by day, minute or second as the step needs) when step
// is positive, else at the calendar points date_ticks chooses inside the
// range. min and max stay lo and hi.
DateTicks date_ticks_in(double lo, double hi, double first, double step, double width, double font,
                        bool whole_days = false);

// The text of a date tick: "2001", "2001-03", "2001-03-15", "14:30" or
// "14:30:15" by the label kind.
std::string date_label(double v, int label);
// The calendar day of a date-time, "2001-03-15"; empty for a time of day
// alone (day 0).
std::string day_label(double v);

// How wide an axis label is in the roman face at font size `size` (half the
// size per digit).
double label_width(const std::string& label, double size);

// The text of an axis label at value v for ticks `step` apart, by the
// axisformat settings: {maximum width in characters (wider labels switch to
// exponent form), significant digits, 1 = all labels with the decimals the
// step needs, tick direction}.
std::string axis_label(double v, double step, const int format[4]);

// The label of a time axis tick at v = year + (period - 1) / frequency:
// the year for annual data, "year(period)" otherwise.
std::string period_label(double v, int frequency);

// A time-axis tick label: the year alone for ticks a whole number of years
// apart that fall on the first period of a year, else as period_label.
std::string time_label(double v, int frequency, double step);

}  // namespace kj::graphics
