#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "data/data_set_formats.h"
#include "data/delimited_file.h"
#include "data/in7_file.h"
#include "cell_text.h"
#include "data_files_fixture.h"

namespace kd = kj::data;

namespace {
constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();
constexpr double k_inf = std::numeric_limits<double>::infinity();

bool same(double a, double b) { return std::isnan(a) ? std::isnan(b) : a == b && std::signbit(a) == std::signbit(b); }

std::vector<std::string> names_of(const kd::DataSet& ds) {
    std::vector<std::string> names;
    for (const auto& v : ds.variables) names.push_back(v.name);
    return names;
}

std::string read_text(const std::string& file) {
    std::string bytes;
    kd::read_whole_file(file, bytes);
    return bytes;
}

class DelimitedFile : public kj::test::DataFilesTest {};
}  // namespace

TEST_F(DelimitedFile, FieldsQuotesAndMissingValues) {
    // A byte-order mark, quoted names with a delimiter, a doubled quote and a
    // line break, CRLF endings, blank lines, the missing spellings, a short
    // row and a long one (padded, and named by their lines).
    const std::string text =
        "\xEF\xBB\xBF\"a,1\",\"say \"\"hi\"\"\",\"two\nlines\"\r\n"
        "1.5,-2e-3,NA\r\n\r\n"
        " 3 ,.,NaN\n"
        ",1e400\n"
        "7,8,9,10\n";
    kd::DataSet ds;
    ASSERT_TRUE(kd::read_delimited_data_set(text, ',', ds));
    EXPECT_EQ(names_of(ds), (std::vector<std::string>{"a,1", "say \"hi\"", "two\nlines", "Var4"}));
    ASSERT_EQ(ds.sample.observations(), 4);
    const double expect[4][4] = {
        {1.5, -0.002, k_nan, k_nan}, {3, k_nan, k_nan, k_nan}, {k_nan, k_inf, k_nan, k_nan}, {7, 8, 9, 10}};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_TRUE(same(ds.variables[j].values[i], expect[i][j])) << i << "," << j;
    EXPECT_EQ(messages(),
              "Warning: Rows of different lengths padded with missing values: line 6 has 2 fields, line 1 has 3 "
              "(2 lines differ)\n");
}

TEST_F(DelimitedFile, UnterminatedQuotesAndRaggedRowsAreReported) {
    const struct {
        const char* text;
        std::vector<std::vector<double>> columns;  // the data set read
        const char* messages;
    } cases[] = {
        // The quote opened in line 3 is never closed: its field ends with the
        // line, and the rows after it are still read.
        {"a,b\n1,2\n3,\"4\n5,6\n7,8\n", {{1, 3, 5, 7}, {2, 4, 6, 8}},
         "Warning: Unterminated quote in line 3, field read to the end of the line\n"},
        // A closed quote over two lines counts both; the unclosed one is on line 4.
        {"a,b\n\"x\ny\",2\n3,\"\"\"4\n", {{k_nan, 3}, {2, k_nan}},
         "Warning: Unterminated quote in line 4, field read to the end of the line\n"
         "Warning: Text read as missing values: \"a\" (1 cell), \"b\" (1 cell)\n"},
        // One short row.
        {"a,b,c\n1,2,3\n\n4,5\n6,7,8\n", {{1, 4, 6}, {2, 5, 7}, {3, k_nan, 8}},
         "Warning: Rows of different lengths padded with missing values: line 4 has 2 fields, line 1 has 3\n"},
        // Rows longer than the first, without a header.
        {"1\n2,3\n4,5\n", {{1, 2, 4}, {k_nan, 3, 5}},
         "Warning: Rows of different lengths padded with missing values: line 2 has 2 fields, line 1 has 1 "
         "(2 lines differ)\n"},
        // Rows of equal length, quotes closed: nothing to say.
        {"\"a\",b\n\"1\",2\n", {{1}, {2}}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        messages().clear();
        kd::DataSet ds;
        ASSERT_TRUE(kd::read_delimited_data_set(c.text, ',', ds));
        ASSERT_EQ(ds.variables.size(), c.columns.size());
        for (std::size_t j = 0; j < c.columns.size(); ++j) {
            ASSERT_EQ(ds.variables[j].values.size(), c.columns[j].size());
            for (std::size_t i = 0; i < c.columns[j].size(); ++i)
                EXPECT_TRUE(same(ds.variables[j].values[i], c.columns[j][i])) << i << "," << j;
        }
        EXPECT_EQ(messages(), c.messages);
    }

    // A sheet keeps each row as it is: only the quote is reported.
    messages().clear();
    kd::Sheet sheet;
    ASSERT_TRUE(kd::read_delimited_sheet("a,b\n1,\"x,y\n2,3\n", ',', sheet));
    ASSERT_EQ(sheet.rows.size(), 3u);
    EXPECT_EQ(sheet.rows[1][1].text, "x");
    EXPECT_EQ(sheet.rows[2][1].number, 3);
    EXPECT_EQ(messages(), "Warning: Unterminated quote in line 2, field read to the end of the line\n");
}

TEST_F(DelimitedFile, FilesThatAreNotTextAreRefused) {
    // Random bytes (a fixed draw), and text with a NUL in its third line.
    std::string noise(4096, '\0');
    std::uint32_t state = 12345;
    for (char& b : noise) b = static_cast<char>((state = state * 1664525u + 1013904223u) >> 24);
    write("noise.csv", noise);
    write("nul.csv", std::string("a,b\n1,2\n3,\0\n", 12));
    kd::DataSet ds;
    kd::Sheet sheet;
    std::vector<std::string> names;
    for (const char* name : {"noise.csv", "nul.csv"}) {
        messages().clear();
        EXPECT_FALSE(kd::load_data_set(path(name), kd::DataFormat::Csv, ds)) << name;
        EXPECT_FALSE(kd::load_sheet(path(name), kd::DataFormat::Csv, 0, "", sheet, names)) << name;
        const std::string line = name == std::string("nul.csv") ? "3" : "1";
        const std::string error = "Error: Not a text file: " + path(name) + " (control character in line " + line + ")\n";
        EXPECT_EQ(messages(), error + error);
    }
    // Tabs, carriage returns and a final Ctrl-Z (which ends the text) are text.
    write("soft.tsv", "a\tb\r\n1\t2\r\n\x1A");
    messages().clear();
    ASSERT_TRUE(kd::load_data_set(path("soft.tsv"), kd::DataFormat::Tsv, ds));
    EXPECT_EQ(names_of(ds), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(ds.sample.observations(), 1);
    EXPECT_EQ(messages(), "");
}

TEST(Delimited, HeaderDatesAndDelimiters) {
    // No text in the first row: it is data, and the columns are Var1, Var2.
    kd::DataSet ds;
    ASSERT_TRUE(kd::read_delimited_data_set("1;2\n3;4\n", ';', ds));
    EXPECT_EQ(names_of(ds), (std::vector<std::string>{"Var1", "Var2"}));
    EXPECT_EQ(ds.variables[1].values, (std::vector<double>{2, 4}));

    // ISO dates make a date variable holding day numbers (2000-01-01 is day
    // 2451545); a column mixing dates and numbers stays plain.
    kd::read_delimited_data_set("when\tmixed\n2000-01-01\t2020-02-29\n1999-12-31T12:00\t5\n", '\t', ds);
    EXPECT_EQ(ds.variables[0].kind, kd::VariableKind::Date);
    EXPECT_EQ(ds.variables[0].values, (std::vector<double>{2451545, 2451544.5}));
    EXPECT_EQ(ds.variables[1].kind, kd::VariableKind::Plain);
    EXPECT_EQ(ds.variables[1].values, (std::vector<double>{2458909, 5}));

    EXPECT_EQ(kd::delimiter_for("x.CSV", "a;b;c\n1;2;3"), ';');
    EXPECT_EQ(kd::delimiter_for("x.csv", "a;b,c\n"), ',');
    EXPECT_EQ(kd::delimiter_for("x.tsv", "a,b,c\n"), '\t');
    EXPECT_EQ(kd::delimiter_for("x.dsv", "a|b|c;d\n"), '|');

    // Names in Latin-1 arrive as UTF-8; text cells of data rows are missing.
    kd::read_delimited_data_set("caf\xE9,x\nabc,1\n", ',', ds);
    EXPECT_EQ(ds.variables[0].name, "caf\xC3\xA9");
    EXPECT_TRUE(std::isnan(ds.variables[0].values[0]));
}

TEST(Delimited, ClaimsBeyondTheCellLimitsFail) {
    // A wide first row followed by many short rows would need rows x columns
    // cells; a sheet row whose last cell lies far out needs all cells before it.
    const std::string wide = std::string(1 << 16, ',') + "\n" + std::string(std::size_t(1) << 13, '\n');
    std::string tall = wide;
    for (int i = 0; i < 5000; ++i) tall += "1\n";
    kd::DataSet ds;
    EXPECT_FALSE(kd::read_delimited_data_set(tall, ',', ds));
    EXPECT_TRUE(ds.variables.empty());
    std::string far;
    for (int i = 0; i < 300; ++i) far += std::string(1 << 16, ',') + "x\n";
    kd::Sheet sheet;
    EXPECT_FALSE(kd::read_delimited_sheet(far, ',', sheet));
    EXPECT_TRUE(sheet.rows.empty());
}

TEST(Delimited, SheetCells) {
    kd::Sheet sheet;
    ASSERT_TRUE(kd::read_delimited_sheet("name,1,,2000-01-02\n\n\"12\",x\n", ',', sheet));
    ASSERT_EQ(sheet.rows.size(), 3u);
    const auto& r0 = sheet.rows[0];
    ASSERT_EQ(r0.size(), 4u);
    EXPECT_EQ(r0[0].kind, kd::Cell::Kind::Text);
    EXPECT_EQ(r0[1].number, 1);
    EXPECT_EQ(r0[2].kind, kd::Cell::Kind::Empty);
    EXPECT_EQ(r0[3].kind, kd::Cell::Kind::Date);
    EXPECT_EQ(r0[3].number, 2451546);
    EXPECT_TRUE(sheet.rows[1].empty());
    EXPECT_EQ(sheet.rows[2][0].kind, kd::Cell::Kind::Text);  // quoted: stays text
    EXPECT_EQ(sheet.rows[2][0].text, "12");
    EXPECT_EQ(kd::write_delimited_sheet(sheet, ','), "name,1,,2000-01-02\n\n12,x\n");
}

TEST_F(DelimitedFile, RoundTripThroughFiles) {
    kd::DataSet ds;
    ds.sample = kd::Sample::undated(4);
    const std::vector<double> x = {1e308, 4.9e-324, k_nan, -k_inf};
    const std::vector<double> y = {0.1, -0.0, 1.0 / 3, 123456789012345678.0};
    const std::vector<double> day = {2451545, k_nan, 2451545.75, 2299160};
    ds.add_variable("x, with comma").values = x;
    ds.add_variable("y \"quoted\"").values = y;
    kd::Variable& d = ds.add_variable("day");
    d.values = day;
    d.kind = kd::VariableKind::Date;
    for (const char* name : {"r.csv", "r.tsv", "r.dsv"}) {
        ASSERT_TRUE(kd::save_data_set(path(name), kd::data_format_of(name), ds)) << messages();
        kd::DataSet back;
        ASSERT_TRUE(kd::load_data_set(path(name), kd::data_format_of(name), back));
        EXPECT_EQ(names_of(back), names_of(ds)) << name;
        ASSERT_EQ(back.sample.observations(), 4) << name;
        for (int j = 0; j < 3; ++j)
            for (int i = 0; i < 4; ++i) EXPECT_TRUE(same(back.variables[j].values[i], ds.variables[j].values[i])) << name;
        EXPECT_EQ(back.variables[2].kind, kd::VariableKind::Date);
    }
    const std::string head =
        "\"x, with comma\",\"y \"\"quoted\"\"\",\"day\"\n1e+308,0.1,2000-01-01\n5e-324,-0,\n,"
        "0.3333333333333333,2000-01-01T18:00\n";
    EXPECT_EQ(read("r.csv").substr(0, head.size()), head);

    // Empty data sets: names without observations, and nothing at all; a
    // single column of missing values keeps its rows.
    kd::DataSet empty;
    empty.sample = kd::Sample::undated(0);
    empty.add_variable("only");
    kd::DataSet back;
    ASSERT_TRUE(kd::save_data_set(path("e.csv"), kd::DataFormat::Csv, empty));
    ASSERT_TRUE(kd::load_data_set(path("e.csv"), kd::DataFormat::Csv, back));
    EXPECT_EQ(names_of(back), std::vector<std::string>{"only"});
    EXPECT_EQ(back.sample.observations(), 0);
    empty.variables.clear();
    ASSERT_TRUE(kd::save_data_set(path("e.csv"), kd::DataFormat::Csv, empty));
    ASSERT_TRUE(kd::load_data_set(path("e.csv"), kd::DataFormat::Csv, back));
    EXPECT_TRUE(back.variables.empty());
    kd::DataSet gaps;
    gaps.sample = kd::Sample::undated(2);
    gaps.add_variable("g").values = {k_nan, k_nan};
    ASSERT_TRUE(kd::save_data_set(path("g.csv"), kd::DataFormat::Csv, gaps));
    ASSERT_TRUE(kd::load_data_set(path("g.csv"), kd::DataFormat::Csv, back));
    EXPECT_EQ(back.sample.observations(), 2);

    // A save that cannot be written reports and leaves nothing behind.
    messages().clear();
    EXPECT_FALSE(kd::save_data_set(path("no/such/dir.csv"), kd::DataFormat::Csv, ds));
    EXPECT_NE(messages().find("Error: Cannot open"), std::string::npos) << messages();
}

TEST_F(DelimitedFile, ReadsRWriteCsv) {
    kd::DataSet ds;
    const std::string file = std::string(KJ_SOURCE_DIR) + "/tests/fixtures/data/r_write.csv";
    ASSERT_TRUE(kd::load_data_set(file, kd::DataFormat::Csv, ds));
    EXPECT_EQ(names_of(ds), (std::vector<std::string>{"id", "value", "when", "label"}));
    const double expect[3][4] = {{1, 1.5, 2451545, k_nan}, {2, k_nan, 2458909, k_nan}, {3, -2.25e-8, k_nan, k_nan}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_TRUE(same(ds.variables[j].values[i], expect[i][j])) << i << "," << j;
    EXPECT_EQ(ds.variables[2].kind, kd::VariableKind::Date);
    EXPECT_EQ(messages(), "Warning: Text read as missing values: \"label\" (text column)\n");
    kd::Sheet sheet;
    ASSERT_TRUE(kd::read_delimited_sheet(read_text(file), ',', sheet));
    EXPECT_EQ(sheet.rows[3][3].text, "say \"x\"");
}

TEST_F(DelimitedFile, TextAndDatesOfRWriteCsvAsSheetAndAsDataSet) {
    // Day numbers from Python's date.toordinal() + 1721425; times as the
    // fraction of the day.
    const std::string file = std::string(KJ_SOURCE_DIR) + "/tests/fixtures/data/r_text_dates.csv";
    kd::Sheet sheet;
    std::vector<std::string> sheets;
    ASSERT_TRUE(kd::load_sheet(file, kd::DataFormat::Csv, 0, "", sheet, sheets));
    using kj::test::show;
    using V = std::vector<std::string>;
    ASSERT_EQ(sheet.rows.size(), 5u);
    EXPECT_EQ(show(sheet.rows[0]), (V{"t:country", "t:code", "t:gdp", "t:day", "t:stamp"}));
    EXPECT_EQ(show(sheet.rows[1]), (V{"t:Norway", "t:NO", "150000.000000", "d:2451544.000000", "d:2451545.520833"}));
    EXPECT_EQ(show(sheet.rows[2]), (V{"t:Sweden", "t:SE", "-", "d:2451604.000000"}));
    EXPECT_EQ(show(sheet.rows[3]), (V{"t:Denmark, DK", "t:DK", "3.250000", "-", "d:2458909.000012"}));
    EXPECT_EQ(show(sheet.rows[4]), (V{"-", "t:FI", "-0.500000", "d:2460311.000000", "d:2440588.000000"}));
    EXPECT_EQ(sheet.rows[1][4].number, 2451545 + 12.5 / 24);
    EXPECT_EQ(sheet.rows[3][4].number, 2458909 + 1 / 86400.0);
    EXPECT_EQ(messages(), "");

    // As a data set the text columns are missing values, named once.
    kd::DataSet ds;
    ASSERT_TRUE(kd::load_data_set(file, kd::DataFormat::Csv, ds));
    EXPECT_EQ(messages(), "Warning: Text read as missing values: \"country\" (text column), \"code\" (text column)\n");
    ASSERT_EQ(ds.variables.size(), 5u);
    EXPECT_TRUE(std::isnan(ds.variables[0].values[0]) && std::isnan(ds.variables[1].values[3]));
    EXPECT_EQ(ds.variables[3].kind, kd::VariableKind::Date);
    EXPECT_EQ(ds.variables[4].kind, kd::VariableKind::Date);
    EXPECT_TRUE(same(ds.variables[2].values[1], k_nan));
    EXPECT_EQ(ds.variables[4].values[3], 2440588);

    // A column of numbers with a few words in it is named with their count.
    messages().clear();
    write("mixed.csv", "a,b\n1,x\nn/a,2\n3,4\n-,y\n");
    ASSERT_TRUE(kd::load_data_set(path("mixed.csv"), kd::DataFormat::Csv, ds));
    EXPECT_EQ(messages(), "Warning: Text read as missing values: \"a\" (2 cells), \"b\" (2 cells)\n");
}
