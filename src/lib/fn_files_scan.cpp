// scan, sscan and fscan: the formatted-reading engine applied to the console
// input, a string and an open file.
#include <cstdio>
#include <string>

#include "lib/args.h"
#include "lib/fn_files.h"
#include "lib/io/file_value.h"
#include "lib/io/formatted_scan.h"
#include "runtime/host.h"

namespace kj::lib {

using value::Value;

namespace {

// The console input channel: the input pipe when the host set one, else
// standard input.
class ConsoleInput final : public io::ScanInput {
public:
    int get() override { return runtime::read_char(); }
    void unget(int c) override {
        if (c < 0) return;
        if (runtime::has_input_pipe())
            runtime::unread_char();
        else
            std::ungetc(c, stdin);
    }
};

void prompt_text(std::string_view text) {
    runtime::output(text.data(), text.size());
    runtime::drain_output();
}

}  // namespace

void fn_scan(Value* result, Value* args, int count) {
    runtime::drain_output();
    ConsoleInput in;
    value::set_int(*result, io::scan_formats(in, args, count, 0, prompt_text));
}

void fn_sscan(Value* result, Value* args, int count) {
    Value* text = &args[0];
    Value* variable = nullptr;
    if (is_type(args[0], value::T_Array) && value::has_flag(args[0], value::k_address) && args[0].u.arr.v) {
        variable = args[0].u.arr.v;
        text = variable;
    }
    if (!is_string(*text)) arg_type_error(0, value::T_String, text);
    // The engine may store into the variable that holds the text: read a copy.
    const std::string copy(string_of(*text));
    io::StringInput in(copy);
    const int n = io::scan_formats(in, args + 1, count - 1, 1);
    if (variable) {
        const std::string_view rest = in.rest();
        Value out = value::make_int(0);
        value::set_string(out, rest.data(), static_cast<int64_t>(rest.size()));
        value::assign(*variable, out);
        value::release(out);
    }
    value::set_int(*result, n);
}

void fn_fscan(Value* result, Value* args, int count) {
    if (!is_type(args[0], value::T_File)) arg_type_error(0, value::T_File, &args[0]);
    io::OpenFile* f = io::file_of(args[0]);
    if (!f) arg_error(0);
    if (!f->readable()) {
        value::set_int(*result, -1);
        return;
    }
    io::StreamInput in(f->stream);
    value::set_int(*result, io::scan_formats(in, args + 1, count - 1, 1));
}

}  // namespace kj::lib
