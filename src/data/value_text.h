// Reading one number, date or time of day from text, as data files, the
// formatted-reading "%C" conversion and the text matrix readers need it.
#pragma once

namespace kj::data {

enum class TextKind : int {
    None = 0,      // nothing readable: value NaN, end at the start
    Number = 1,    // a number or a missing-value or infinity spelling
    DateTime = 2,  // a date, a date with time, or a time of day
};

struct TextValue {
    double value;
    const char* end;  // first character not consumed
    TextKind kind;
};

// Skips leading white space, then reads:
//   ".", ".NaN", "#N/A", "#NA", "missing" as NaN; "+.Inf", ".Inf", "-.Inf";
//   a date "yyyy-mm-dd" (or the week form "yyyy-Www[-d]", Monday-based, d 1..7),
//   optionally followed by "T" or a blank and "hh[:mm[:ss[.cc]]]" (after a
//   blank the minutes are required, so "2020-01-01 5" stays two items);
//   a time of day "hh:mm[:ss[.cc]]" as a fraction of a day;
//   any other number as a number.
// The fraction of a second is read as decimals and rounded to hundredths.
TextValue read_value(const char* text);

}  // namespace kj::data
