// Printing built-ins. All of them write through the one argument scan
// (lib/io/print_args.h); they differ only in the sink.
#include "lib/fn_print.h"

#include <string>

#include "lib/io/number_format.h"
#include "lib/io/print_args.h"
#include "lib/io/print_sink.h"
#include "value/value.h"
#include "vm/run_error.h"

namespace kj::lib {

namespace {
using value::Value;

[[noreturn]] void type_error(const char* name, int number, const char* expected, const Value& found) {
    const std::string text = std::string(name) + "(): type error in argument " + std::to_string(number) +
                             "; expected: " + expected + ", found: " + value::describe(found);
    KjRunMessage(text.c_str());
    vm::raise_run_error(vm::E_ArgError);
}
}  // namespace

void fn_print(KjValue* result, KjValue* args, int count) {
    io::StdoutSink out;
    value::set_int(*result, io::print_args(out, args, count));
}

void fn_println(KjValue* result, KjValue* args, int count) {
    io::StdoutSink out;
    value::set_int(*result, io::print_line_args(out, args, count));
}

void fn_eprint(KjValue* result, KjValue* args, int count) {
    io::StderrSink out;
    value::set_int(*result, io::print_args(out, args, count));
}

void fn_sprint(KjValue* result, KjValue* args, int count) {
    if (!io::sprint_buffer_ready()) vm::raise_run_error_message("sprint/scan: no string buffer");
    io::StringSink out;
    io::print_args(out, args, count);
    if (out.full()) vm::raise_run_error_message("sprint(): string buffer length exceeded");
    const std::string_view text = out.text();
    value::set_string(*result, text.data(), static_cast<int>(text.size()));
}

void fn_sprintbuffer(KjValue* result, KjValue* args, int) {
    const Value& a = args[0];
    int n;
    if (value::type_of(a) == value::T_Int && !value::is_null(a))
        n = a.u.ival;
    else if (value::type_of(a) == value::T_Double && !value::is_null(a))
        n = a.u.dval >= 2147483647.0 ? 2147483647 : a.u.dval > 0 ? static_cast<int>(a.u.dval) : 0;
    else
        type_error("sprintbuffer", 1, "int", a);
    value::set_int(*result, io::set_sprint_buffer_size(n));
}

void fn_format(KjValue* result, KjValue* args, int) {
    const Value& a = args[0];
    if (value::type_of(a) == value::T_Int && !value::is_null(a))
        io::set_line_length(a.u.ival);
    else if (value::type_of(a) == value::T_String && !value::is_null(a))
        io::set_default_format(a.u.str.s ? std::string_view(a.u.str.s, static_cast<std::size_t>(a.u.str.len))
                                         : std::string_view());
    else
        type_error("format", 1, "string", a);
    value::set_int(*result, 0);
}

namespace {
// fprint and fprintln live with the file functions, which own file values.
const BuiltinEntry k_print_builtins[] = {
    {"c$eprint", fn_eprint, 1, true},
    {"c$format", fn_format, 0, true},
    {"c$print", fn_print, 1, true},
    {"c$println", fn_println, 1, true},
    {"c$sprint", fn_sprint, 1, true},
    {"c$sprintbuffer", fn_sprintbuffer, 0, true},
};
}  // namespace

std::span<const BuiltinEntry> print_builtins() { return k_print_builtins; }

}  // namespace kj::lib
