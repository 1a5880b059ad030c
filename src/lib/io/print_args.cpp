#include "lib/io/print_args.h"

#include <cmath>
#include <string_view>

#include "lib/io/print_value.h"

namespace kj::lib::io {

using value::Value;

namespace {
bool is_type(const Value* v, uint32_t type) { return v && !value::is_null(*v) && value::type_of(*v) == type; }

std::string_view string_of(const Value& v) {
    return v.u.str.s ? std::string_view(v.u.str.s, static_cast<std::size_t>(v.u.str.len)) : std::string_view();
}

void print_char(OutputSink& out, const Value& v) {
    const double code = value::type_of(v) == value::T_Int ? v.u.ival : v.u.dval;
    if (!(code >= 1 && code < 256)) return;
    const char c = static_cast<char>(static_cast<unsigned char>(code));
    out.write(std::string_view(&c, 1));
}
}  // namespace

int print_args(OutputSink& out, const Value* args, int count) {
    PrintDirectives d;
    FormatSpec spec;
    for (int i = 0; i < count; ++i) {
        const Value& a = args[i];
        const Value* next = i + 1 < count ? &args[i + 1] : nullptr;
        if (is_type(&a, value::T_String)) {
            const std::string_view s = string_of(a);
            if (s.size() >= 2 && s[0] == '%' && s[1] != '%') {
                const bool array_next = is_type(next, value::T_Array);
                if (s == "%r" && array_next) {
                    d.row_labels = next;
                    ++i;
                    continue;
                }
                if (s == "%c" && array_next) {
                    d.column_labels = next;
                    ++i;
                    continue;
                }
                if (s == "%c" && (is_type(next, value::T_Int) || is_type(next, value::T_Double))) {
                    print_char(out, *next);
                    ++i;
                    continue;
                }
                if (s == "%cf" && array_next) {
                    d.column_formats = next;
                    ++i;
                    continue;
                }
                if ((s == "%rs" || s == "%cs") && is_type(next, value::T_String)) {
                    if (s == "%rs")
                        d.row_separator = string_of(*next);
                    else
                        d.column_separator = string_of(*next);
                    ++i;
                    continue;
                }
                if (s == "%lwr") {
                    d.lower_triangle = true;
                    continue;
                }
                if (next) {
                    FormatSpec parsed = parse_format(s);
                    if (parsed.is_format()) {
                        spec = std::move(parsed);
                        d.spec = &spec;
                        continue;
                    }
                }
            }
        }
        print_value(out, a, d);
        d = PrintDirectives{};
    }
    return count;
}

int print_line_args(OutputSink& out, const Value* args, int count) {
    const int n = print_args(out, args, count);
    if (!out.ended_line()) out.write("\n");
    return n;
}

}  // namespace kj::lib::io
