// Printing built-ins. All of them write through the one argument scan
// (lib/io/print_args.h); they differ only in the sink.
#include "lib/fn_print.h"

#include <string>

#include "lib/arg_checks.h"
#include "link/function_table.h"
#include "lib/io/number_format.h"
#include "lib/io/print_args.h"
#include "lib/io/print_sink.h"
#include "lib/library_rows.h"
#include "value/value.h"
#include "runtime/run_error.h"

namespace kj::lib {

using value::Value;

void fn_print(Value* result, Value* args, int count) {
    io::StdoutSink out;
    value::set_int(*result, io::print_args(out, args, count));
}

void fn_println(Value* result, Value* args, int count) {
    io::StdoutSink out;
    value::set_int(*result, io::print_line_args(out, args, count));
}

void fn_eprint(Value* result, Value* args, int count) {
    io::StderrSink out;
    value::set_int(*result, io::print_args(out, args, count));
}

void fn_sprint(Value* result, Value* args, int count) {
    if (!io::sprint_buffer_ready()) runtime::raise_run_error_message("sprint/scan: no string buffer");
    io::StringSink out;
    io::print_args(out, args, count);
    if (out.full()) runtime::raise_run_error_message("sprint(): string buffer length exceeded");
    const std::string_view text = out.text();
    value::set_string(*result, text.data(), static_cast<int>(text.size()));
}

void fn_sprintbuffer(Value* result, Value* args, int) {
    const Value& a = args[0];
    int n;
    if (value::type_of(a) == value::T_Int && !value::is_null(a))
        n = a.u.ival;
    else if (value::type_of(a) == value::T_Double && !value::is_null(a))
        n = a.u.dval >= 2147483647.0 ? 2147483647 : a.u.dval > 0 ? static_cast<int>(a.u.dval) : 0;
    else
        arg_type_error(0, value::T_Int, &a);
    value::set_int(*result, io::set_sprint_buffer_size(n));
}

void fn_format(Value* result, Value* args, int) {
    const Value& a = args[0];
    if (value::type_of(a) == value::T_Int && !value::is_null(a))
        io::set_line_length(a.u.ival);
    else if (value::type_of(a) == value::T_String && !value::is_null(a))
        io::set_default_format(a.u.str.s ? std::string_view(a.u.str.s, static_cast<std::size_t>(a.u.str.len))
                                         : std::string_view());
    else
        arg_type_error(0, value::T_String, &a);
    value::set_int(*result, 0);
}

namespace {
// fprint and fprintln live with the file functions, which own file values.
constexpr uint32_t k_print_flags = k_varargs | k_serial;
const NamedRow k_print_rows[] = {
    {"eprint", fn_eprint, 1, k_print_flags},  {"format", fn_format, 1, k_serial},
    {"print", fn_print, 1, k_print_flags},    {"println", fn_println, 1, k_print_flags},
    {"sprint", fn_sprint, 1, k_print_flags},  {"sprintbuffer", fn_sprintbuffer, 1, k_serial},
};
}  // namespace

std::span<const NamedRow> print_rows() { return k_print_rows; }

}  // namespace kj::lib
