#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <regex>

#include "data/data_set_formats.h"
#include "data/in7_file.h"
#include "data_files_fixture.h"

namespace kd = kj::data;

namespace {
constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();

std::string doubles(std::initializer_list<double> xs) {
    std::string out;
    for (double x : xs) out.append(reinterpret_cast<const char*>(&x), 8);
    return out;
}

class In7File : public kj::test::DataFilesTest {};
}  // namespace

TEST_F(In7File, WritesDescriptionAndDataLayout) {
    kd::DataSet ds;
    ds.description = "Quarterly test\nsecond line";
    ds.sample = {1990, 3, 1991, 1, 4};  // three observations
    ds.groups = {"macro data"};
    kd::Variable& a = ds.add_variable("a b");
    a.values = {1, k_nan, 3};
    a.description = "with space";
    kd::Variable& b = ds.add_variable("quote\"in");
    b.values = {4, 5, 6};
    b.kind = kd::VariableKind::Choice;
    b.labels = {"low", "", "high"};
    b.group = 5;  // no such group: the file's name
    kd::Variable& c = ds.add_variable("averyveryverylongname");
    c.values = {7, 8, 9};
    c.kind = kd::VariableKind::Date;
    c.flags |= kd::Variable::k_marked;
    kd::Variable& skipped = ds.add_variable("skipped");
    skipped.values = {0, 0, 0};
    skipped.flags = 0;
    ASSERT_TRUE(kd::write_in7(ds, path("q"), false, false)) << messages();

    const std::string text = read("q.in7");
    const std::string stamp = R"( \d\d-\d\d-\d{4} \d\d:\d\d:\d\d)";
    const std::regex layout(
        "tavrel 700\ndata q.bn7\n;Quarterly test\n;second line\n"
        ">\"a b\" 1990  3 1991  1  4 32   macro_data" + stamp + "\n;with space\n"
        ">quote_in     1990  3 1991  1  4 88            q" + stamp + " choice\\[3\\]\n\\|low\\|\\|high\n"
        "-averyveryverylongname 1990  3 1991  1  4 144   macro_data" + stamp + " date\n");
    EXPECT_TRUE(std::regex_match(text, layout)) << text;

    const std::string bytes = read("q.bn7");
    ASSERT_EQ(bytes.size(), 3u * (32 + 24));
    EXPECT_EQ(bytes.substr(0, 8), std::string("\xca\xbc\xf8\x0b\x7e\xdb\x51\x55", 8));
    EXPECT_EQ(bytes.substr(8, 4), std::string("\x03\x00\x00\x00", 4));
    EXPECT_EQ(bytes.substr(12, 12), std::string("a b\0\0\0\0\0\0\0\0\0", 12));
    EXPECT_EQ(bytes.substr(24, 8), std::string("\x04\x00\x03\x00\xc6\x07\x00\x00", 8));
    EXPECT_EQ(bytes.substr(32, 24), doubles({1, k_nan, 3}));
    EXPECT_EQ(bytes.substr(112 + 12, 12), "averyveryver");  // cut to 12 in the data file
}

TEST_F(In7File, ReadsVariablesOnOneAxis) {
    // Capital keywords, blank and text lines before "data", an unknown line,
    // a marked variable, a second "data" line and "end" among the variables.
    write("m.in7",
          "TAVREL 700\n\n;ignored\njunk\nDATA m.bn7\n;Set text\n;  two \xE9\n"
          ">first 1990 1 1990 4 4 32 grp 01-01-2000 10:00:00\n;desc of first\n"
          "-hidden 1990 1 1990 1 4 96 grp 01-01-2000 10:00:00\n"
          "data other.bn7\nend\n"
          ">\"late one\" 1990 3 1991 2 4 136 other 01-01-2000 10:00:00 choice[3]\n|a||c|dropped\n");
    write("m.bn7", std::string(32, 'x') + doubles({1, 2, 3, 4}) + std::string(32, 'x') +
                       doubles({-1}) + std::string(32, 'x') + doubles({5, 6, 7, 8}));
    kd::DataSet ds;
    ASSERT_TRUE(kd::read_in7(ds, path("m"), false)) << messages();
    EXPECT_EQ(ds.description, "Set text\n  two \xC3\xA9");  // 8-bit text taken as Latin-1
    const kd::Sample s = ds.sample;
    EXPECT_EQ((std::vector<int>{s.year1, s.period1, s.year2, s.period2, s.frequency}),
              (std::vector<int>{1990, 1, 1991, 2, 4}));
    ASSERT_EQ(ds.variables.size(), 2u);
    const kd::Variable& first = ds.variables[0];
    const kd::Variable& late = ds.variables[1];
    EXPECT_EQ(first.description, "desc of first");
    EXPECT_EQ(late.name, "late one");
    EXPECT_EQ(late.kind, kd::VariableKind::Choice);
    EXPECT_EQ(late.labels, (std::vector<std::string>{"a", "", "c"}));
    EXPECT_EQ(ds.groups, (std::vector<std::string>{"grp", "other"}));
    EXPECT_EQ(late.group, 1);
    const double expect_first[] = {1, 2, 3, 4, k_nan, k_nan};
    const double expect_late[] = {k_nan, k_nan, 5, 6, 7, 8};
    for (int i = 0; i < 6; ++i) {
        EXPECT_TRUE(std::isnan(expect_first[i]) ? std::isnan(first.values[i]) : first.values[i] == expect_first[i]);
        EXPECT_TRUE(std::isnan(expect_late[i]) ? std::isnan(late.values[i]) : late.values[i] == expect_late[i]);
    }
    EXPECT_EQ(messages(), "Warning: Unexpected line found\n");

    // With marked variables the hidden one joins, and a variable that starts
    // before the data set's first period is read from its overlap.
    ASSERT_TRUE(kd::read_in7(ds, path("m.in7"), true));
    ASSERT_EQ(ds.variables.size(), 3u);
    EXPECT_TRUE(ds.variables[1].flags & kd::Variable::k_marked);
    EXPECT_EQ(ds.variables[1].values[0], -1);
}

TEST_F(In7File, RoundTripKeepsEverything) {
    kd::DataSet ds;
    ds.sample = {2001, 1, 2001, 5, 12};
    const double values[][5] = {{1e308, -4.9e-324, k_nan, 0, -0.0},
                                {2451545, 2451546.5, k_nan, 2458909, 1},
                                {1, 2, 1, 3, k_nan}};
    for (int j = 0; j < 3; ++j) {
        kd::Variable& v = ds.add_variable(j == 1 ? "day" : "v" + std::to_string(j));
        v.values.assign(values[j], values[j] + 5);
        v.description = j == 0 ? "line one\nline two; with ;" : "";
    }
    ds.variables[1].kind = kd::VariableKind::Date;
    ds.variables[2].kind = kd::VariableKind::Choice;
    ds.variables[2].labels.assign(200, "label");  // long label lists span several lines
    ds.variables[2].labels[199] = "";
    ds.description = "A description";
    ASSERT_TRUE(kd::save_data_set(path("r.in7"), kd::DataFormat::In7, ds));

    kd::DataSet back;
    ASSERT_TRUE(kd::load_data_set(path("r.in7"), kd::DataFormat::In7, back)) << messages();
    EXPECT_EQ(back.description, "A description");
    EXPECT_EQ(back.sample.frequency, 12);
    EXPECT_EQ(back.sample.period2, 5);
    ASSERT_EQ(back.variables.size(), 3u);
    for (int j = 0; j < 3; ++j) {
        EXPECT_EQ(std::memcmp(back.variables[j].values.data(), values[j], sizeof values[j]), 0) << j;
        EXPECT_EQ(back.variables[j].kind, ds.variables[j].kind);
        EXPECT_EQ(back.variables[j].description, ds.variables[j].description);
    }
    EXPECT_EQ(back.variables[2].labels, ds.variables[2].labels);
    EXPECT_EQ(messages(), "");

    // Appending adds variables to the pair; a backup keeps the previous one.
    kd::DataSet more;
    more.sample = ds.sample;
    more.add_variable("extra").values = {5, 4, 3, 2, 1};
    ASSERT_TRUE(kd::save_data_set(path("r.in7"), kd::DataFormat::In7, more, kd::k_append));
    ASSERT_TRUE(kd::load_data_set(path("r.in7"), kd::DataFormat::In7, back));
    ASSERT_EQ(back.variables.size(), 4u);
    EXPECT_EQ(back.variables[3].values, (std::vector<double>{5, 4, 3, 2, 1}));
    ASSERT_TRUE(kd::save_data_set(path("r.in7"), kd::DataFormat::In7, more, kd::k_backup));
    EXPECT_NE(read("r.in7.bak").find(">extra"), std::string::npos);
    EXPECT_NE(read("r.bn7.bak").size(), 0u);
    ASSERT_TRUE(kd::load_data_set(path("r.in7"), kd::DataFormat::In7, back));
    EXPECT_EQ(back.variables.size(), 1u);

    // Variables without observations, and a data set without variables.
    kd::DataSet empty;
    empty.sample = {1, 1, 0, 1, 1};
    empty.add_variable("a");
    empty.add_variable("b");
    ASSERT_TRUE(kd::save_data_set(path("e.in7"), kd::DataFormat::In7, empty));
    ASSERT_TRUE(kd::load_data_set(path("e.in7"), kd::DataFormat::In7, back));
    ASSERT_EQ(back.variables.size(), 2u);
    EXPECT_EQ(back.variables[1].name, "b");
    EXPECT_EQ(back.sample.observations(), 0);
    empty.variables.clear();
    ASSERT_TRUE(kd::save_data_set(path("e.in7"), kd::DataFormat::In7, empty));
    ASSERT_TRUE(kd::load_data_set(path("e.in7"), kd::DataFormat::In7, back));
    EXPECT_TRUE(back.variables.empty());
    EXPECT_EQ(messages(), "");
}

TEST_F(In7File, DamagedFilesGiveTheirMessages) {
    const struct {
        const char* in7;
        std::string bn7;
        bool ok;
        const char* message;
    } cases[] = {
        {"version 700\n", "", false, "Error: This is not a valid .IN7 file\n"},
        {"tavrel 700\n;text\n>x 1 1 1 1 1 32\n", "", false, "Error: Data description not found\n"},
        {"tavrel 700\n;only text\n", "", false, "Error: Data description not found\n"},
        {"tavrel 700\ndata d.bn7\n>x 1 1 3 1 1 32\n", std::string(32, 0) + doubles({1}), true,
         "Warning: Unexpected end-of-file while reading x\n"},
        {"tavrel 700\ndata d.bn7\n>x 1 1 1 1 1 900\n", std::string(40, 0), false,
         "Error: Start of variable not found: x\n"},
        {"tavrel 700\ndata d.bn7\n>x 1 1 2000000000 1 1 32\n", std::string(40, 0), false,
         "Error: Sample too large to read\n"},
        {"tavrel 700\ndata d.bn7\n>x 1 1 1 1 0 32\n>\"unterminated 1 1 1 1 1\n>noblank\n", "", true,
         "Warning: Sample or frequency does not fit, variable skipped: x\n"},
        // Fields that place the data missing or unreadable, a last line cut off
        // (no line feed) inside its name or its numbers: no data is guessed.
        {"tavrel 700\ndata d.bn7\n>x 1 1 three 1 1 32\n", std::string(32, 0) + doubles({1}), false,
         "Error: Damaged description of variable: x\n"},
        {"tavrel 700\ndata d.bn7\n>x 1 1 1 1\n", std::string(32, 0) + doubles({1}), false,
         "Error: Damaged description of variable: x\n"},
        {"tavrel 700\ndata d.bn7\n>x 1 1 1 1 1 32\n>y 1 1 1", std::string(32, 0) + doubles({1}), false,
         "Error: Damaged description of variable: y\n"},
        {"tavrel 700\ndata d.bn7\n>x 1 1 1 1 1 32\n>y 1 1 1 1 1 8", std::string(32, 0) + doubles({1}), false,
         "Error: Damaged description of variable: y\n"},
        {"tavrel 700\ndata d.bn7\n>x 1 1 1 1 1 32\n>yva", std::string(32, 0) + doubles({1}), false,
         "Error: Damaged description of variable: yva\n"},
        {"tavrel 700\ndata d.bn7\n>\"two wo", "", false, "Error: Damaged description of variable: two wo\n"},
        // An offset that cannot be the end of a block header.
        {"tavrel 700\ndata d.bn7\n>x 1 1 1 1 1 0\n", std::string(32, 0) + doubles({1}), false,
         "Error: Start of variable not found: x\n"},
        {"tavrel 700\ndata d.bn7\n>x 1 1 1 1 1 36\n", std::string(32, 0) + doubles({1, 2}), false,
         "Error: Start of variable not found: x\n"},
    };
    for (const auto& c : cases) {
        messages().clear();
        write("d.in7", c.in7);
        write("d.bn7", c.bn7);
        kd::DataSet ds;
        EXPECT_EQ(kd::read_in7(ds, path("d.in7"), false), c.ok) << c.in7;
        EXPECT_EQ(messages(), c.message) << c.in7;
    }
    messages().clear();
    write("long.in7", "tavrel 700\ndata long.bn7\n;" + std::string(600, 'z') + "\n");
    kd::DataSet ds;
    ds.data_path = path("long.bn7");
    EXPECT_TRUE(kd::parse_in7_description(ds, read("long.in7"), true, false));
    EXPECT_EQ(messages(), "Warning: Line too long, rest of line skipped\n");
    EXPECT_EQ(ds.description.size(), 510u);

    messages().clear();
    EXPECT_FALSE(kd::read_in7(ds, path("absent"), false));
    EXPECT_EQ(messages(), "Error: Cannot open " + path("absent.in7") + "\n");
}

TEST_F(In7File, DescriptionCutOffAnywhereInAVariableLineNeverInventsData) {
    kd::DataSet ds;
    ds.sample = {2000, 1, 2002, 1, 1};
    ds.add_variable("first").values = {1, 2, 3};
    ds.add_variable("second").values = {4, 5, 6};
    ASSERT_TRUE(kd::save_data_set(path("c.in7"), kd::DataFormat::In7, ds));
    const std::string text = read("c.in7");
    const std::size_t line = text.find(">second");
    ASSERT_NE(line, std::string::npos);
    // Cut at every position of the last line: the load fails naming the
    // variable, or (once the offset is complete) reads the right values.
    for (std::size_t cut = line + 2; cut < text.size(); ++cut) {
        SCOPED_TRACE(text.substr(line, cut - line));
        messages().clear();
        write("c.in7", text.substr(0, cut));
        kd::DataSet back;
        if (kd::load_data_set(path("c.in7"), kd::DataFormat::In7, back)) {
            EXPECT_EQ(messages(), "");
            ASSERT_EQ(back.variables.size(), 2u);
            EXPECT_EQ(back.variables[1].values, (std::vector<double>{4, 5, 6}));
        } else {
            EXPECT_EQ(messages(), "Error: Damaged description of variable: " +
                                      std::string(cut < line + 8 ? text.substr(line + 1, cut - line - 1) : "second") +
                                      "\n");
        }
    }
}
