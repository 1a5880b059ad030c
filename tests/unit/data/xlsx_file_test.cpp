#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "data/data_set_formats.h"
#include "data/xlsx_file.h"
#include "data/zip_writer.h"
#include "cell_text.h"
#include "data_files_fixture.h"

namespace kd = kj::data;

namespace {
constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();
const std::string k_fixtures = std::string(KJ_SOURCE_DIR) + "/tests/fixtures/data/";

bool same(double a, double b) { return std::isnan(a) ? std::isnan(b) : a == b; }

using kj::test::show;

class XlsxFile : public kj::test::DataFilesTest {};
}  // namespace

TEST_F(XlsxFile, ReadsAWorkbookMadeElsewhere) {
    kd::Sheet sheet;
    std::vector<std::string> names;
    ASSERT_EQ(kd::read_xlsx(k_fixtures + "python_zipfile.xlsx", 0, "", sheet, names), kd::SheetRead::Ok) << messages();
    EXPECT_EQ(names, (std::vector<std::string>{"First", "Data 2"}));
    ASSERT_EQ(sheet.rows.size(), 5u);
    using V = std::vector<std::string>;
    EXPECT_EQ(show(sheet.rows[0]), (V{"t:name", "t:growth ", "t:when", "t:flag"}));
    // 36526 with built-in date format 14 is 2000-01-01, day 2451545; a
    // custom format whose letters are quoted or bracketed is no date.
    EXPECT_EQ(show(sheet.rows[1]), (V{"t:caf\xC3\xA9", "2.500000", "d:2451545.000000", "1.000000"}));
    // 43890.75 under "d/m/yyyy h:mm" is 2020-02-29 18:00; an error cell is used, without a value.
    EXPECT_EQ(show(sheet.rows[2]), (V{"-0.001000", "error", "d:2458909.750000", "0.000000"}));
    EXPECT_TRUE(sheet.rows[3].empty());
    EXPECT_EQ(show(sheet.rows[4]), (V{"7.000000", "8.000000", "-", "8.000000"}));

    ASSERT_EQ(kd::read_xlsx(k_fixtures + "python_zipfile.xlsx", 0, "Data 2", sheet, names), kd::SheetRead::Ok);
    ASSERT_EQ(sheet.rows.size(), 2u);
    EXPECT_EQ(show(sheet.rows[1]), (V{"-", "42.000000"}));
    EXPECT_EQ(kd::read_xlsx(k_fixtures + "python_zipfile.xlsx", 2, "", sheet, names), kd::SheetRead::NoSuchSheet);
    EXPECT_EQ(messages(), "");

    // As a data set: names from the first row, dates as a date variable.
    kd::DataSet ds;
    ASSERT_TRUE(kd::load_data_set(k_fixtures + "python_zipfile.xlsx", kd::DataFormat::Xlsx, ds));
    ASSERT_EQ(ds.variables.size(), 4u);
    EXPECT_EQ(ds.variables[1].name, "growth ");
    EXPECT_EQ(ds.variables[2].kind, kd::VariableKind::Date);
    const std::vector<double> when = {2451545, 2458909.75, k_nan, k_nan};
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(same(ds.variables[2].values[i], when[i])) << i;
}

TEST_F(XlsxFile, ReadsAWorkbookWrittenByPandas) {
    // pandas (through openpyxl): inline strings, an empty inline string for
    // the missing value, dates with a date-time format (day numbers from
    // Python's date.toordinal() + 1721425).
    kd::Sheet sheet;
    std::vector<std::string> names;
    ASSERT_EQ(kd::read_xlsx(k_fixtures + "pandas_text.xlsx", 0, "", sheet, names), kd::SheetRead::Ok) << messages();
    EXPECT_EQ(names, std::vector<std::string>{"Cities"});
    using V = std::vector<std::string>;
    ASSERT_EQ(sheet.rows.size(), 5u);
    EXPECT_EQ(show(sheet.rows[0]), (V{"t:city", "t:pop", "t:since"}));
    EXPECT_EQ(show(sheet.rows[1]), (V{"t:Oslo", "0.709000", "d:2415080.000000"}));
    EXPECT_EQ(show(sheet.rows[2]), (V{"t:Bergen", "0.285000", "d:2440588.000000"}));
    EXPECT_EQ(show(sheet.rows[3]), (V{"t:Troms\xC3\xB8", "-", "d:2451544.000000"}));
    EXPECT_EQ(show(sheet.rows[4]), (V{"t:<&>", "0.000000", "d:2451604.750000"}));
    EXPECT_EQ(sheet.rows[4][1].number, 1e-300);

    kd::DataSet ds;
    ASSERT_TRUE(kd::load_data_set(k_fixtures + "pandas_text.xlsx", kd::DataFormat::Xlsx, ds));
    EXPECT_EQ(messages(), "Warning: Text read as missing values: \"city\" (text column)\n");
    ASSERT_EQ(ds.variables.size(), 3u);
    EXPECT_EQ(ds.variables[2].kind, kd::VariableKind::Date);
    EXPECT_EQ(ds.variables[1].values[0], 0.709);
    EXPECT_TRUE(std::isnan(ds.variables[1].values[2]));
}

TEST_F(XlsxFile, WorkbooksTooLargeAreRefusedAndLongTextsCut) {
    kd::Sheet wide;
    wide.rows.resize(1);
    wide.rows[0].resize(kd::k_max_sheet_columns + 1);
    wide.rows[0].back() = kd::Cell{kd::Cell::Kind::Number, 1, ""};
    EXPECT_FALSE(kd::save_sheet(path("wide.xlsx"), kd::DataFormat::Xlsx, wide));
    EXPECT_EQ(messages(), "Error: Too many rows or columns for a workbook (at most 1048576 x 16384): " +
                              path("wide.xlsx") + "\n");
    messages().clear();

    // 40000 two-byte characters: cut after 32767 of them, between characters.
    kd::Sheet text;
    std::string long_text;
    for (int i = 0; i < 40000; ++i) long_text += "\xC3\xA9";
    text.rows = {{kd::Cell{kd::Cell::Kind::Text, 0, long_text}, kd::Cell{kd::Cell::Kind::Text, 0, "short"}}};
    ASSERT_TRUE(kd::save_sheet(path("long.xlsx"), kd::DataFormat::Xlsx, text));
    EXPECT_EQ(messages(), "Warning: Text cut to 32767 characters in 1 cell of " + path("long.xlsx") + "\n");
    kd::Sheet back;
    std::vector<std::string> names;
    ASSERT_EQ(kd::read_xlsx(path("long.xlsx"), 0, "", back, names), kd::SheetRead::Ok);
    EXPECT_EQ(back.rows[0][0].text, long_text.substr(0, 2 * 32767));
    EXPECT_EQ(back.rows[0][1].text, "short");
}

TEST_F(XlsxFile, RoundTripOfDataSetsAndSheets) {
    kd::DataSet ds;
    ds.sample = kd::Sample::undated(3);
    ds.add_variable("x <&> \"y\"").values = {1e308, k_nan, -4.9e-324};
    kd::Variable& d = ds.add_variable("day");
    d.values = {2451545, 2415020, 2458909.5};  // 1900-01-01 comes before the false leap day
    d.kind = kd::VariableKind::Date;
    ASSERT_TRUE(kd::save_data_set(path("r.xlsx"), kd::DataFormat::Xlsx, ds));
    kd::DataSet back;
    ASSERT_TRUE(kd::load_data_set(path("r.xlsx"), kd::DataFormat::Xlsx, back)) << messages();
    ASSERT_EQ(back.variables.size(), 2u);
    EXPECT_EQ(back.variables[0].name, "x <&> \"y\"");
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 3; ++i) EXPECT_TRUE(same(back.variables[j].values[i], ds.variables[j].values[i]));
    EXPECT_EQ(back.variables[1].kind, kd::VariableKind::Date);

    kd::Sheet sheet;
    sheet.name = "a/b:c";
    sheet.rows.resize(2);
    sheet.rows[1].resize(30);  // reaches column AD
    sheet.rows[1][29].kind = kd::Cell::Kind::Text;
    sheet.rows[1][29].text = " spaced\ttext ";
    ASSERT_TRUE(kd::save_sheet(path("s.xlsm"), kd::DataFormat::Xlsx, sheet));
    std::vector<std::string> names;
    kd::Sheet again;
    ASSERT_EQ(kd::read_xlsx(path("s.xlsm"), 0, "", again, names), kd::SheetRead::Ok);
    EXPECT_EQ(names, std::vector<std::string>{"a_b_c"});
    ASSERT_EQ(again.rows.size(), 2u);
    ASSERT_EQ(again.rows[1].size(), 30u);
    EXPECT_EQ(again.rows[1][29].text, " spaced\ttext ");
}

TEST_F(XlsxFile, ErrorCellsAreMissingAndInfinitiesComeBack) {
    // Error cells (trailing, leading, alone in a row) keep the row to its last used cell.
    const kd::WorkbookContext context{{"name", "+.Inf"}, {false, true}, false};
    kd::Sheet sheet;
    ASSERT_EQ(kd::parse_worksheet(
                  "<worksheet><sheetData>"
                  "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"str\"><v>b</v></c></row>"
                  "<row r=\"2\"><c r=\"A2\"><v>1</v></c><c r=\"B2\" t=\"e\"><v>#DIV/0!</v></c></row>"
                  "<row r=\"3\"><c r=\"A3\" t=\"e\"><v>#N/A</v></c><c r=\"B3\" s=\"1\"><v>36526</v></c></row>"
                  "<row r=\"4\"><c r=\"C4\" t=\"e\"><f>1/0</f><v>#DIV/0!</v></c></row>"
                  "<row r=\"5\"><c r=\"A5\" t=\"s\"><v>1</v></c><c r=\"C5\" t=\"inlineStr\"><is><t> -.Inf</t></is></c>"
                  "<c r=\"D5\" t=\"str\"><v>.Inf</v></c><c r=\"E5\" t=\"str\"><v>-Inf</v></c></row>"
                  "</sheetData></worksheet>",
                  context, sheet),
              "");
    using V = std::vector<std::string>;
    ASSERT_EQ(sheet.rows.size(), 5u);
    EXPECT_EQ(show(sheet.rows[1]), (V{"1.000000", "error"}));
    EXPECT_EQ(show(sheet.rows[2]), (V{"error", "d:2451545.000000"}));
    EXPECT_EQ(show(sheet.rows[3]), (V{"-", "-", "error"}));
    EXPECT_EQ(show(sheet.rows[4]), (V{"inf", "-", "-inf", "inf", "t:-Inf"}));
    // As a data set the error cells are missing, and a column of dates with
    // an error among them stays a date variable.
    const kd::DataSet ds = kd::data_set_of_sheet(sheet);
    EXPECT_EQ(messages(), "Warning: Text read as missing values: \"Var5\" (text column)\n");
    messages().clear();
    ASSERT_EQ(ds.variables.size(), 5u);
    EXPECT_EQ(ds.variables[1].kind, kd::VariableKind::Date);
    const double a[] = {1, k_nan, k_nan, HUGE_VAL}, b[] = {k_nan, 2451545, k_nan, k_nan};
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(same(ds.variables[0].values[i], a[i])) << i;
        EXPECT_TRUE(same(ds.variables[1].values[i], b[i])) << i;
    }

    // Infinities written to a workbook come back, as numbers and as dates.
    kd::DataSet inf;
    inf.sample = kd::Sample::undated(3);
    inf.add_variable("x").values = {HUGE_VAL, -HUGE_VAL, 1};
    kd::Variable& d = inf.add_variable("d");
    d.values = {2451545, HUGE_VAL, k_nan};
    d.kind = kd::VariableKind::Date;
    ASSERT_TRUE(kd::save_data_set(path("inf.xlsx"), kd::DataFormat::Xlsx, inf));
    kd::DataSet back;
    ASSERT_TRUE(kd::load_data_set(path("inf.xlsx"), kd::DataFormat::Xlsx, back)) << messages();
    ASSERT_EQ(back.variables.size(), 2u);
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 3; ++i) EXPECT_TRUE(same(back.variables[j].values[i], inf.variables[j].values[i])) << j << i;
    EXPECT_EQ(messages(), "");
}

TEST_F(XlsxFile, DamagedWorkbooksFailCleanly) {
    const kd::WorkbookContext context{{"only"}, {false}, false};
    const struct {
        const char* xml;
        const char* error;
    } cases[] = {
        {"<worksheet><sheetData><row><c r=\"XFE1\"><v>1</v></c></row></sheetData></worksheet>",
         "cell reference out of range: XFE1"},
        {"<worksheet><sheetData><row><c r=\"A1048577\"><v>1</v></c></row></sheetData></worksheet>",
         "cell reference out of range: A1048577"},
        {"<worksheet><sheetData><row r=\"99999999999\"/></sheetData></worksheet>",
         "row number out of range: 99999999999"},
        {"<worksheet><sheetData><row><c t=\"inlineStr\"><is><t>\xff\xfe</t></is></c></row></sheetData></worksheet>",
         "not well-formed (invalid token) at line 1"},
        {"<worksheet><sheetData><row><c", "unclosed token at line 1"},
    };
    for (const auto& c : cases) {
        kd::Sheet sheet;
        EXPECT_EQ(kd::parse_worksheet(c.xml, context, sheet), c.error) << c.xml;
    }
    // A shared-string index past the table is an empty cell, not a crash.
    kd::Sheet sheet;
    EXPECT_EQ(kd::parse_worksheet("<worksheet><row><c t=\"s\"><v>5</v></c><c t=\"s\"><v>0</v></c></row></worksheet>",
                                  context, sheet),
              "");
    ASSERT_EQ(sheet.rows.size(), 1u);
    EXPECT_EQ(show(sheet.rows[0]), (std::vector<std::string>{"-", "t:only"}));

    // Files: not a zip, a truncated archive, an archive without a workbook.
    kd::ZipWriter zip;
    zip.add("other.txt", "x");
    const std::string no_workbook = zip.finish();
    std::string good;
    {
        kd::Sheet one;
        one.rows = {{kd::Cell{kd::Cell::Kind::Number, 1, ""}}};
        good = kd::xlsx_bytes(one);
    }
    const struct {
        std::string bytes;
        std::string message;
    } files[] = {
        {"plain text", "Error: Not a valid workbook: " + path("f.xlsx") + "\n"},
        {good.substr(0, good.size() / 2), "Error: Not a valid workbook: " + path("f.xlsx") + "\n"},
        {no_workbook,
         "Error: Not a valid workbook: " + path("f.xlsx") + " (no member \"xl/workbook.xml\" in \"" + path("f.xlsx") + "\")\n"},
    };
    for (const auto& f : files) {
        messages().clear();
        write("f.xlsx", f.bytes);
        kd::DataSet ds;
        EXPECT_FALSE(kd::load_data_set(path("f.xlsx"), kd::DataFormat::Xlsx, ds));
        EXPECT_EQ(messages(), f.message);
    }
    // The binary workbook reader refuses the same bytes in its own words.
    messages().clear();
    write("f.xls", good);
    std::vector<std::string> names;
    EXPECT_FALSE(kd::load_sheet(path("f.xls"), kd::DataFormat::Xls, 0, "", sheet, names));
    EXPECT_EQ(messages(), "Error: Not a valid workbook: " + path("f.xls") + "\n");
}

TEST(SpreadsheetDays, SerialNumbersAroundTheFalseLeapDay) {
    // Serial 1 is 1900-01-01 (day 2415021), serial 59 is 1900-02-28, serial
    // 61 is 1900-03-01 (day 2415080); the 1904 system starts at 1904-01-01.
    EXPECT_EQ(kd::calendar_day_of_serial(1, false), 2415021);
    EXPECT_EQ(kd::calendar_day_of_serial(59, false), 2415079);
    EXPECT_EQ(kd::calendar_day_of_serial(61, false), 2415080);
    EXPECT_EQ(kd::calendar_day_of_serial(0, true), 2416481);
    EXPECT_EQ(kd::serial_of_calendar_day(2415080), 61);
    EXPECT_EQ(kd::serial_of_calendar_day(2415021), 1);
}
