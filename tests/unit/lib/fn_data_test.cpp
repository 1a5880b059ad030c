#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "library_call.h"
#include "select_fixture.h"

namespace kv = kj::value;
namespace kt = kj::test;
using kt::Args;
using kt::k_nan;
using kv::Value;

namespace {

std::string text_of(const Value& v) { return std::string(v.u.str.s, static_cast<std::size_t>(v.u.str.len)); }

std::vector<std::string> texts_of(const Value& a) {
    std::vector<std::string> out;
    for (int i = 0; i < a.u.arr.n; ++i) out.push_back(text_of(a.u.arr.v[i]));
    return out;
}

class DataBuiltins : public kt::LibraryTest {
protected:
    std::string dir;
    // The twelve parts loaddata fills.
    Value part[11];

    void SetUp() override {
        kt::LibraryTest::SetUp();
        char tmpl[] = "/tmp/kj_fn_data_XXXXXX";
        dir = ::mkdtemp(tmpl);
        for (Value& p : part) p = kv::make_int(-7);
    }
    void TearDown() override {
        for (Value& p : part) kv::release(p);
        std::filesystem::remove_all(dir);
        kt::LibraryTest::TearDown();
    }
    std::string path(const char* name) const { return dir + "/" + name; }

    // Calls a saving built-in, which must succeed; the text of the file it wrote.
    std::string saved_text(const char* fn, Args& args, const char* file) {
        kt::Result r;
        call(fn, args, r);
        EXPECT_EQ(r.v.u.ival, 1) << first_run_message();
        std::stringstream text;
        text << std::ifstream(path(file)).rdbuf();
        return text.str();
    }

    int load(const std::string& file, int flags = 0) {
        Args a{kt::string_value(file.c_str())};
        for (Value& p : part) a.v.push_back(kt::reference(&p));
        a.v.push_back(kv::make_int(flags));
        kt::Result r;
        call("loaddata", a, r);
        return r.v.u.ival;
    }
};

}  // namespace

TEST_F(DataBuiltins, SavedataAndLoaddataRoundTrip) {
    // What each kind keeps beyond the observations, names and date columns.
    const struct {
        const char* name;
        bool sample, descriptions, choices;
    } kinds[] = {{"set.in7", true, true, true}, {"set", true, true, true}, {"set.csv", false, false, false},
                 {"set.xlsx", false, false, false}, {"set.dta", false, true, true}};
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.name);
        Args save{kt::string_value(path(kind.name).c_str()),
                  kt::matrix(3, 3, {1, 2451545, 0, k_nan, 2451546.25, 1, -1e-300, k_nan, 2}),
                  kt::strings({"gdp_growth", "day"}),  // the third name is missing: Var3
                  kv::make_int(2000), kv::make_int(2), kv::make_int(2000), kv::make_int(4), kv::make_int(4),
                  kt::string_value("About the set"), kt::strings({"", "the day", "choices"}),
                  kt::matrix(1, 3, {0, 1, 2}),
                  kt::array_of({kt::strings({}), kt::strings({}), kt::strings({"no", "", "yes"})})};
        kt::Result r;
        call("savedata", save, r);
        ASSERT_EQ(r.v.u.ival, 1) << first_run_message();
        ASSERT_EQ(load(path(kind.name)), 1) << first_run_message();
        const Value& m = part[0];
        ASSERT_EQ(m.u.mat.r, 3);
        ASSERT_EQ(m.u.mat.c, 3);
        const double expect[] = {1, 2451545, 0, k_nan, 2451546.25, 1, -1e-300, k_nan, 2};
        for (int k = 0; k < 9; ++k) {
            const double x = m.u.mat.m[0][k];
            EXPECT_TRUE(std::isnan(expect[k]) ? std::isnan(x) : x == expect[k]) << k;
        }
        EXPECT_EQ(texts_of(part[1]), (std::vector<std::string>{"gdp_growth", "day", "Var3"}));
        const std::vector<int> sample =
            kind.sample ? std::vector<int>{2000, 2, 2000, 4, 4} : std::vector<int>{1, 1, 3, 1, 1};
        for (int i = 0; i < 5; ++i) EXPECT_EQ(part[2 + i].u.ival, sample[i]) << i;
        EXPECT_EQ(text_of(part[7]), kind.descriptions ? "About the set" : "");
        EXPECT_EQ(texts_of(part[8]), kind.descriptions ? (std::vector<std::string>{"", "the day", "choices"})
                                                       : (std::vector<std::string>{"", "", ""}));
        EXPECT_EQ(part[9].u.mat.m[0][1], 1);  // date column
        EXPECT_EQ(part[9].u.mat.m[0][2], kind.choices ? 2 : 0);
        EXPECT_EQ(part[10].u.arr.n, 3);
        EXPECT_EQ(part[10].u.arr.v[0].u.arr.n, 0);
        if (kind.choices) {
            EXPECT_EQ(texts_of(part[10].u.arr.v[2]), (std::vector<std::string>{"no", "", "yes"}));
        }
    }
}

TEST_F(DataBuiltins, OneKindForAllVariables) {
    // A single kind applies to every column: two date columns, saved as ISO dates.
    Args save{kt::string_value(path("k.csv").c_str()), kt::matrix(1, 2, {2451545, 2451546}), kv::make_int(0),
              kv::make_int(1), kv::make_int(1), kv::make_int(1), kv::make_int(1), kv::make_int(1),
              kv::make_int(0), kv::make_int(0), kv::make_int(1), kv::make_int(0)};
    EXPECT_EQ(saved_text("savedata", save, "k.csv"), "\"Var1\",\"Var2\"\n2000-01-01,2000-01-02\n");
    ASSERT_EQ(load(path("k.csv")), 1);
    EXPECT_EQ(part[9].u.mat.m[0][0], 1);
    EXPECT_EQ(part[9].u.mat.m[0][1], 1);
}

TEST_F(DataBuiltins, FailuresAndBadArguments) {
    // A missing file warns and leaves the references alone.
    clear();
    EXPECT_EQ(load(path("absent.csv")), 0);
    EXPECT_EQ(first_run_message(), "Warning: loaddata: file not found: \"" + path("absent.csv") + "\"");
    EXPECT_EQ(part[0].u.ival, -7);

    // The sample must hold the observations: error in argument 6.
    Args wrong{kt::string_value(path("w.csv").c_str()), kt::matrix(2, 1), kt::strings({}), kv::make_int(1),
               kv::make_int(1), kv::make_int(3), kv::make_int(1), kv::make_int(1), kv::make_int(0),
               kv::make_int(0), kt::matrix(0, 0), kv::make_int(0)};
    std::string message;
    EXPECT_EQ(call_error("savedata", wrong, &message), 37);
    EXPECT_EQ(message, "savedata(): error in argument 6");

    // An extension of no data-set kind: "cannot open file".
    Args other{kt::string_value(path("w.txt").c_str()), kt::matrix(1, 1), kv::make_int(0), kv::make_int(1),
               kv::make_int(1), kv::make_int(1), kv::make_int(1), kv::make_int(1), kv::make_int(0),
               kv::make_int(0), kt::matrix(0, 0), kv::make_int(0)};
    kt::Result r;
    clear();
    call("savedata", other, r);
    EXPECT_EQ(r.v.u.ival, 0);
    EXPECT_EQ(first_run_message(), "Warning: savedata: cannot open file: \"" + path("w.txt") + "\"");
    EXPECT_FALSE(std::filesystem::exists(path("w.txt")));

    // A damaged description file reports through the data-set layer.
    std::ofstream(path("bad.in7")) << "not a header\n";
    clear();
    EXPECT_EQ(load(path("bad.in7")), 0);
    EXPECT_EQ(first_run_message(), "Error: This is not a valid .IN7 file");
}

TEST_F(DataBuiltins, SheetsOfCells) {
    // Rows of cells: numbers, text, missing (an empty cell), and a matrix.
    Args rows{kt::string_value(path("s.csv").c_str()),
              kt::array_of({kt::array_of({kt::string_value("name, first"), kv::make_int(3), kv::make_double(k_nan)}),
                            kt::array_of({}), kt::array_of({kv::make_double(0.25)})})};
    EXPECT_EQ(saved_text("savesheet", rows, "s.csv"), "\"name, first\",3,\n\n0.25\n");

    Value names = kv::make_int(0);
    Args load{kt::string_value(path("s.csv").c_str()), kv::make_int(0), kt::reference(&names)};
    kt::Result sheet;
    call("loadsheet", load, sheet);
    ASSERT_EQ(kv::type_of(sheet.v), kv::T_Array);
    ASSERT_EQ(sheet.v.u.arr.n, 3);
    const Value& first = sheet.v.u.arr.v[0];
    ASSERT_EQ(first.u.arr.n, 2);  // up to the last used cell
    EXPECT_EQ(text_of(first.u.arr.v[0]), "name, first");
    EXPECT_EQ(first.u.arr.v[1].u.dval, 3);
    EXPECT_EQ(sheet.v.u.arr.v[1].u.arr.n, 0);
    EXPECT_EQ(sheet.v.u.arr.v[2].u.arr.v[0].u.dval, 0.25);
    EXPECT_EQ(texts_of(names), std::vector<std::string>{"Sheet1"});
    kv::release(names);

    // An unknown sheet gives int 0; a cell of another type is a type error.
    Args unknown{kt::string_value(path("s.csv").c_str()), kt::string_value("Other")};
    kt::Result none;
    call("loadsheet", unknown, none);
    EXPECT_EQ(kv::type_of(none.v), kv::T_Int);
    Args bad{kt::string_value(path("b.csv").c_str()), kt::array_of({kt::array_of({kt::matrix(1, 2)})})};
    std::string message;
    EXPECT_EQ(call_error("savesheet", bad, &message), 37);
    EXPECT_EQ(message.rfind("savesheet(): type error in argument 2", 0), 0u) << message;
    EXPECT_FALSE(std::filesystem::exists(path("b.csv")));

    // Error values are .NaN, and a row runs to its last used cell even when
    // that holds an error (rows 1 and 4 of the binary workbook end with one).
    Args errors{kt::string_value(KJ_SOURCE_DIR "/tests/fixtures/data/error_cells.xls")};
    kt::Result cells;
    call("loadsheet", errors, cells);
    ASSERT_EQ(kv::type_of(cells.v), kv::T_Array);
    ASSERT_EQ(cells.v.u.arr.n, 5);
    const Value& second = cells.v.u.arr.v[1];
    const Value& last = cells.v.u.arr.v[4];
    ASSERT_EQ(second.u.arr.n, 3);
    ASSERT_EQ(last.u.arr.n, 2);
    EXPECT_EQ(second.u.arr.v[1].u.dval, 2);
    EXPECT_TRUE(kv::type_of(second.u.arr.v[2]) == kv::T_Double && std::isnan(second.u.arr.v[2].u.dval));
    EXPECT_TRUE(kv::type_of(last.u.arr.v[1]) == kv::T_Double && std::isnan(last.u.arr.v[1].u.dval));
}
