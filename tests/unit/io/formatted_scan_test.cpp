// Formatted reading: sscan and fscan read back what sprint and fprint wrote,
// for every family of formats; matching, widths, suppression, failures and
// the unread remainder.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

#include "io/file_fixture.h"
#include "runtime/host.h"

namespace kv = kj::value;
using kj::test::Args;
using kj::test::reference;
using kj::test::Result;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

class FormattedScan : public kj::test::FileTest {
protected:
    std::string sprint(const std::string& format, kv::Value x) {
        Result r;
        Args a{str(format), x};
        call("sprint", a, r);
        return text_of(r.v);
    }
    // sscan(text, format, &x): the count; x receives what was read.
    int scan_one(const std::string& text, const std::string& format, kv::Value& x) {
        Result r;
        Args a{str(text), str(format), reference(&x)};
        call("sscan", a, r);
        return r.v.u.ival;
    }
};

TEST_F(FormattedScan, ReadsBackEveryPrintedFamily) {
    struct Number {
        const char* format;
        double value;
        const char* read_as;
        double expected;  // what the printed text holds
    };
    const Number numbers[] = {
        {"%.17e", 0.1, "%e", 0.1},           {"%.17E", -2.5e-300, "%E", -2.5e-300},
        {"%f", M_PI, "%f", 3.141593},        {"%.17g", 1.0 / 3, "%g", 1.0 / 3},
        {"%G", 5e-324, "%G", 4.94066e-324},  {"%g", kNaN, "%g", kNaN},
        {"%G", kNaN, "%f", kNaN},            {"%g", kInf, "%e", kInf},
        {"%10.3f", -kInf, "%f", -kInf},      {"%+.2f", 2.0, "%f", 2.0},
    };
    for (const Number& n : numbers) {
        const std::string text = sprint(n.format, kv::make_double(n.value));
        SCOPED_TRACE(std::string(n.format) + " -> " + text);
        kv::Value x = kv::make_int(0);
        ASSERT_EQ(scan_one(text, n.read_as, x), 1);
        ASSERT_EQ(kv::type_of(x), kv::T_Double);
        if (std::isnan(n.expected))
            EXPECT_TRUE(std::isnan(x.u.dval));
        else
            EXPECT_EQ(x.u.dval, n.expected);
    }
    for (int i : {0, 42, -17, 2147483647}) {
        for (const char* f : {"%d", "%i", "%8d", "%-5i", "%+d"}) {
            kv::Value x = kv::make_int(0);
            ASSERT_EQ(scan_one(sprint(f, kv::make_int(i)), "%d", x), 1) << f;
            EXPECT_EQ(x.u.ival, i) << f;
        }
    }
    kv::Value w = kv::make_int(0);
    ASSERT_EQ(scan_one(sprint("%s", str("word")) + " next", "%s", w), 1);
    EXPECT_EQ(text_of(w), "word");
    kv::release(w);
    kv::Value c = kv::make_int(0);
    ASSERT_EQ(scan_one("Q", "%c", c), 1);
    EXPECT_EQ(c.u.ival, 'Q');

    // A matrix in matrix-file layout, special values included.
    kv::Value m = kj::test::matrix(2, 3, {0.1, kNaN, -kInf, kInf, -0.0, 1e-310});
    kv::Value copy = kv::make_int(0);
    kv::duplicate(copy, m);
    kv::Value back = kv::make_int(0);
    ASSERT_EQ(scan_one(sprint("%m", m), "%m", back), 1);
    ASSERT_TRUE(kv::type_of(back) == kv::T_Matrix && back.u.mat.r == 2 && back.u.mat.c == 3);
    for (int k = 0; k < 6; ++k) {
        const double a = copy.u.mat.m[0][k], b = back.u.mat.m[0][k];
        EXPECT_TRUE(std::isnan(a) ? std::isnan(b) : a == b && std::signbit(a) == std::signbit(b)) << k;
    }
    kv::release(copy);
    kv::release(back);
}

TEST_F(FormattedScan, MatchingWidthsAndSuppression) {
    kv::Value i = kv::make_int(0), d = kv::make_int(0);
    Result r;
    Args example{str("x = 3, 2.5 left"), str("x = %d, %f"), reference(&i), reference(&d)};
    call("sscan", example, r);
    EXPECT_EQ(r.v.u.ival, 2);
    EXPECT_EQ(i.u.ival, 3);
    EXPECT_EQ(d.u.dval, 2.5);

    kv::Value a = kv::make_int(0), b = kv::make_int(0);
    Args widths{str("12345678"), str("%3d%d"), reference(&a), reference(&b)};
    call("sscan", widths, r);
    EXPECT_EQ(r.v.u.ival, 2);
    EXPECT_EQ(a.u.ival, 123);
    EXPECT_EQ(b.u.ival, 45678);

    Args skipped{str("1 2 50%"), str("%*d %d %d%%"), reference(&a), reference(&b)};
    call("sscan", skipped, r);
    EXPECT_EQ(r.v.u.ival, 2);
    EXPECT_EQ(a.u.ival, 2);
    EXPECT_EQ(b.u.ival, 50);

    // Several formats in one call; "%#m" takes its shape from two arguments.
    kv::Value m = kv::make_int(0), line = kv::make_int(0), day = kv::make_int(0);
    Args shaped{str("1 2\n3,4 rest of line\n2020-01-01"), str("%#m"), kv::make_int(2), kv::make_int(2),
                reference(&m), str("%z %C"), reference(&line), reference(&day)};
    call("sscan", shaped, r);
    EXPECT_EQ(r.v.u.ival, 3);
    ASSERT_TRUE(kv::type_of(m) == kv::T_Matrix && m.u.mat.r == 2 && m.u.mat.c == 2);
    EXPECT_EQ(m.u.mat.m[1][1], 4);
    EXPECT_EQ(text_of(line), " rest of line");
    EXPECT_EQ(day.u.dval, 2458850);  // 2020-01-01 is 18262 days after day 2440588
    kv::release(m);
    kv::release(line);

    // A string of a given width, then the remaining characters of the line.
    kv::Value s = kv::make_int(0);
    ASSERT_EQ(scan_one("abcdef", "%4c", s), 1);
    EXPECT_EQ(text_of(s), "abcd");
    kv::release(s);
}

TEST_F(FormattedScan, FailuresStopAndTheRemainderStays) {
    kv::Value a = kv::make_int(-5), b = kv::make_int(-5), c = kv::make_int(-5);
    Result r;
    Args stop{str("1 x 3"), str("%d %d %d"), reference(&a), reference(&b), reference(&c)};
    call("sscan", stop, r);
    EXPECT_EQ(r.v.u.ival, 1);
    EXPECT_EQ(a.u.ival, 1);
    EXPECT_EQ(b.u.ival, -5);
    EXPECT_EQ(c.u.ival, -5);

    Args literal{str("y = 3"), str("x = %d"), reference(&a)};
    call("sscan", literal, r);
    EXPECT_EQ(r.v.u.ival, 0);
    for (const char* blank : {"", "  \n\t "}) {
        Args empty{str(blank), str("%d"), reference(&a)};
        call("sscan", empty, r);
        EXPECT_EQ(r.v.u.ival, -1) << '"' << blank << '"';
    }
    // A conversion whose argument is no reference.
    Args noref{str("1"), str("%d"), kv::make_int(5)};
    std::string msg;
    EXPECT_EQ(call_error("sscan", noref, &msg), 37);
    EXPECT_EQ(msg, "sscan(): error in argument 3");

    // Through a reference to the text, successive calls walk along it.
    kv::Value text = str("10 20 x");
    int sum = 0;
    for (;;) {
        Args step{reference(&text), str("%d"), reference(&a)};
        call("sscan", step, r);
        if (r.v.u.ival != 1) break;
        sum += a.u.ival;
    }
    EXPECT_EQ(sum, 30);
    EXPECT_EQ(text_of(text), "x");
    kv::release(text);
}

TEST_F(FormattedScan, FscanReadsWhatFprintWrote) {
    Result f;
    open(f, path("t.txt"), "w");
    Result n;
    kv::Value m = kj::test::matrix(2, 2, {1.5, kNaN, -kInf, 4});
    Args p{f.v, str("%d"), kv::make_int(7), str(" "), str("%.17g"), kv::make_double(0.1), str("\n"), str("%m"), m,
           str("last line\n")};
    call("fprint", p, n);
    close(f);

    Result g;
    open(g, path("t.txt"), "r");
    kv::Value i = kv::make_int(0), d = kv::make_int(0), back = kv::make_int(0), rest = kv::make_int(0);
    Args s{g.v, str("%d %g %m\n%z"), reference(&i), reference(&d), reference(&back), reference(&rest)};
    call("fscan", s, n);
    EXPECT_EQ(n.v.u.ival, 4);
    EXPECT_EQ(i.u.ival, 7);
    EXPECT_EQ(d.u.dval, 0.1);
    ASSERT_TRUE(kv::type_of(back) == kv::T_Matrix && back.u.mat.r == 2);
    EXPECT_EQ(back.u.mat.m[0][0], 1.5);
    EXPECT_TRUE(std::isnan(back.u.mat.m[0][1]));
    EXPECT_EQ(back.u.mat.m[1][0], -kInf);
    EXPECT_EQ(text_of(rest), "last line");
    Args more{g.v, str("%d"), reference(&i)};
    call("fscan", more, n);
    EXPECT_EQ(n.v.u.ival, -1);
    kv::release(back);
    kv::release(rest);
    close(g);
}

}  // namespace

namespace {

// Lines the host's gets callback hands out, one per call; then nothing.
std::vector<std::string>& pending_lines() {
    static std::vector<std::string> lines;
    return lines;
}
void serve_line(char* buffer, int size) {
    auto& lines = pending_lines();
    buffer[0] = '\0';
    if (lines.empty()) return;
    std::snprintf(buffer, static_cast<std::size_t>(size), "%s", lines.front().c_str());
    lines.erase(lines.begin());
}

std::string& printed() {
    static std::string text;
    return text;
}

TEST_F(FormattedScan, ScanReadsTheConsoleInputAndPrintsPrompts) {
    SetKjPipe(0);
    SetKjPuts([](const char* text) { printed() += text; });
    printed().clear();
    SetKjGets(serve_line);
    pending_lines() = {"12 ab\n", "3.5\n"};
    kv::Value i = kv::make_int(0), s = kv::make_int(0), d = kv::make_int(0);
    Result r;
    Args a{str("number and word? "), str("%d %s"), reference(&i), reference(&s), str("%f"), reference(&d)};
    call("scan", a, r);
    EXPECT_EQ(r.v.u.ival, 3);
    EXPECT_EQ(i.u.ival, 12);
    EXPECT_EQ(text_of(s), "ab");
    EXPECT_EQ(d.u.dval, 3.5);
    kv::release(s);
    Args more{str("%d"), reference(&i)};
    call("scan", more, r);
    EXPECT_EQ(r.v.u.ival, -1);

    // Print level 0 silences program output; the previous level is returned.
    Args quiet{kv::make_int(0)};
    call("kjprintlevel", quiet, r);
    EXPECT_EQ(r.v.u.ival, 1);
    Args p{str("hidden")};
    call("print", p, r);
    Args loud{kv::make_int(1)};
    call("kjprintlevel", loud, r);
    EXPECT_EQ(r.v.u.ival, 0);
    kj::runtime::flush();
    EXPECT_EQ(printed(), "number and word? ");
    SetKjPipe(-1);
}

}  // namespace
