#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "lib/io/number_format.h"

namespace io = kj::lib::io;

namespace {
constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();
constexpr double k_inf = std::numeric_limits<double>::infinity();

std::string dbl(const char* spec, double x) {
    std::string out;
    io::append_double(out, io::parse_format(spec), x);
    return out;
}

std::string integer(const char* spec, long long i) {
    std::string out;
    io::append_int(out, io::parse_format(spec), i);
    return out;
}

// Restores the process-wide defaults after each test.
class NumberFormat : public testing::Test {
protected:
    void TearDown() override { io::reset_default_formats(); }
};
}  // namespace

TEST_F(NumberFormat, SpecificationKindsAndWidths) {
    using K = io::FormatKind;
    const struct {
        const char* text;
        K kind;
        int width, precision, total;
    } cases[] = {
        {"%d", K::Integer, -1, -1, 1},      {"%5.3d", K::Integer, 5, 3, 5},
        {"%.8x", K::Integer, -1, 8, 8},     {"%g", K::Double, -1, -1, 13},
        {"%.3f", K::Double, -1, 3, 10},     {"%#13.5g", K::Double, 13, 5, 13},
        {"x=%6.2f;", K::Double, 6, 2, 9},   {"%-+ 012.4E", K::Double, 12, 4, 12},
        {"%m", K::MatrixFile, -1, -1, 0},   {"%#M", K::MatrixFile, -1, -1, 0},
        {"%10s", K::String, 10, -1, 10},    {"%c", K::Char, -1, -1, 0},
        {"%p", K::Address, -1, -1, 0},      {"%v", K::Value, -1, -1, 0},
        {"%C", K::Date, -1, -1, 16},        {"%20C", K::Date, 20, -1, 20},
        {"%.4P", K::Period, -1, 4, 7},      {"%T", K::Time, -1, -1, 5},
        {"%z", K::Text, -1, -1, 0},         {"%%d", K::Text, -1, -1, 0},
        {"\\%d", K::Text, -1, -1, 0},       {"plain", K::Text, -1, -1, 0},
        {"%", K::Text, -1, -1, 0},          {"%5", K::Text, -1, -1, 0},
        {"100%% %d", K::Integer, -1, -1, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const io::FormatSpec s = io::parse_format(c.text);
        EXPECT_EQ(s.kind, c.kind);
        if (c.kind == K::Text) continue;
        EXPECT_EQ(s.width, c.width);
        EXPECT_EQ(s.precision, c.precision);
        EXPECT_EQ(s.total_width, c.total);
    }
    EXPECT_EQ(io::parse_format("%%d").prefix, "%d");
    EXPECT_EQ(io::parse_format("100%% %d").prefix, "100% ");
}

TEST_F(NumberFormat, DoublesUnderEveryKind) {
    const struct {
        const char* spec;
        double x;
        const char* text;
    } cases[] = {
        {"%g", 1.5, "1.5"},
        {"%6.2f", 3.14159, "  3.14"},
        {"x=%6.2f;", 3.14159, "x=  3.14;"},
        {"%#13.5g", 1, "       1.0000"},
        {"%d", 3.9, "3"},
        {"%d", -3.9, "-3"},
        {"%5x", 255, "   ff"},
        {"%v", 0.1, "0.10000000000000001"},
        {"%10s", 2.5, "2.5"},  // not a number format: the default double format
        {"%C", 2451545.5, "2000-01-01T12:00"},
        {"%16C", 2451545.5, "2000-01-01T12:00:00"},
        {"%12C", 2451545, "  2000-01-01"},
        {"%-12C|", 2451545, "2000-01-01  |"},
        {"%T", 2451545.75, "18:00"},
        {"%8T", 0.5, "12:00:00"},
        {"%T", 3.0, "00:00"},
        {"%.4P", 1990.5, "1990(3)"},
        {"%P", 1990, "1990"},
        {"%.12P", 1990 + 11 / 12.0, "1990(12)"},
    };
    for (const auto& c : cases) EXPECT_EQ(dbl(c.spec, c.x), c.text) << c.spec;
}

TEST_F(NumberFormat, NaNAndInfinitiesKeepTheFieldWidth) {
    const struct {
        const char* spec;
        double x;
        const char* text;
    } cases[] = {
        {"%#13.5g", k_nan, "         .NaN"}, {"%#13.5G", k_nan, "            ."},
        {"%#13.5g", k_inf, "        +.Inf"}, {"%#13.5g", -k_inf, "        -.Inf"},
        {"%-8.2f|", k_nan, ".NaN    |"},     {"%g", k_nan, ".NaN"},
        {"%5d", k_nan, " .NaN"},             {"%5X", k_nan, "    ."},
        {"%8.2E", -k_inf, "   -.Inf"},       {"%v", k_nan, ".NaN"},
        {"%v", k_inf, "+.Inf"},              {"%12C", k_nan, "           ."},
        {"%T", k_nan, "."},                  {"%.4P", k_inf, "+.Inf"},
    };
    for (const auto& c : cases) EXPECT_EQ(dbl(c.spec, c.x), c.text) << c.spec;
}

TEST_F(NumberFormat, Integers) {
    EXPECT_EQ(integer("%d", 42), "42");
    EXPECT_EQ(integer("%5.1f", 2), "  2.0");
    EXPECT_EQ(integer("%v", -7), "-7");
    EXPECT_EQ(integer("%s", 7), "7");
    EXPECT_EQ(integer("%04d", 7), "0007");
    EXPECT_EQ(integer("%C", 2451545), "2000-01-01");
}

TEST_F(NumberFormat, FormatChangesTheDefaults) {
    EXPECT_FALSE(io::set_line_length(50));
    EXPECT_EQ(io::default_formats().line_length, 1024);
    EXPECT_TRUE(io::set_line_length(100));
    EXPECT_EQ(io::default_formats().line_length, 100);
    EXPECT_FALSE(io::set_line_length(8192));
    EXPECT_TRUE(io::set_line_length(72));

    EXPECT_TRUE(io::set_default_format("%10.4f"));
    EXPECT_EQ(io::default_formats().column_width, 10);
    EXPECT_EQ(io::default_formats().matrix.printf, "%10.4f");
    EXPECT_EQ(io::default_formats().real.printf, "%10.4f");
    EXPECT_TRUE(io::set_default_format("%5d"));
    EXPECT_EQ(io::default_formats().integer.width, 5);
    EXPECT_EQ(io::default_formats().column_width, 10);
    EXPECT_FALSE(io::set_default_format("%s"));
    EXPECT_FALSE(io::set_default_format("hello"));
    EXPECT_EQ(io::default_formats().real.printf, "%10.4f");
}

TEST_F(NumberFormat, FittingIntoAField) {
    io::FitOptions none, look, zero, trim1, trim2;
    look.integer_look = true;
    zero.leading_zero = true;
    trim1.trim = 1;
    trim2.trim = 2;
    const struct {
        double x;
        int w, p;
        io::FitOptions o;
        const char* text;
    } cases[] = {
        {0.05, 10, 4, none, ".05"},
        {0.05, 10, 4, zero, "0.05"},
        {-0.05, 10, 4, none, "-.05"},
        {123456789012.0, 10, 6, none, "1.235e+11"},
        {123456789012.0, 10, 6, look, "1.2346e11"},
        {0.5, 7, 4, none, "####"},
        {12345, 7, 4, none, "12345"},
        {2.5, 5, 0, none, "####"},
        {2.5, 10, 4, none, "2.5"},
        {1234.25, 10, 2, none, "1234."},
        {1234.25, 10, 2, look, "1234"},
        {1.5e-5, 10, 4, none, "1.5e-5"},
        {1.5e-12, 10, 4, none, "1.5e-12"},
        {1.5e-120, 10, 4, none, "1.5e-120"},
        {1e150, 10, 6, none, "1e+150"},
        {2.5, 10, 4, trim1, "2.5"},
        {2.5, 10, 4, trim2, "2.50"},
        {0, 10, 4, trim1, "0.0"},
        {3, 10, 4, trim1, "3.0"},
        {123456.789, 8, 6, none, "123457."},
        {k_nan, 10, 4, none, ".NaN"},
        {-k_inf, 10, 4, none, "-.Inf"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(io::fit_number(c.x, c.w, c.p, c.o), c.text) << c.x << " w=" << c.w << " p=" << c.p;
        EXPECT_EQ(io::fit_number_u16(c.x, c.w, c.p, c.o), std::u16string(c.text, c.text + std::strlen(c.text)));
    }
}

TEST_F(NumberFormat, ReadableDoublesReadBackExactly) {
    const double xs[] = {0.1,     1.0 / 3,  -2.5e300, 1e-300,  123456789.123, 5e-324,
                         DBL_MAX, -DBL_MIN, 0.0,      -1.0e22, 9007199254740993.0};
    for (double x : xs) {
        std::string text;
        io::append_readable(text, x);
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), x) << text;
    }
    std::string dot;
    io::append_readable(dot, k_nan, true);
    EXPECT_EQ(dot, ".");
}
