// Binary workbooks: cells holding error values and the stored results of
// formulas, from workbooks written record by record (make_xls.py), with the
// workbook stream in ordinary sectors and in the small-stream area; damaged
// containers and record streams.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "data/biff_records.h"
#include "data/compound_file.h"
#include "data/data_set_formats.h"
#include "data/in7_file.h"
#include "data/xls_file.h"
#include "cell_text.h"
#include "data_files_fixture.h"

namespace kd = kj::data;

namespace {
const std::string k_fixtures = std::string(KJ_SOURCE_DIR) + "/tests/fixtures/data/";

std::vector<std::vector<std::string>> show(const kd::Sheet& sheet) {
    std::vector<std::vector<std::string>> rows;
    for (const kd::SheetRow& row : sheet.rows) rows.push_back(kj::test::show(row));
    return rows;
}

std::string fixture(const char* name) {
    std::string bytes;
    kd::read_whole_file(k_fixtures + name, bytes);
    return bytes;
}

void put_u32(std::string& b, std::size_t at, std::uint32_t v) { std::memcpy(b.data() + at, &v, 4); }

class XlsFile : public kj::test::DataFilesTest {};
}  // namespace

TEST_F(XlsFile, ErrorValuesAndFormulaResultsAreRead) {
    // Typed errors were read as 1 and 0, and formula cells were left out.
    const std::vector<std::vector<std::string>> expect = {
        {"t:a", "t:b", "t:c"},
        {"1.000000", "2.000000", "error"},
        {"1.000000", "2.500000", "error"},
        {"t:txt", "d:2451545.000000", "0.000000"},
        {"4.000000", "error"},
    };
    for (const char* name : {"error_cells.xls", "error_cells_small.xls"}) {
        SCOPED_TRACE(name);
        kd::Sheet sheet;
        std::vector<std::string> names;
        ASSERT_EQ(kd::read_xls(k_fixtures + name, 0, "", sheet, names), kd::SheetRead::Ok) << messages();
        EXPECT_EQ(names, std::vector<std::string>{"errors"});
        EXPECT_EQ(show(sheet), expect);
        EXPECT_EQ(messages(), "");
    }
    // As a data set the error values are missing.
    kd::DataSet ds;
    ASSERT_TRUE(kd::load_data_set(k_fixtures + "error_cells.xls", kd::DataFormat::Xls, ds));
    ASSERT_EQ(ds.variables.size(), 3u);
    EXPECT_TRUE(std::isnan(ds.variables[2].values[0]));
    EXPECT_EQ(ds.variables[1].values[1], 2.5);
    EXPECT_TRUE(std::isnan(ds.variables[1].values[3]));
}

TEST_F(XlsFile, DamagedContainersAndRecordsGiveNothing) {
    const std::string good = fixture("error_cells.xls"), small = fixture("error_cells_small.xls");
    std::string stream;
    ASSERT_TRUE(kd::read_compound_stream(good, "workbook", stream));
    const std::size_t stream_size = stream.size();
    ASSERT_GE(stream_size, 4096u);
    ASSERT_TRUE(kd::read_compound_stream(small, "Workbook", stream));
    ASSERT_LT(stream.size(), 4096u);
    EXPECT_FALSE(kd::read_compound_stream(good, "Book", stream));

    // The allocation table is sector 0, the directory sector 1, the stream from sector 2 on.
    constexpr std::size_t table = 512;
    std::string loop = good, outside = good, short_chain = good, big = good;
    put_u32(loop, table + 4 * 3, 2);             // the stream's chain turns back on itself
    put_u32(outside, table + 4 * 3, 100000);     // ... or points past the end of the file
    put_u32(short_chain, table + 4 * 3, 0xFFFFFFFE);  // ... or ends before the stream's size
    put_u32(big, 1024 + 128 + 0x78, 0x7FFFFFFF);       // a stream larger than the file
    const std::string cases[] = {loop, outside, short_chain, big, good.substr(0, 1000), good.substr(0, 511),
                                 "plain text that is long enough" + std::string(600, ' ')};
    for (const std::string& bytes : cases) EXPECT_FALSE(kd::read_compound_stream(bytes, "Workbook", stream));

    // Records: no second sheet, a record running past the end, encryption.
    ASSERT_TRUE(kd::read_compound_stream(good, "Workbook", stream));
    std::vector<kd::PlacedCell> cells;
    EXPECT_TRUE(kd::read_biff_cells(stream, 0, cells));
    EXPECT_EQ(cells.size(), 7u);
    EXPECT_FALSE(kd::read_biff_cells(stream, 1, cells));
    EXPECT_FALSE(kd::read_biff_cells(stream.substr(0, 3), 0, cells));
    std::string encrypted = stream;
    encrypted[20] = 0x2F;  // the record after the opening one (a code page) becomes a password record
    encrypted[21] = 0;
    EXPECT_FALSE(kd::read_biff_cells(encrypted, 0, cells));
    // A sheet cut short keeps what came before the cut.
    EXPECT_TRUE(kd::read_biff_cells(stream.substr(0, stream.size() - 30), 0, cells));
    EXPECT_LT(cells.size(), 7u);

    // A workbook whose container is damaged is not read as a whole one.
    write("loop.xls", loop);
    kd::Sheet sheet;
    std::vector<std::string> names;
    EXPECT_NE(kd::read_xls(path("loop.xls"), 0, "", sheet, names), kd::SheetRead::Ok);
}
