// Calendar built-ins: date, today, time, timer, dayofcalendar, dayofeaster,
// dayofmonth, dayofweek, timeofday, timespan, timestr, timing.
#pragma once

#include <string>

#include "value/value.h"

namespace kj::lib {

void fn_date(value::Value* result, value::Value* args, int count);
void fn_today(value::Value* result, value::Value* args, int count);
void fn_time(value::Value* result, value::Value* args, int count);
void fn_timer(value::Value* result, value::Value* args, int count);
void fn_dayofcalendar(value::Value* result, value::Value* args, int count);
void fn_dayofeaster(value::Value* result, value::Value* args, int count);
void fn_dayofmonth(value::Value* result, value::Value* args, int count);
void fn_dayofweek(value::Value* result, value::Value* args, int count);
void fn_timeofday(value::Value* result, value::Value* args, int count);
void fn_timespan(value::Value* result, value::Value* args, int count);
void fn_timestr(value::Value* result, value::Value* args, int count);
void fn_timing(value::Value* result, value::Value* args, int count);

// "h:mm:ss.cc" from an hour on, "m:ss.cc" from a minute on, else "s.cc".
std::string duration_text(double hundredths);

}  // namespace kj::lib
