// Format specifications, the default formats, and the text of
// numbers: scalars under a specification, the re-readable "%v" forms, and
// numbers fitted into a field of given width (axis labels, data-set views).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kj::lib::io {

enum class FormatKind : uint8_t {
    Text,        // no specification: the string is ordinary text
    Integer,     // d i o u x X
    Double,      // e f g E F G
    MatrixFile,  // m M
    String,      // s
    Char,        // c
    Address,     // p
    Value,       // v: re-readable text
    Date,        // C
    Period,      // P
    Time,        // T
};

// A format string: literal text around at most one "%" specification. In the
// literal text "%%" and "\%" stand for a percent sign.
struct FormatSpec {
    FormatKind kind = FormatKind::Text;
    char conversion = 0;
    bool left = false;  // "-"
    bool plus = false;  // "+"
    bool space = false; // " "
    bool alt = false;   // "#"
    bool zero = false;  // "0"
    int width = -1;     // -1: none given
    int precision = -1; // -1: none given
    // Width of the field: the width given (an integer at least its precision
    // and 1; a double without width its precision, 6 by default, plus 7), plus
    // the literal text before and after.
    int total_width = 0;
    std::string prefix;  // literal text before the conversion, "%%" resolved
    std::string suffix;  // literal text after it
    std::string printf;  // the conversion for snprintf ("ll" added for integers)

    bool is_format() const { return kind != FormatKind::Text; }
    // e f g E F G and the calendar kinds: the kinds that lay out a matrix.
    bool is_numeric() const;
    // An upper-case conversion letter writes NaN as ".".
    bool upper() const { return conversion >= 'A' && conversion <= 'Z'; }
};

// Parses text; a string with no "%" specification, or one whose conversion is
// not a known letter, gives kind Text (prefix holds the whole resolved text).
FormatSpec parse_format(std::string_view text);
// Resolves "%%" and "\%" to "%".
std::string literal_text(std::string_view text);

// Default formats, changed by format(): the run context's, else the process's.
struct DefaultFormats {
    FormatSpec integer;  // "%d"
    FormatSpec real;     // "%g"
    FormatSpec matrix;   // "%#13.5g"
    int column_width = 13;
    int line_length = 1024;
    std::string nan = ".NaN";
    std::string plus_infinity = "+.Inf";
    std::string minus_infinity = "-.Inf";
};

DefaultFormats& default_formats();
void reset_default_formats();
// format(n): the line length, when 72 <= n <= 8191; false when ignored.
bool set_line_length(int n);
// format(s): a double specification becomes the double and matrix element
// format and its total width the column width; an integer specification the
// integer format. False when ignored.
bool set_default_format(std::string_view text);

// Text of a NaN or an infinity under spec: ".NaN" (or "." for an upper-case
// conversion letter), "+.Inf", "-.Inf", padded to the width as "%s" would be.
void append_special(std::string& out, const FormatSpec& spec, double x);

// The double x under spec (prefix, number, suffix). Integer kinds print the
// truncated value; the calendar kinds print date-times, periods and times;
// any other kind prints with the default double format.
void append_double(std::string& out, const FormatSpec& spec, double x);
// The integer i under spec; double and calendar kinds convert it to double.
void append_int(std::string& out, const FormatSpec& spec, long long i);
// The number alone, without prefix and suffix (matrix elements).
void append_number(std::string& out, const FormatSpec& spec, double x);

// Re-readable forms: "%.17g", NaN as ".NaN" (as "." with nan_dot), infinities
// as "+.Inf" and "-.Inf".
void append_readable(std::string& out, double x, bool nan_dot = false);

// Left or right alignment of text in a field of width (no truncation).
void append_padded(std::string& out, std::string_view text, int width, bool left);

// Fitting a number into about `width` characters with at most `precision`
// significant digits.
struct FitOptions {
    bool integer_look = false;  // no forced ".", "e+" written as "e"
    bool leading_zero = false;  // keep the "0" of "0.5"
    int trim = 0;               // > 0: "%#.*g", trailing zeros trimmed to this many digits
};
std::string fit_number(double x, int width, int precision, FitOptions options = {});
std::u16string fit_number_u16(double x, int width, int precision, FitOptions options = {});

}  // namespace kj::lib::io
