// GAUSS output: the format and outwidth commands and the print functions
// that print and "?" statements call.
//
// Conventions followed (GAUSS's defaults are /mb1 /ros 16,8 and outwidth 80):
// - A number is written in a field of `width` characters, right-justified
//   (/r...) or left-justified (/l...), followed by the separator: a blank
//   (s, the default), a comma (c), a tab (t) or nothing (n).
// - /rd: fixed with `precision` decimals; /re: exponent form with `precision`
//   decimals; /ro: `precision` significant digits, trailing zeros kept (3
//   prints as 3.0000000); /rz: the same with trailing zeros dropped.
// - A missing value prints as "." and infinities as "+INF" and "-INF", in
//   the same field.
// - A matrix prints row by row. With /m1 (and /mb1, the default) each row of
//   a matrix of more than one row is preceded by a line feed, with /m2 by two,
//   with /m3 by a line "Row n"; /ma1 and /ma2 put the line feeds after each
//   row instead. /b1, /b2, /b3, /a1 and /a2 do the same for every matrix,
//   one row or more. With /m0 rows are only separated by a line feed. A row
//   longer than outwidth continues on the next line.
// - Strings print as they are; an array of strings prints one element per
//   line, like a column. A statement's items follow each other directly.
// - Options written in a print statement (print /rd x;) hold for that
//   statement only; the format command changes the format for what follows.
// - The format also becomes Kj's default double and matrix format, so that
//   Kj code called from GAUSS prints the same way.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cctype>
#include <string>

#include "lib/args.h"
#include "lib/io/number_format.h"
#include "lib/io/print_sink.h"
#include "lib/io/print_value.h"
#include "lib/library_rows.h"

namespace kj::lib {

namespace {

using value::Value;

struct GaussFormat {
    char kind = 'o';     // d e o z
    bool left = false;
    char separator = ' ';
    bool has_separator = true;
    int width = 16;
    int precision = 8;
    int before = 1;          // line feeds before each row (3: a line "Row n")
    int after = 0;           // line feeds after each row
    bool multi_only = true;  // before and after apply to matrices of several rows only
    int outwidth = 80;
};

GaussFormat g_format;

// Text in the field of the current format, with its separator.
std::string field_text(std::string body) {
    const GaussFormat& f = g_format;
    const int pad = f.width - static_cast<int>(body.size());
    if (pad > 0) body = f.left ? body + std::string(static_cast<std::size_t>(pad), ' ')
                               : std::string(static_cast<std::size_t>(pad), ' ') + body;
    if (f.has_separator) body += f.separator;
    return body;
}

std::string number_text(double x) {
    const GaussFormat& f = g_format;
    if (std::isnan(x)) return field_text(".");
    if (std::isinf(x)) return field_text(x > 0 ? "+INF" : "-INF");
    char buf[512];
    const int p = f.precision < 0 ? 0 : f.precision > 100 ? 100 : f.precision;
    const char* fmt = f.kind == 'd' ? "%.*f" : f.kind == 'e' ? "%.*e" : f.kind == 'z' ? "%.*g" : "%#.*g";
    std::snprintf(buf, sizeof buf, fmt, (f.kind == 'o' || f.kind == 'z') && p == 0 ? 1 : p, x);
    return field_text(buf);
}

void write_matrix(io::OutputSink& out, const double* m, int r, int c) {
    const int field = g_format.width + (g_format.has_separator ? 1 : 0);
    const int per_line = field > 0 && g_format.outwidth / field > 0 ? g_format.outwidth / field : 1;
    std::string text;
    const GaussFormat& f = g_format;
    const bool framed = r > 1 || !f.multi_only;
    for (int i = 0; i < r; ++i) {
        if (framed && f.before == 3) text += "\nRow " + std::to_string(i + 1) + "\n";
        else if (framed && f.before > 0) text.append(static_cast<std::size_t>(f.before), '\n');
        else if (i > 0 && !(framed && f.after > 0)) text += '\n';
        for (int j = 0; j < c; ++j) {
            if (j > 0 && j % per_line == 0) text += '\n';
            text += number_text(m[static_cast<long>(i) * c + j]);
        }
        if (framed) text.append(static_cast<std::size_t>(f.after), '\n');
    }
    out.write(text);
}

void write_value(io::OutputSink& out, Value& v) {
    if (value::is_null(v)) return;
    switch (value::type_of(v)) {
        case value::T_Int: out.write(number_text(v.u.ival)); return;
        case value::T_Double: out.write(number_text(v.u.dval)); return;
        case value::T_Vector: value::materialize(v); return write_value(out, v);
        case value::T_Matrix: return write_matrix(out, elements_of(v), v.u.mat.r, v.u.mat.c);
        case value::T_String: out.write(string_of(v)); return;
        case value::T_Array:
            if (is_string_array(v)) {
                for (int i = 0; i < v.u.arr.n; ++i) {
                    if (v.u.arr.n > 1) out.write("\n");
                    out.write(string_of(v.u.arr.v[i]));
                }
                return;
            }
            // Several results of a procedure: one after the other.
            for (int i = 0; i < v.u.arr.n; ++i) write_value(out, v.u.arr.v[i]);
            return;
        default: break;
    }
    io::print_value(out, v);
}

void print_items(Value* a, int n, bool line) {
    io::StdoutSink out;
    // A statement whose value is nothing (a procedure returning no value) shows nothing.
    if (line && n == 1 && value::is_null(a[0])) return;
    for (int i = 0; i < n; ++i) write_value(out, a[i]);
    if (line) out.write("\n");
}

void fn_gauss_print(Value* r, Value* a, int n) {
    print_items(a, n, false);
    value::set_int(*r, n);
}

void fn_gauss_println(Value* r, Value* a, int n) {
    print_items(a, n, true);
    value::set_int(*r, n);
}

// Kj's default double and matrix formats follow the GAUSS format.
void share_with_kj_formats() {
    char spec[64];
    const char conv = g_format.kind == 'd' ? 'f' : g_format.kind == 'e' ? 'e' : 'g';
    std::snprintf(spec, sizeof spec, "%%%s%s%d.%d%c", g_format.left ? "-" : "", g_format.kind == 'o' ? "#" : "",
                  g_format.width, g_format.precision, conv);
    io::set_default_format(spec);
}

// A row option: m0, m1/mb1, m2/mb2, m3/mb3, ma1, ma2 (matrices of several
// rows), b1, b2, b3, a1, a2 (every matrix).
bool apply_row_option(const std::string& w) {
    static const struct {
        const char* word;
        int before, after;
        bool multi_only;
    } k_rows[] = {{"m0", 0, 0, true},  {"m1", 1, 0, true},  {"mb1", 1, 0, true}, {"m2", 2, 0, true},
                  {"mb2", 2, 0, true}, {"m3", 3, 0, true},  {"mb3", 3, 0, true}, {"ma1", 0, 1, true},
                  {"ma2", 0, 2, true}, {"b1", 1, 0, false}, {"b2", 2, 0, false}, {"b3", 3, 0, false},
                  {"a1", 0, 1, false}, {"a2", 0, 2, false}};
    for (const auto& o : k_rows)
        if (w == o.word) {
            g_format.before = o.before;
            g_format.after = o.after;
            g_format.multi_only = o.multi_only;
            return true;
        }
    return false;
}

// One option word after "/": a row option, or [r|l][d|e|o|z][s|c|t|n].
bool apply_option(std::string w) {
    for (char& ch : w) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    if (w.empty()) return true;
    // The type and formatting flags: one format serves every type here.
    for (const char* ignored : {"mat", "sa", "str", "on", "off"})
        if (w == ignored) return true;
    if (w[0] == 'm' || w[0] == 'a' || w[0] == 'b') return apply_row_option(w);
    if (w[0] != 'r' && w[0] != 'l') return false;
    GaussFormat f = g_format;
    f.left = w[0] == 'l';
    std::size_t k = 1;
    if (k < w.size() && std::strchr("deoz", w[k])) f.kind = w[k++];
    f.separator = ' ';
    f.has_separator = true;
    if (k < w.size()) {
        switch (w[k++]) {
            case 's': f.separator = ' ', f.has_separator = true; break;
            case 'c': f.separator = ',', f.has_separator = true; break;
            case 't': f.separator = '\t', f.has_separator = true; break;
            case 'n': f.has_separator = false; break;
            default: return false;
        }
    }
    if (k != w.size()) return false;
    g_format = f;
    return true;
}

// Options written in a print statement hold for that statement only: the
// compiler brackets it with format(options, k_push_width, -1) and
// format("", k_pop_width, -1).
constexpr int k_push_width = -2;
constexpr int k_pop_width = -3;
GaussFormat g_saved_format;

void fn_gauss_format(Value* r, Value* a, int) {
    if (!is_string(a[0])) arg_type_error(0, value::T_String, &a[0]);
    int width = int_arg(a, 1);
    const int precision = int_arg(a, 2);
    if (width == k_pop_width) {
        g_format = g_saved_format;
        share_with_kj_formats();
        value::set_int(*r, 0);
        return;
    }
    if (width == k_push_width) {
        g_saved_format = g_format;
        width = -1;
    }
    std::string options(string_of(a[0]));
    std::size_t start = 0;
    while (start < options.size()) {
        std::size_t end = options.find('/', start + 1);
        if (end == std::string::npos) end = options.size();
        std::string w = options.substr(start, end - start);
        if (!w.empty() && w[0] == '/') w.erase(0, 1);
        while (!w.empty() && std::isspace(static_cast<unsigned char>(w.back()))) w.pop_back();
        if (!apply_option(w)) arg_error(0);
        start = end;
    }
    if (width >= 0) g_format.width = width;
    if (precision >= 0) g_format.precision = precision;
    share_with_kj_formats();
    value::set_int(*r, 0);
}

// __field__(s): the string s in the field of the current format, as print
// writes a number (printfmt's character columns).
void fn_gauss_field(Value* r, Value* a, int) {
    if (!is_string(a[0])) arg_type_error(0, value::T_String, &a[0]);
    value::set_string(*r, field_text(std::string(string_of(a[0]))));
}

void fn_gauss_outwidth(Value* r, Value* a, int) {
    const int w = int_arg(a, 0);
    if (w >= 19 && w <= 8191) {
        g_format.outwidth = w;
        io::set_line_length(w);  // Kj's own printing, where it accepts the length
    }
    value::set_int(*r, 0);
}

const DescriptorRow k_gauss_io[] = {
    {"c$gauss::print", fn_gauss_print, 1},   {"c$gauss::println", fn_gauss_println, 1},
    {"ccc$gauss::format", fn_gauss_format},  {"c$gauss::outwidth", fn_gauss_outwidth},
    {"c$gauss::__field__", fn_gauss_field},
};

}  // namespace

std::span<const DescriptorRow> gauss_print_rows() { return k_gauss_io; }

void reset_gauss_format() { g_format = g_saved_format = GaussFormat{}; }

}  // namespace kj::lib
