#include "lib/io/formatted_scan.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "data/value_text.h"
#include "lib/args.h"
#include "lib/io/matrix_files.h"

namespace kj::lib::io {

using value::Value;

namespace {

enum class Got { Ok, Fail, End };

bool is_space(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
bool is_digit(int c) { return c >= '0' && c <= '9'; }

// Skips white space; the next character stays unread. False at the end.
bool skip_space(ScanInput& in) {
    int c;
    while ((c = in.get()) >= 0 && is_space(c)) {
    }
    if (c < 0) return false;
    in.unget(c);
    return true;
}

// Reads characters while the callers' rules accept them, at most width
// (0: no limit); the first character refused is put back.
class Taker {
public:
    Taker(ScanInput& in, int width) : m_in(in), m_width(width) { c = in.get(); }
    ~Taker() {
        if (c >= 0) m_in.unget(c);
    }
    void take() {
        text += static_cast<char>(c);
        c = (m_width > 0 && static_cast<int>(text.size()) >= m_width) ? -2 : m_in.get();
    }
    int c;
    std::string text;

private:
    ScanInput& m_in;
    int m_width;
};

Got read_int(ScanInput& in, int width, long long& v) {
    if (!skip_space(in)) return Got::End;
    Taker t(in, width);
    if (t.c == '+' || t.c == '-') t.take();
    bool digits = false;
    while (is_digit(t.c)) {
        t.take();
        digits = true;
    }
    if (!digits) return Got::Fail;
    const bool negative = t.text[0] == '-';
    long long x = 0;
    for (char ch : t.text)
        if (is_digit(ch) && x <= LLONG_MAX / 100) x = x * 10 + (ch - '0');
    v = negative ? -x : x;
    return Got::Ok;
}

// A number as printed by the double formats, or one of the spellings ".",
// ".NaN", "+.Inf", "-.Inf" (and a lone "M" or "m" when missing_letters).
Got read_double(ScanInput& in, int width, double& x, bool missing_letters = false) {
    if (!skip_space(in)) return Got::End;
    Taker t(in, width);
    if (missing_letters && (t.c == 'M' || t.c == 'm')) {
        t.take();
        if (t.c < 0 || is_space(t.c) || t.c == ',') {
            x = std::numeric_limits<double>::quiet_NaN();
            return Got::Ok;
        }
        return Got::Fail;
    }
    if (t.c == '+' || t.c == '-') t.take();
    bool digits = false;
    while (is_digit(t.c)) {
        t.take();
        digits = true;
    }
    if (t.c == '.') {
        t.take();
        if (!digits && (t.c == 'N' || t.c == 'I')) {
            while (t.c >= 0 && std::isalpha(t.c) && t.text.size() < 5) t.take();
        } else {
            while (is_digit(t.c)) {
                t.take();
                digits = true;
            }
        }
    }
    if (digits && (t.c == 'e' || t.c == 'E')) {
        t.take();
        if (t.c == '+' || t.c == '-') t.take();
        while (is_digit(t.c)) t.take();
    }
    const std::string& s = t.text;
    if (s == "." || s == ".NaN") {
        x = std::numeric_limits<double>::quiet_NaN();
        return Got::Ok;
    }
    if (s == "+.Inf" || s == ".Inf" || s == "-.Inf") {
        x = s[0] == '-' ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
        return Got::Ok;
    }
    if (!digits) return Got::Fail;
    const char* p = s.data();
    return parse_decimal(p, s.data() + s.size(), x) ? Got::Ok : Got::Fail;
}

Got read_word(ScanInput& in, int width, std::string& word) {
    if (!skip_space(in)) return Got::End;
    Taker t(in, width);
    while (t.c >= 0 && !is_space(t.c)) t.take();
    word = t.text;
    return word.empty() ? Got::Fail : Got::Ok;
}

// A matrix element: white space and at most one comma, then a number.
Got read_element(ScanInput& in, double& x) {
    if (!skip_space(in)) return Got::End;
    int c = in.get();
    if (c != ',') in.unget(c);
    return read_double(in, 0, x, true);
}

Got read_elements(ScanInput& in, long long r, long long c, Value& out) {
    if (r < 0 || c < 0) return Got::Fail;
    // Elements are gathered before the matrix is made, so a forged size
    // costs only what the input really holds.
    std::vector<double> xs;
    if (r > INT_MAX || c > INT_MAX) return Got::Fail;
    const long long n = r * c;
    for (long long k = 0; k < n; ++k) {
        double x;
        const Got g = read_element(in, x);
        if (g != Got::Ok) return g == Got::End ? Got::Fail : g;
        xs.push_back(x);
    }
    double** m = new_matrix(out, r, c);
    for (long long k = 0; k < n; ++k) m[0][k] = xs[static_cast<std::size_t>(k)];
    return Got::Ok;
}

class Scanner {
public:
    Scanner(ScanInput& in, Value* args, int count, int arg_base)
        : m_in(in), m_args(args), m_count(count), m_base(arg_base) {}

    // Applies one format; false when reading stopped.
    bool apply(std::string_view f) {
        for (std::size_t k = 0; k < f.size();) {
            const char ch = f[k];
            if (is_space(static_cast<unsigned char>(ch))) {
                if (!skip_space(m_in) && !m_any_stored) m_ended = true;
                ++k;
                continue;
            }
            if (ch != '%' || (k + 1 < f.size() && f[k + 1] == '%')) {
                if (!match(ch)) return false;
                k += ch == '%' ? 2 : 1;
                continue;
            }
            if (!convert(f, k)) return false;
        }
        return true;
    }

    int next_arg() const { return m_next; }
    void set_next_arg(int i) { m_next = i; }
    int result() const { return m_ended && !m_any_stored ? -1 : m_stored; }

private:
    bool match(char ch) {
        const int c = m_in.get();
        if (c < 0) {
            if (!m_any_stored) m_ended = true;
            return false;
        }
        if (c != static_cast<unsigned char>(ch)) {
            m_in.unget(c);
            return false;
        }
        return true;
    }

    Value& reference() {
        if (m_next >= m_count) arg_error(m_base + m_next);
        Value& r = m_args[m_next];
        if (!is_type(r, value::T_Array) || !value::has_flag(r, value::k_address)) arg_error(m_base + m_next);
        ++m_next;
        return r;
    }

    long long int_argument() {
        if (m_next >= m_count) arg_error(m_base + m_next);
        int32_t v;
        if (!try_convert_to_int(m_args[m_next], &v)) arg_error(m_base + m_next);
        ++m_next;
        return v;
    }

    // Parses and performs the conversion at f[k] ("%"); k moves past it.
    bool convert(std::string_view f, std::size_t& k) {
        ++k;
        bool suppress = false, alt = false;
        int width = 0;
        if (k < f.size() && f[k] == '*') {
            suppress = true;
            ++k;
        }
        while (k < f.size() && is_digit(f[k])) {
            width = std::min(width * 10 + (f[k] - '0'), 1 << 20);
            ++k;
        }
        if (k < f.size() && f[k] == '#') {
            alt = true;
            ++k;
        }
        if (k >= f.size()) return false;
        const char conv = f[k++];
        if (!std::strchr("diefgEFGsczmMC", conv)) return false;
        // Arguments are taken before anything is read, so that a missing one
        // is reported before a value is made.
        long long shape_r = 0, shape_c = 0;
        const bool shaped = alt && (conv == 'm' || conv == 'M');
        if (shaped) {
            shape_r = int_argument();
            shape_c = int_argument();
        }
        Value* ref = suppress ? nullptr : &reference();
        Value out = value::make_int(0);
        Got g = Got::Fail;
        switch (conv) {
            case 'd': case 'i': {
                long long v = 0;
                g = read_int(m_in, width, v);
                value::set_int(out, static_cast<int32_t>(std::clamp<long long>(v, INT_MIN, INT_MAX)));
                break;
            }
            case 'e': case 'f': case 'g': case 'E': case 'F': case 'G': {
                double x = 0;
                g = read_double(m_in, width, x);
                value::set_double(out, x);
                break;
            }
            case 's': {
                std::string w;
                g = read_word(m_in, width, w);
                value::set_string(out, w);
                break;
            }
            case 'c': {
                const int n = width > 0 ? width : 1;
                std::string s;
                for (int j = 0; j < n; ++j) {
                    const int c = m_in.get();
                    if (c < 0) break;
                    s += static_cast<char>(c);
                }
                g = s.empty() ? Got::End : static_cast<int>(s.size()) < n ? Got::Fail : Got::Ok;
                if (width > 0)
                    value::set_string(out, s);
                else
                    value::set_int(out, s.empty() ? 0 : static_cast<unsigned char>(s[0]));
                break;
            }
            case 'z': {
                std::string line;
                int c = m_in.get();
                if (c < 0) {
                    g = Got::End;
                    break;
                }
                for (; c >= 0 && c != '\n'; c = m_in.get())
                    if (c != '\r') line += static_cast<char>(c);
                value::set_string(out, line);
                g = Got::Ok;
                break;
            }
            case 'm': case 'M': {
                long long r = shape_r, c = shape_c;
                if (shaped) {
                    g = skip_space(m_in) || r * c == 0 ? read_elements(m_in, r, c, out) : Got::End;
                } else {
                    g = read_int(m_in, 0, r);
                    if (g == Got::Ok) g = read_int(m_in, 0, c);
                    if (g == Got::End && m_any_stored) g = Got::Fail;
                    if (g == Got::Ok) g = read_elements(m_in, r, c, out);
                }
                break;
            }
            case 'C': {
                std::string w;
                g = read_word(m_in, width, w);
                if (g == Got::Ok) {
                    const data::TextValue tv = data::read_value(w.c_str());
                    if (tv.kind == data::TextKind::None) g = Got::Fail;
                    value::set_double(out, tv.value);
                }
                break;
            }
            default:
                break;
        }
        if (g != Got::Ok) {
            value::release(out);
            if (g == Got::End && !m_any_stored) m_ended = true;
            return false;
        }
        if (!ref) {
            value::release(out);
            return true;
        }
        store_reference(*ref, out);
        ++m_stored;
        m_any_stored = true;
        return true;
    }

    ScanInput& m_in;
    Value* m_args;
    int m_count;
    int m_base;
    int m_next = 0;
    int m_stored = 0;
    bool m_any_stored = false;
    bool m_ended = false;
};

}  // namespace

int scan_formats(ScanInput& in, Value* args, int count, int arg_base, PromptFn prompt) {
    Scanner s(in, args, count, arg_base);
    while (s.next_arg() < count) {
        const int i = s.next_arg();
        Value& a = args[i];
        if (!is_string(a)) arg_error(arg_base + i);
        s.set_next_arg(i + 1);
        const std::string_view f = string_of(a);
        if (prompt && f.find('%') == std::string_view::npos) {
            prompt(f);
            continue;
        }
        if (!s.apply(f)) break;
    }
    return s.result();
}

}  // namespace kj::lib::io
