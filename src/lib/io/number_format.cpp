#include "lib/io/number_format.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "data/calendar.h"
#include "data/period.h"
#include "runtime/run_context.h"

namespace kj::lib::io {

namespace {
FormatKind kind_of(char c) {
    switch (c) {
        case 'd': case 'i': case 'o': case 'u': case 'x': case 'X': return FormatKind::Integer;
        case 'e': case 'f': case 'g': case 'E': case 'F': case 'G': return FormatKind::Double;
        case 'm': case 'M': return FormatKind::MatrixFile;
        case 's': return FormatKind::String;
        case 'c': return FormatKind::Char;
        case 'p': return FormatKind::Address;
        case 'v': return FormatKind::Value;
        case 'C': return FormatKind::Date;
        case 'P': return FormatKind::Period;
        case 'T': return FormatKind::Time;
        default: return FormatKind::Text;
    }
}

bool is_escaped_percent(std::string_view t, std::size_t i) {
    return (t[i] == '%' || t[i] == '\\') && i + 1 < t.size() && t[i + 1] == '%';
}

// Width of a calendar field without a given width: "yyyy-mm-ddThh:mm",
// "yyyy(p)" and "hh:mm".
int nominal_width(FormatKind k) {
    switch (k) {
        case FormatKind::Date: return 16;
        case FormatKind::Period: return 7;
        case FormatKind::Time: return 5;
        default: return 0;
    }
}

void build_printf(FormatSpec& s) {
    std::string& p = s.printf;
    p = "%";
    if (s.left) p += '-';
    if (s.plus) p += '+';
    if (s.space) p += ' ';
    if (s.alt) p += '#';
    if (s.zero) p += '0';
    if (s.width >= 0) p += std::to_string(s.width);
    if (s.precision >= 0) {
        p += '.';
        p += std::to_string(s.precision);
    }
    if (s.kind == FormatKind::Integer) p += "ll";
    p += s.conversion;
}

DefaultFormats make_defaults() {
    DefaultFormats d;
    d.integer = parse_format("%d");
    d.real = parse_format("%g");
    d.matrix = parse_format("%#13.5g");
    d.column_width = d.matrix.total_width;
    return d;
}

DefaultFormats g_defaults = make_defaults();

// Calendar style of "%C" and "%T": seconds only in fields of 8 or more.
data::DateTimeStyle calendar_style(const FormatSpec& spec) {
    data::DateTimeStyle style;
    style.seconds = spec.width < 8 ? data::Seconds::Never : data::Seconds::Always;
    return style;
}

template <typename T>
void append_printf(std::string& out, const char* fmt, T x) {
    char buf[128];
    int n = std::snprintf(buf, sizeof buf, fmt, x);
    if (n < 0) return;
    if (static_cast<std::size_t>(n) < sizeof buf) {
        out.append(buf, static_cast<std::size_t>(n));
        return;
    }
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(n) + 1);
    std::snprintf(out.data() + at, static_cast<std::size_t>(n) + 1, fmt, x);
    out.resize(at + static_cast<std::size_t>(n));
}

long long truncate_to_integer(double x) {
    if (x >= 9.2e18) return LLONG_MAX;
    if (x <= -9.2e18) return LLONG_MIN;
    return static_cast<long long>(x);
}
}  // namespace

bool FormatSpec::is_numeric() const {
    return kind == FormatKind::Double || kind == FormatKind::Date || kind == FormatKind::Period ||
           kind == FormatKind::Time;
}

std::string literal_text(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (is_escaped_percent(text, i)) ++i;
        out += text[i];
    }
    return out;
}

FormatSpec parse_format(std::string_view text) {
    FormatSpec s;
    std::size_t i = 0;
    for (; i < text.size(); ++i) {
        if (is_escaped_percent(text, i)) {
            ++i;
            continue;
        }
        if (text[i] == '%') break;
    }
    if (i >= text.size()) {
        s.prefix = literal_text(text);
        return s;
    }
    std::size_t j = i + 1;
    for (; j < text.size(); ++j) {
        const char c = text[j];
        if (c == '-') s.left = true;
        else if (c == '+') s.plus = true;
        else if (c == ' ') s.space = true;
        else if (c == '#') s.alt = true;
        else if (c == '0') s.zero = true;
        else break;
    }
    auto read_number = [&](int& out) {
        if (j >= text.size() || text[j] < '0' || text[j] > '9') return;
        out = 0;
        while (j < text.size() && text[j] >= '0' && text[j] <= '9') {
            if (out < 100000) out = out * 10 + (text[j] - '0');
            ++j;
        }
    };
    read_number(s.width);
    if (j < text.size() && text[j] == '.') {
        ++j;
        s.precision = 0;
        read_number(s.precision);
    }
    const FormatKind kind = j < text.size() ? kind_of(text[j]) : FormatKind::Text;
    if (kind == FormatKind::Text) {
        FormatSpec plain;
        plain.prefix = literal_text(text);
        return plain;
    }
    s.kind = kind;
    s.conversion = text[j];
    s.prefix = literal_text(text.substr(0, i));
    s.suffix = literal_text(text.substr(j + 1));
    const int width = s.width < 0 ? 0 : s.width;
    switch (kind) {
        case FormatKind::Integer:
            s.total_width = std::max({width, s.precision, 1});
            break;
        case FormatKind::Double:
            s.total_width = s.width >= 0 ? s.width : (s.precision < 0 ? 6 : s.precision) + 7;
            break;
        default:
            s.total_width = s.width >= 0 ? s.width : nominal_width(kind);
            break;
    }
    s.total_width += static_cast<int>(s.prefix.size() + s.suffix.size());
    build_printf(s);
    return s;
}

DefaultFormats& default_formats() {
    DefaultFormats* in_use = runtime::run_context().formats;
    return in_use ? *in_use : g_defaults;
}

void reset_default_formats() { default_formats() = make_defaults(); }

bool set_line_length(int n) {
    if (n < 72 || n > 8191) return false;
    default_formats().line_length = n;
    return true;
}

bool set_default_format(std::string_view text) {
    FormatSpec s = parse_format(text);
    DefaultFormats& d = default_formats();
    if (s.kind == FormatKind::Double) {
        d.real = s;
        d.matrix = s;
        d.column_width = s.total_width;
        return true;
    }
    if (s.kind == FormatKind::Integer) {
        d.integer = s;
        return true;
    }
    return false;
}

void append_padded(std::string& out, std::string_view text, int width, bool left) {
    const int pad = width - static_cast<int>(text.size());
    if (pad > 0 && !left) out.append(static_cast<std::size_t>(pad), ' ');
    out += text;
    if (pad > 0 && left) out.append(static_cast<std::size_t>(pad), ' ');
}

void append_special(std::string& out, const FormatSpec& spec, double x) {
    const std::string& text = std::isnan(x) ? (spec.upper() ? std::string(".") : default_formats().nan)
                              : x > 0        ? default_formats().plus_infinity
                                             : default_formats().minus_infinity;
    append_padded(out, text, spec.width, spec.left);
}

void append_readable(std::string& out, double x, bool nan_dot) {
    if (std::isnan(x))
        out += nan_dot ? "." : default_formats().nan;
    else if (std::isinf(x))
        out += x > 0 ? default_formats().plus_infinity : default_formats().minus_infinity;
    else
        append_printf(out, "%.17g", x);
}

namespace {
// Ints are 32 bits wide: an unsigned conversion of a negative one shows its
// 32-bit pattern (%x of -1 is ffffffff), as it would for a C int.
long long integer_argument(const FormatSpec& spec, long long i) {
    const char c = spec.conversion;
    const bool is_unsigned = c == 'o' || c == 'u' || c == 'x' || c == 'X';
    if (is_unsigned && i < 0 && i >= INT32_MIN) return i + (1LL << 32);
    return i;
}
}  // namespace

void append_number(std::string& out, const FormatSpec& spec, double x) {
    switch (spec.kind) {
        case FormatKind::Double:
            if (!std::isfinite(x)) return append_special(out, spec, x);
            return append_printf(out, spec.printf.c_str(), x);
        case FormatKind::Integer:
            if (!std::isfinite(x)) return append_special(out, spec, x);
            return append_printf(out, spec.printf.c_str(), integer_argument(spec, truncate_to_integer(x)));
        case FormatKind::Value:
            return append_readable(out, x);
        case FormatKind::Date:
        case FormatKind::Time: {
            if (std::isnan(x) || std::isinf(x)) return append_special(out, spec, x);
            std::string text;
            const double v = spec.kind == FormatKind::Time ? x - std::floor(x) : x;
            data::append_date_time(text, v, calendar_style(spec));
            return append_padded(out, text, spec.width, spec.left);
        }
        case FormatKind::Period: {
            if (!std::isfinite(x)) return append_special(out, spec, x);
            // The precision gives the frequency; annual without it.
            const int f = spec.precision > 0 ? spec.precision : 1;
            const std::string text = data::format_period(data::period_from_value(x, f), f, 0);
            return append_padded(out, text, spec.width, spec.left);
        }
        default:
            return append_number(out, default_formats().real, x);
    }
}

void append_double(std::string& out, const FormatSpec& spec, double x) {
    switch (spec.kind) {
        case FormatKind::Double:
        case FormatKind::Integer:
        case FormatKind::Value:
        case FormatKind::Date:
        case FormatKind::Period:
        case FormatKind::Time:
            out += spec.prefix;
            append_number(out, spec, x);
            out += spec.suffix;
            return;
        default:
            return append_double(out, default_formats().real, x);
    }
}

void append_int(std::string& out, const FormatSpec& spec, long long i) {
    switch (spec.kind) {
        case FormatKind::Integer:
            out += spec.prefix;
            append_printf(out, spec.printf.c_str(), integer_argument(spec, i));
            out += spec.suffix;
            return;
        case FormatKind::Value:
            return append_printf(out, "%lld", i);
        case FormatKind::Double:
        case FormatKind::Date:
        case FormatKind::Period:
        case FormatKind::Time:
            return append_double(out, spec, static_cast<double>(i));
        default:
            return append_int(out, default_formats().integer, i);
    }
}

// ---------------------------------------------------------------------------
// Fitting a number into a field.

namespace {
// "%.*g" (or "%#.*g") with exponents of at least three digits, the form the
// replacement rules below are written against.
std::string g_text(double x, int precision, bool alt) {
    char buf[64];
    std::snprintf(buf, sizeof buf, alt ? "%#.*g" : "%.*g", precision, x);
    std::string s = buf;
    const std::size_t e = s.find('e');
    if (e != std::string::npos && s.size() - e == 4) s.insert(e + 2, "0");
    return s;
}

void replace_first(std::string& s, std::string_view from, std::string_view to) {
    const std::size_t at = s.find(from);
    if (at != std::string::npos) s.replace(at, from.size(), to);
}

void trim_fraction(std::string& s, int keep) {
    const std::size_t dot = s.find('.');
    if (dot == std::string::npos) return;
    std::size_t end = s.find('e', dot);
    if (end == std::string::npos) end = s.size();
    std::size_t last = end;  // one past the last kept digit
    while (last > dot + 1 + static_cast<std::size_t>(keep) && s[last - 1] == '0') --last;
    s.erase(last, end - last);
}
}  // namespace

std::string fit_number(double x, int width, int precision, FitOptions o) {
    if (std::isnan(x)) return ".NaN";
    if (std::isinf(x)) return x > 0 ? "+.Inf" : "-.Inf";
    const bool alt = o.trim > 0;
    const double ax = std::fabs(x);
    if (!alt && x == std::floor(x) && ax <= 2147483647.0) {
        const std::string whole = std::to_string(static_cast<long long>(x));
        if (static_cast<int>(whole.size()) <= width) return whole;
    }
    if (width < 8 || precision < 1) return "####";

    const int look = o.integer_look ? 1 : 0;
    std::string s;
    if (x == 0) {
        s = g_text(x, precision, alt);
    } else if (ax < 1) {
        if (ax < 1e-99) {
            s = g_text(x, std::min(precision, width - 7), alt);
        } else if (ax < 1e-9) {
            s = g_text(x, std::min(precision, width - 6), alt);
            replace_first(s, "e-0", "e-");
        } else if (ax < 1e-4) {
            s = g_text(x, std::min(precision, width - 5), alt);
            replace_first(s, "e-00", "e-");
        } else {
            int k = 0;
            for (double y = ax; y < 1; y *= 10) ++k;
            const int p = std::max(1, std::min(precision, width - k - 1 - (o.leading_zero ? 1 : 0)));
            s = g_text(x, p, alt);
            if (!o.leading_zero) {
                if (s.rfind("0.", 0) == 0) s.erase(0, 1);
                else if (s.rfind("-0.", 0) == 0) s.erase(1, 1);
            }
        }
    } else if (ax >= 1e100) {
        s = g_text(x, std::min(precision, width - 7 + look), alt);
    } else if (ax > 2147483647.0) {
        s = g_text(x, std::min(precision, width - 6 + look), alt);
    } else {
        int digits = 1;
        for (double y = ax; y >= 10; y /= 10) ++digits;
        if (digits <= width - 2 && precision <= width - 2)
            s = g_text(x, std::max(precision, digits), alt);
        else if (digits <= width - 2)
            s = g_text(x, width - 2, alt);
        else
            s = g_text(x, std::max(1, std::min(precision, width + look - 6)), alt);
    }

    if (s.find('e') == std::string::npos) {
        if (!o.integer_look && s.find('.') == std::string::npos) s += '.';
    } else {
        replace_first(s, "e+0", "e+");
        replace_first(s, "e+0", "e+");
        if (o.integer_look) replace_first(s, "e+", "e");
    }
    if (alt) trim_fraction(s, o.trim);
    return s;
}

std::u16string fit_number_u16(double x, int width, int precision, FitOptions options) {
    const std::string s = fit_number(x, width, precision, options);
    return std::u16string(s.begin(), s.end());
}

}  // namespace kj::lib::io
