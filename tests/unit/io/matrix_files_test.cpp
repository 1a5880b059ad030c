// loadmat and savemat with text and .fmt matrix files: exact round trips of
// awkward values, the byte layout, the reader's spellings and its defences
// against damaged or forged files, and saves that fail without harm.
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <limits>
#include <sys/resource.h>

#include "io/file_fixture.h"
#include "lib/io/matrix_files.h"

namespace io = kj::lib::io;
namespace kv = kj::value;
using kj::test::Args;
using kj::test::Result;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

bool same_bits(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    return std::memcmp(&a, &b, sizeof a) == 0;
}

class MatrixFiles : public kj::test::FileTest {
protected:
    int save(const std::string& name, kv::Value m, kv::Value extra = kv::make_none()) {
        Result r;
        Args a{str(name), m};
        if (!kv::is_null(extra) || kv::type_of(extra) != kv::T_None) a.v.push_back(extra);
        call("savemat", a, r);
        return r.v.u.ival;
    }
    void load(Result& r, const std::string& name, int flag = -1) {
        Args a{str(name)};
        if (flag >= 0) a.v.push_back(kv::make_int(flag));
        call("loadmat", a, r);
    }
    // The elements of a loaded matrix, row-major.
    static std::vector<double> elements(const Result& r) {
        EXPECT_EQ(kv::type_of(r.v), kv::T_Matrix);
        if (kv::type_of(r.v) != kv::T_Matrix) return {};
        const double* p = r.v.u.mat.m[0];
        return {p, p + static_cast<std::size_t>(r.v.u.mat.r) * r.v.u.mat.c};
    }
};

const std::vector<double> kAwkward = {1.0 / 3, -0.0, 5e-324, kNaN, kInf, -kInf, 1e308, -2.5e-300};

TEST_F(MatrixFiles, TextAndFmtRoundTripsAreExact) {
    for (const char* name : {"m.mat", "m.txt", "m.fmt", "M.FMT"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(save(path(name), kj::test::matrix(2, 4, {kAwkward[0], kAwkward[1], kAwkward[2], kAwkward[3],
                                                           kAwkward[4], kAwkward[5], kAwkward[6], kAwkward[7]})),
                  1);
        Result r;
        load(r, path(name));
        ASSERT_TRUE(r.is_matrix(2, 4));
        const std::vector<double> got = elements(r);
        for (std::size_t k = 0; k < kAwkward.size(); ++k) EXPECT_TRUE(same_bits(got[k], kAwkward[k])) << k;
    }
    // A scalar is a 1 x 1 matrix; an empty matrix writes nothing and fails.
    ASSERT_EQ(save(path("s.mat"), kv::make_double(2.5)), 1);
    Result one;
    load(one, path("s.mat"));
    ASSERT_TRUE(one.is_matrix(1, 1));
    EXPECT_EQ(one.at(0), 2.5);
    EXPECT_EQ(save(path("e.mat"), kj::test::matrix(0, 3)), 0);
    EXPECT_FALSE(std::filesystem::exists(path("e.mat")));
}

TEST_F(MatrixFiles, TextLayoutHeaderFieldsAndLineBreaks) {
    ASSERT_EQ(save(path("a.mat"), kj::test::matrix(1, 3, {1.0 / 3, kNaN, -kInf})), 1);
    EXPECT_EQ(read_file(path("a.mat")),
              "1 3\n    3.3333333333333331e-01                         .                     -.Inf\n");
    ASSERT_EQ(save(path("b.mat"), kj::test::matrix(1, 1, {5e-324}), kv::make_int(1)), 1);
    EXPECT_EQ(read_file(path("b.mat")), "   4.9406564584124654e-324\n");
    // 1024 / 26 = 39 elements per line: a row of 40 takes two lines.
    ASSERT_EQ(save(path("c.mat"), kj::test::matrix(2, 40)), 1);
    const std::string text = read_file(path("c.mat"));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 5);
    EXPECT_EQ(text.size(), 5u + 80 * 26 + 4);
}

TEST_F(MatrixFiles, FmtByteLayout) {
    kv::Value m = kj::test::matrix(4, 5);
    m.u.mat.m[0][1] = 2.5;
    ASSERT_EQ(save(path("x.fmt"), m), 1);
    const std::string bytes = read_file(path("x.fmt"));
    ASSERT_EQ(bytes.size(), 176u);
    const unsigned char head[16] = {0xDD, 0xEE, 0x86, 0x00, 4, 0, 0, 0, 5, 0, 0, 0, 160, 0, 0, 0};
    EXPECT_EQ(std::memcmp(bytes.data(), head, 16), 0);
    // Element [0][1] is the second double, little-endian: 00 .. 00 04 40.
    const unsigned char two_and_half[8] = {0, 0, 0, 0, 0, 0, 0x04, 0x40};
    EXPECT_EQ(std::memcmp(bytes.data() + 24, two_and_half, 8), 0);

    // The older header: DD DD, 16-bit rows and columns, ten spare bytes.
    std::string old("\xDD\xDD\x02\x00\x01\x00", 6);
    old.append(10, '\0');
    const double xs[2] = {-1.5, 7};
    old.append(reinterpret_cast<const char*>(xs), sizeof xs);
    write_file(path("old.fmt"), old);
    Result r;
    load(r, path("old.fmt"));
    ASSERT_TRUE(r.is_matrix(2, 1));
    EXPECT_EQ(r.at(0), -1.5);
    EXPECT_EQ(r.at(1), 7);
}

TEST_F(MatrixFiles, TextReaderSpellingsAndShortFiles) {
    write_file(path("a.mat"), "2 2\n1,2,.,4\n");
    Result r;
    load(r, path("a.mat"));
    ASSERT_TRUE(r.is_matrix(2, 2));
    EXPECT_EQ(r.at(0), 1);
    EXPECT_EQ(r.at(1), 2);
    EXPECT_TRUE(std::isnan(r.at(2)));
    EXPECT_EQ(r.at(3), 4);

    Result col;
    load(col, path("a.mat"), 1);
    ASSERT_TRUE(col.is_matrix(6, 1));
    const std::vector<double> c = elements(col);
    EXPECT_EQ(c[0], 2);
    EXPECT_EQ(c[3], 2);
    EXPECT_TRUE(std::isnan(c[4]));
    EXPECT_EQ(c[5], 4);

    // Other missing and infinite spellings; a line that holds no number is skipped.
    write_file(path("b.mat"), "2 4\nname x y z\n#N/A M m .NaN\n+.Inf -.Inf 1e-310, -7E+2\n");
    Result s;
    load(s, path("b.mat"));
    ASSERT_TRUE(s.is_matrix(2, 4));
    const std::vector<double> e = elements(s);
    for (int k = 0; k < 4; ++k) EXPECT_TRUE(std::isnan(e[k])) << k;
    EXPECT_EQ(e[4], kInf);
    EXPECT_EQ(e[5], -kInf);
    EXPECT_EQ(e[6], 1e-310);
    EXPECT_EQ(e[7], -700);
    EXPECT_TRUE(run_messages().empty());

    write_file(path("short.mat"), "3 3 1 2 3 4");
    Result sh;
    load(sh, path("short.mat"));
    ASSERT_TRUE(sh.is_matrix(3, 3));
    EXPECT_EQ(sh.at(3), 4);
    for (int k = 4; k < 9; ++k) EXPECT_TRUE(std::isnan(sh.at(k))) << k;
    EXPECT_EQ(first_run_message(), "load matrix: not enough matrix elements");
}

TEST_F(MatrixFiles, NothingToLoad) {
    write_file(path("empty.mat"), "");
    write_file(path("words.mat"), "no numbers here\n");
    write_file(path("neg.mat"), "-1 3\n1 2 3\n");
    for (const char* name : {"empty.mat", "words.mat"}) {
        Result r;
        load(r, path(name));
        EXPECT_EQ(kv::type_of(r.v), kv::T_Int) << name;
    }
    EXPECT_TRUE(run_messages().empty());
    Result neg;
    load(neg, path("neg.mat"));
    EXPECT_EQ(kv::type_of(neg.v), kv::T_Int);
    EXPECT_EQ(first_run_message(), "load matrix: no matrix elements");

    clear();
    Result missing;
    load(missing, path("none.mat"));
    EXPECT_EQ(kv::type_of(missing.v), kv::T_Int);
    EXPECT_EQ(first_run_message(), "Warning: loadmat: file not found: \"" + path("none.mat") + "\"");
}

TEST_F(MatrixFiles, DamagedAndForgedFmtFiles) {
    auto expect_error = [&](const std::string& bytes, const std::string& message) {
        SCOPED_TRACE(message);
        write_file(path("bad.fmt"), bytes);
        Args a{str(path("bad.fmt"))};
        std::string got;
        EXPECT_NE(call_error("loadmat", a, &got), -1);
        EXPECT_EQ(got, message);
    };
    unsigned char head[16];
    io::make_fmt_header(head, 100000, 100000);
    const std::string forged(reinterpret_cast<const char*>(head), 16);
    expect_error(forged, "Invalid .fmt file");
    io::make_fmt_header(head, 2, 2);
    expect_error(std::string(reinterpret_cast<const char*>(head), 16) + std::string(24, '\0'), "Invalid .fmt file");
    expect_error(std::string("\xDA\x00\x00\x00", 4) + std::string(40, '\0'),
                 "Please convert old .dht/.dat to new .dat file");
    expect_error(std::string("\xDD\x01", 2) + std::string(40, '\0'), "Invalid .fmt file");
    expect_error("X-not-a-matrix-file", "Invalid .fmt or .dat file");
    expect_error("", "Invalid .fmt or .dat file");

    // A text header that asks for far more than the file holds is refused
    // before anything is allocated.
    for (const char* header : {"2000000000 2000000000\n1 2 3\n", "11111111111111111111112 +111111110 5\n"}) {
        write_file(path("huge.mat"), header);
        Result r;
        clear();
        load(r, path("huge.mat"));
        EXPECT_EQ(kv::type_of(r.v), kv::T_Int) << header;
        EXPECT_EQ(first_run_message(), "load matrix: not enough matrix elements");
    }
}

TEST_F(MatrixFiles, FailedSaveKeepsThePreviousFile) {
    ASSERT_EQ(save(path("keep.mat"), kj::test::matrix(1, 2, {1, 2})), 1);
    const std::string before = read_file(path("keep.mat"));

    // A write that runs out of room (a file-size limit stands in for a full disk).
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const int text_saved = save(path("keep.mat"), kj::test::matrix(100, 100));
    const int fmt_saved = save(path("keep.mat.fmt"), kj::test::matrix(100, 100));
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(text_saved, 0);
    EXPECT_EQ(fmt_saved, 0);
    EXPECT_EQ(read_file(path("keep.mat")), before);
    EXPECT_FALSE(std::filesystem::exists(path("keep.mat.fmt")));
    // No temporary file is left behind.
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(path(""))) entries += e.is_regular_file();
    EXPECT_EQ(entries, 1);

    // A path through a file cannot be created: a warning and result 0.
    clear();
    EXPECT_EQ(save(path("keep.mat/inner.mat"), kj::test::matrix(1, 1, {3})), 0);
    EXPECT_EQ(read_file(path("keep.mat")), before);
    ASSERT_FALSE(run_messages().empty());
    EXPECT_EQ(run_messages()[0], "Warning: savemat: cannot open file: \"" + path("keep.mat/inner.mat") + "\"");
}

TEST(MatrixFileReaders, NumberReaderTokens) {
    struct Case {
        const char* text;
        io::NumberRead kind;
        double value;
        std::size_t consumed;
    };
    const Case cases[] = {
        {"  12.5e1 x", io::NumberRead::Number, 125, 8},  {" , -3", io::NumberRead::Number, -3, 5},
        {"+4", io::NumberRead::Number, 4, 2},           {".", io::NumberRead::Number, kNaN, 1},
        {".5", io::NumberRead::Number, 0.5, 2},         {"abc 1\n2", io::NumberRead::None, 0, 6},
        {"   ", io::NumberRead::End, 0, 3},             {"1e999", io::NumberRead::Number, kInf, 5},
        {"-1e-999", io::NumberRead::Number, -0.0, 7},   {"--1\n", io::NumberRead::None, 0, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const char* p = c.text;
        double x = 0;
        EXPECT_EQ(io::read_number(p, c.text + std::strlen(c.text), x), c.kind);
        EXPECT_EQ(static_cast<std::size_t>(p - c.text), c.consumed);
        if (c.kind == io::NumberRead::Number) {
            EXPECT_TRUE(same_bits(x, c.value));
        }
    }
}

}  // namespace
