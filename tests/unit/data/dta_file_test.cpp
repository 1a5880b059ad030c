#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "data/data_set_formats.h"
#include "data/dta_file.h"
#include "data_files_fixture.h"

namespace kd = kj::data;

namespace {
constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();
const std::string k_fixtures = std::string(KJ_SOURCE_DIR) + "/tests/fixtures/data/";

bool same(double a, double b) { return std::isnan(a) ? std::isnan(b) : a == b; }

class DtaFile : public kj::test::DataFilesTest {};
}  // namespace

TEST_F(DtaFile, ReadsAFileWrittenByR) {
    // The writer stores dates as plain day counts from 1960-01-01 with a
    // numeric format: 2000-01-01 is 14610, 2020-02-29 is 21974.
    kd::DataSet ds;
    ASSERT_TRUE(kd::load_data_set(k_fixtures + "r_foreign.dta", kd::DataFormat::Dta, ds)) << messages();
    ASSERT_EQ(ds.variables.size(), 3u);
    EXPECT_EQ(ds.description, "Written by R.");
    const char* names[] = {"id", "value", "when"};
    const double expect[3][3] = {{1, 2, 3}, {1.5, k_nan, -2.25e-8}, {14610, 21974, k_nan}};
    for (int j = 0; j < 3; ++j) {
        EXPECT_EQ(ds.variables[j].name, names[j]);
        for (int i = 0; i < 3; ++i) EXPECT_TRUE(same(ds.variables[j].values[i], expect[j][i])) << j << "," << i;
    }
}

TEST_F(DtaFile, RoundTripWithDatesLabelsAndNames) {
    kd::DataSet ds;
    ds.sample = kd::Sample::undated(3);
    ds.description = "A set";
    kd::Variable& x = ds.add_variable("x value");  // no blanks in names: x_value
    x.values = {1e300, k_nan, -4.9e-324};
    x.description = "the x";
    kd::Variable& day = ds.add_variable("day");
    day.values = {2451545, 2436935, k_nan};  // whole days: stored as days
    day.kind = kd::VariableKind::Date;
    kd::Variable& stamp = ds.add_variable("9lives");
    stamp.values = {2458909.75, 2451545.5, 2436934.25};  // with times: milliseconds
    stamp.kind = kd::VariableKind::Date;
    kd::Variable& choice = ds.add_variable("choice");
    choice.values = {0, 2, 1};
    choice.kind = kd::VariableKind::Choice;
    choice.labels = {"no", "", "yes"};
    ASSERT_TRUE(kd::save_data_set(path("r.dta"), kd::DataFormat::Dta, ds)) << messages();

    kd::DataSet back;
    ASSERT_TRUE(kd::load_data_set(path("r.dta"), kd::DataFormat::Dta, back)) << messages();
    EXPECT_EQ(back.description, "A set");
    ASSERT_EQ(back.variables.size(), 4u);
    const char* names[] = {"x_value", "day", "_9lives", "choice"};
    for (int j = 0; j < 4; ++j) {
        EXPECT_EQ(back.variables[j].name, names[j]);
        EXPECT_EQ(back.variables[j].kind, ds.variables[j].kind) << j;
        for (int i = 0; i < 3; ++i) EXPECT_TRUE(same(back.variables[j].values[i], ds.variables[j].values[i])) << j;
    }
    EXPECT_EQ(back.variables[0].description, "the x");
    EXPECT_EQ(back.variables[3].labels, (std::vector<std::string>{"no", "", "yes"}));

    // Names the format cannot hold are made valid, and duplicates kept apart.
    EXPECT_EQ(kd::dta_variable_name(std::string(40, 'a')), std::string(32, 'a'));
    EXPECT_EQ(kd::dta_variable_name(""), "_");
    kd::DataSet twins;
    twins.sample = kd::Sample::undated(1);
    twins.add_variable("a b").values = {1};
    twins.add_variable("a-b").values = {2};
    ASSERT_TRUE(kd::save_data_set(path("t.dta"), kd::DataFormat::Dta, twins)) << messages();
    ASSERT_TRUE(kd::load_data_set(path("t.dta"), kd::DataFormat::Dta, back));
    EXPECT_NE(back.variables[0].name, back.variables[1].name);
}

TEST_F(DtaFile, UnknownReleasesAndDamageAreReported) {
    kd::DataSet ds;
    ds.sample = kd::Sample::undated(2);
    ds.add_variable("v").values = {1, 2};
    ASSERT_TRUE(kd::save_data_set(path("ok.dta"), kd::DataFormat::Dta, ds));
    const std::string good = read("ok.dta");
    std::string unknown = good;
    unknown.replace(unknown.find("<release>") + 9, 3, "999");
    const std::string cases[] = {unknown, good.substr(0, good.size() / 2), std::string("\x72\x02\x01", 3), ""};
    for (const std::string& bytes : cases) {
        messages().clear();
        write("bad.dta", bytes);
        kd::DataSet back;
        EXPECT_FALSE(kd::load_data_set(path("bad.dta"), kd::DataFormat::Dta, back));
        EXPECT_EQ(messages().rfind("Error: Cannot read " + path("bad.dta") + ": ", 0), 0u) << messages();
        EXPECT_TRUE(back.variables.empty());
    }
}
