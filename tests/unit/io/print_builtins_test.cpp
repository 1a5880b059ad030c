#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "io/value_fixture.h"
#include "lib/arg_checks.h"
#include "lib/fn_print.h"
#include "lib/io/number_format.h"
#include "lib/io/print_args.h"
#include "lib/io/print_sink.h"

namespace io = kj::lib::io;
namespace kl = kj::lib;
namespace kv = kj::value;
namespace kt = kj::test;
using kv::Value;

namespace {
std::string read_all(std::FILE* f) {
    std::string text;
    std::rewind(f);
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
    return text;
}

std::string string_of(const Value& v) {
    EXPECT_EQ(kv::type_of(v), kv::T_String);
    return v.u.str.s ? std::string(v.u.str.s, static_cast<std::size_t>(v.u.str.len)) : std::string();
}

class PrintBuiltins : public testing::Test {
protected:
    void TearDown() override {
        io::reset_default_formats();
        io::set_log_stream(nullptr);
        io::free_sprint_buffer();
    }
    kt::RunCapture run;
};
}  // namespace

TEST_F(PrintBuiltins, PrintGoesThroughTheOutputPipe) {
    kt::OutputCapture captured;
    Value args[3] = {kt::string("%6.2f"), kv::make_double(3.14159), kt::string("\n")};
    kt::Owned result;
    kl::fn_print(&result.v, args, 3);
    EXPECT_EQ(kv::type_of(result.v), kv::T_Int);
    EXPECT_EQ(result.v.u.ival, 3);
    kl::fn_println(&result.v, args + 1, 1);
    EXPECT_EQ(captured.text(), "  3.14\n3.14159\n");
    kv::release(args[0]);
    kv::release(args[2]);
}

TEST_F(PrintBuiltins, PrintLevelSilencesOutputButNotTheLog) {
    std::FILE* log = std::tmpfile();
    ASSERT_NE(log, nullptr);
    io::set_log_stream(log);
    kt::OutputCapture captured;
    Value one = kv::make_int(1), two = kv::make_int(2);
    kt::Owned result;
    kl::fn_print(&result.v, &one, 1);
    KjSetPrintlevel(0);
    kl::fn_print(&result.v, &two, 1);
    KjSetPrintlevel(1);
    EXPECT_EQ(captured.text(), "1");
    EXPECT_EQ(read_all(log), "12");
    std::fclose(log);
}

TEST_F(PrintBuiltins, SprintIsNotSilencedAndNotLogged) {
    std::FILE* log = std::tmpfile();
    io::set_log_stream(log);
    KjSetPrintlevel(-1);
    Value args[2] = {kv::make_int(7), kt::string(" days")};
    kt::Owned result;
    kl::fn_sprint(&result.v, args, 2);
    KjSetPrintlevel(1);
    EXPECT_EQ(string_of(result.v), "7 days");
    EXPECT_EQ(read_all(log), "");
    std::fclose(log);
    kv::release(args[1]);
}

TEST_F(PrintBuiltins, SprintBufferLimits) {
    kt::Owned result;
    Value size = kv::make_int(100);
    kl::fn_sprintbuffer(&result.v, &size, 1);
    EXPECT_EQ(result.v.u.ival, io::k_sprint_buffer_min);

    kt::Owned big(kt::string(std::string(io::k_sprint_buffer_min, 'x')));
    EXPECT_THROW(kl::fn_sprint(&result.v, &big.v, 1), kj::runtime::RunError);
    EXPECT_NE(kt::RunCapture::messages().find("sprint(): string buffer length exceeded"), std::string::npos);

    size = kv::make_double(20000);
    kl::fn_sprintbuffer(&result.v, &size, 1);
    EXPECT_EQ(result.v.u.ival, 20000);
    kl::fn_sprint(&result.v, &big.v, 1);
    EXPECT_EQ(result.v.u.str.len, io::k_sprint_buffer_min);

    kt::Owned text(kt::string("x"));
    kl::set_current_function("sprintbuffer");
    EXPECT_THROW(kl::fn_sprintbuffer(&result.v, &text.v, 1), kj::runtime::RunError);
    EXPECT_NE(kt::RunCapture::messages().find(
                  "sprintbuffer(): type error in argument 1; expected: int, found: string[1]"),
              std::string::npos);
}

TEST_F(PrintBuiltins, FormatSetsLineLengthAndElementFormat) {
    kt::Owned result;
    Value n = kv::make_int(50);
    kl::fn_format(&result.v, &n, 1);
    EXPECT_EQ(io::default_formats().line_length, 1024);
    n = kv::make_int(100);
    kl::fn_format(&result.v, &n, 1);
    EXPECT_EQ(io::default_formats().line_length, 100);
    EXPECT_EQ(result.v.u.ival, 0);

    kt::Owned spec(kt::string("%10.4f"));
    kl::fn_format(&result.v, &spec.v, 1);
    kt::Owned m(kt::matrix(1, 2, {1, 2}));
    kl::fn_sprint(&result.v, &m.v, 1);
    EXPECT_EQ(string_of(result.v), "\n    1.0000    2.0000\n");

    kt::Owned bad(kt::matrix(1, 1));
    kl::set_current_function("c$format");
    EXPECT_THROW(kl::fn_format(&result.v, &bad.v, 1), kj::runtime::RunError);
    EXPECT_NE(kt::RunCapture::messages().find("format(): type error in argument 1; expected: string, found: matrix[1][1]"),
              std::string::npos);
}

TEST_F(PrintBuiltins, FileSinkTakesEveryPrint) {
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    KjSetPrintlevel(0);
    {
        io::FileSink out(f);
        Value args[3] = {kt::string("%r"), kt::array({kt::string("a")}), kt::matrix(1, 1, {2})};
        io::print_line_args(out, args, 3);
        for (Value& v : args) kv::release(v);
    }
    KjSetPrintlevel(1);
    EXPECT_EQ(read_all(f), "\na     " "       2.0000\n");
    std::fclose(f);
}

