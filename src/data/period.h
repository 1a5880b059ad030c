// Periods of data sets: (year, period) pairs with period 1..frequency on a
// common time axis, their text forms, sample ranges and frequency names.
#pragma once

#include <string>

namespace kj::data {

struct Period {
    int year = 0;
    int period = 0;
};

// The time axis of a data set: first observation, frequency, number of
// observations, and for dated data sets the date-time of every observation.
struct Sample {
    int year1 = 1;
    int period1 = 1;
    int frequency = 1;
    int observations = 0;
    const double* dates = nullptr;
};

// Observation t (0 for the first) as a period, and back.
Period period_of(const Sample& s, int t);
int observation_index(const Sample& s, Period p);

// A period as one double: year + (period - 1) / frequency; and back.
double period_value(Period p, int frequency);
Period period_from_value(double v, int frequency);

// "%4d" annual; "%4d(%d)", "%4d(%2d)" or "%5d(%3d)" by frequency, the widest
// also for samples of 10000 observations or more.
std::string format_period(Period p, int frequency, int observations);
int period_width(int frequency, int observations);

// The periods (or, for dated samples, the date-times) of observations t1 and
// t2 joined by " - "; "full sample" when it covers all and that is asked for.
std::string format_sample_range(const Sample& s, int t1, int t2, bool name_full_sample);
int sample_range_width(const Sample& s);

// "Annual" (from 1801 on) or "Undated", "Quarterly", "Monthly",
// "Weekly (52/year)", else "Frequency %d".
std::string frequency_name(int frequency, int year1);

}  // namespace kj::data
