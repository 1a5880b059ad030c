// Calendar built-ins: date, today, time, timer, dayofcalendar, dayofeaster,
// dayofmonth, dayofweek, timeofday, timespan, timestr, timing.
#pragma once

#include <string>

#include <kj80x.h>

namespace kj::lib {

void fn_date(KjValue* result, KjValue* args, int count);
void fn_today(KjValue* result, KjValue* args, int count);
void fn_time(KjValue* result, KjValue* args, int count);
void fn_timer(KjValue* result, KjValue* args, int count);
void fn_dayofcalendar(KjValue* result, KjValue* args, int count);
void fn_dayofeaster(KjValue* result, KjValue* args, int count);
void fn_dayofmonth(KjValue* result, KjValue* args, int count);
void fn_dayofweek(KjValue* result, KjValue* args, int count);
void fn_timeofday(KjValue* result, KjValue* args, int count);
void fn_timespan(KjValue* result, KjValue* args, int count);
void fn_timestr(KjValue* result, KjValue* args, int count);
void fn_timing(KjValue* result, KjValue* args, int count);

// "h:mm:ss.cc" from an hour on, "m:ss.cc" from a minute on, else "s.cc".
std::string duration_text(double hundredths);

}  // namespace kj::lib
