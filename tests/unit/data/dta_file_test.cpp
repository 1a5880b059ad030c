#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <readstat.h>
#include <string>
#include <vector>

#include "data/data_set_formats.h"
#include "data/dta_dates.h"
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
    // A count of observations beyond what the file could hold (a byte each at
    // least) is refused before anything is allocated for it.
    std::string claims = good;
    const std::size_t n = claims.find("<N>") + 3;
    claims.replace(n, 8, std::string("\x00\xe1\xf5\x05\x00\x00\x00\x00", 8));  // 10^8
    messages().clear();
    write("claims.dta", claims);
    kd::DataSet back;
    EXPECT_FALSE(kd::load_data_set(path("claims.dta"), kd::DataFormat::Dta, back));
    EXPECT_NE(messages().find(": more observations than the file holds"), std::string::npos) << messages();
}

namespace {
// The display format and stored values of a variable, read with the parser
// directly rather than through the data-set reader.
struct Stored {
    std::string format;
    std::vector<double> values;
};
Stored stored(const std::string& file, const std::string& variable) {
    struct Context {
        std::string name;
        int index = -1;
        Stored out;
    } c{variable, -1, {}};
    readstat_parser_t* parser = readstat_parser_init();
    readstat_set_variable_handler(parser, [](int i, readstat_variable_t* v, const char*, void* data) -> int {
        auto* c = static_cast<Context*>(data);
        if (c->name == readstat_variable_get_name(v)) {
            c->index = i;
            c->out.format = readstat_variable_get_format(v) ? readstat_variable_get_format(v) : "";
        }
        return READSTAT_HANDLER_OK;
    });
    readstat_set_value_handler(parser, [](int, readstat_variable_t* v, readstat_value_t value, void* data) -> int {
        auto* c = static_cast<Context*>(data);
        if (readstat_variable_get_index(v) == c->index)
            c->out.values.push_back(readstat_value_is_missing(value, v) ? k_nan : readstat_double_value(value));
        return READSTAT_HANDLER_OK;
    });
    readstat_parse_dta(parser, file.c_str(), &c);
    readstat_parser_free(parser);
    return c.out;
}
}  // namespace

TEST_F(DtaFile, DatesAndPeriodsWrittenByPandasReadAsCalendarDays) {
    // Day numbers from Python's date.toordinal() + 1721425: the first day of
    // each period (weeks of 52 to a year: 2020-12-20 lies in week 51, which
    // starts on 2020-12-16; 1959-06-15 in week 24, from 1959-06-11).
    kd::DataSet ds;
    ASSERT_TRUE(kd::load_data_set(k_fixtures + "pandas_dates.dta", kd::DataFormat::Dta, ds)) << messages();
    EXPECT_EQ(messages(), "Warning: Text read as missing values: \"name\" (text column)\n");
    ASSERT_EQ(ds.variables.size(), 9u);
    const struct {
        const char* name;
        double values[3];
    } expect[] = {
        {"x", {1.5, k_nan, -2.25e-8}},
        {"day", {2451545, 2458909, k_nan}},
        {"stamp", {2451545.5, 2459396 + 86399.5 / 86400, 2436934.25}},
        {"week", {2451545, 2459200, 2436731}},
        {"month", {2451545, 2458881, 2436904}},
        {"quarter", {2451545, 2459124, 2437026}},
        {"half", {2451545, 2459032, 2436570}},
        {"year", {2451180, 2451545, 2460311}},
    };
    for (int j = 0; j < 8; ++j) {
        const kd::Variable& v = ds.variables[j + 1];
        EXPECT_EQ(v.name, expect[j].name);
        EXPECT_EQ(v.kind, j == 0 ? kd::VariableKind::Plain : kd::VariableKind::Date) << v.name;
        for (int i = 0; i < 3; ++i) {
            const double want = expect[j].values[i];
            if (std::isnan(want)) EXPECT_TRUE(std::isnan(v.values[i])) << v.name << i;
            else EXPECT_NEAR(v.values[i], want, 1e-9) << v.name << i;  // times: within a tenth of a millisecond
        }
    }
    EXPECT_TRUE(std::isnan(ds.variables[0].values[0]));
    EXPECT_EQ(ds.sample.frequency, 1);  // the rows are no run of periods

    // Written again, days stay days and times milliseconds.
    ASSERT_TRUE(kd::save_data_set(path("again.dta"), kd::DataFormat::Dta, ds)) << messages();
    EXPECT_EQ(stored(path("again.dta"), "day").format, "%td");
    const Stored stamp = stored(path("again.dta"), "stamp");
    EXPECT_EQ(stamp.format, "%tc");
    EXPECT_EQ(stamp.values, (std::vector<double>{1262347200000.0, 1940716799500.0, -64800000.0}));
}

TEST_F(DtaFile, ConsecutivePeriodsGiveTheSampleAndAreWrittenAsPeriods) {
    // 1999q4 .. 2000q3: a quarterly data set of four observations.
    kd::DataSet ds;
    ASSERT_TRUE(kd::load_data_set(k_fixtures + "pandas_quarters.dta", kd::DataFormat::Dta, ds)) << messages();
    EXPECT_EQ(messages(), "");
    EXPECT_EQ(ds.sample.frequency, 4);
    EXPECT_EQ(ds.sample.year1, 1999);
    EXPECT_EQ(ds.sample.period1, 4);
    EXPECT_EQ(ds.sample.year2, 2000);
    EXPECT_EQ(ds.sample.period2, 3);
    EXPECT_EQ(ds.variables[0].values, (std::vector<double>{2451453, 2451545, 2451636, 2451727}));
    ASSERT_TRUE(kd::save_data_set(path("q.dta"), kd::DataFormat::Dta, ds)) << messages();
    const Stored q = stored(path("q.dta"), "when");
    EXPECT_EQ(q.format, "%tq");
    EXPECT_EQ(q.values, (std::vector<double>{159, 160, 161, 162}));

    // Monthly, weekly and annual data sets likewise; a date that is no first
    // day of a period keeps the variable in days.
    struct Case {
        int frequency, year1, period1;
        std::vector<double> days;
        const char* format;
        std::vector<double> values;
    } cases[] = {
        {12, 1959, 12, {2436904, 2436935, k_nan}, "%tm", {-1, 0, k_nan}},
        {52, 2020, 51, {2459200, 2459207, 2459216}, "%tw", {3170, 3171, 3172}},  // week 52 runs to 31 Dec
        {1, 1999, 1, {2451180, 2451545}, "%ty", {1999, 2000}},
        {12, 2000, 1, {2451545, 2451577}, "%td", {14610, 14642}},  // 2000-02-02
        {1, 1, 1, {2451180, 2451545}, "%td", {14245, 14610}},      // undated
    };
    for (const Case& c : cases) {
        kd::DataSet d;
        const int n = static_cast<int>(c.days.size());
        d.sample = {c.year1, c.period1, c.year1, c.period1, c.frequency};
        d.sample.year2 = c.year1 + (c.period1 - 1 + n - 1) / c.frequency;
        d.sample.period2 = (c.period1 - 1 + n - 1) % c.frequency + 1;
        kd::Variable& v = d.add_variable("t");
        v.kind = kd::VariableKind::Date;
        v.values = c.days;
        ASSERT_TRUE(kd::save_data_set(path("p.dta"), kd::DataFormat::Dta, d)) << messages();
        const Stored s = stored(path("p.dta"), "t");
        EXPECT_EQ(s.format, c.format) << c.frequency;
        for (int i = 0; i < n; ++i) EXPECT_TRUE(same(s.values[i], c.values[i])) << c.format << i;
        kd::DataSet back;
        ASSERT_TRUE(kd::load_data_set(path("p.dta"), kd::DataFormat::Dta, back)) << messages();
        for (int i = 0; i < n; ++i) EXPECT_TRUE(same(back.variables[0].values[i], c.days[i])) << c.format << i;
    }
}

TEST(DtaDates, LeapSecondTimesAndFormats) {
    // 2017-01-01 00:00 (day 2457755) is 20820 days after 1960-01-01; with
    // the 27 leap seconds before it, 27 s later in %tC than in %tc.
    const double tc = 20820 * 86400000.0;
    EXPECT_EQ(kd::calendar_of_dta(kd::DtaTime::Milliseconds, tc), 2457755);
    EXPECT_EQ(kd::calendar_of_dta(kd::DtaTime::LeapMilliseconds, tc + 27000), 2457755);
    // 23:59:60.5 on 2016-12-31 falls into the second before.
    EXPECT_NEAR(kd::calendar_of_dta(kd::DtaTime::LeapMilliseconds, tc + 26500), 2457755 - 0.5 / 86400, 1e-9);
    // Before the first leap second both agree: 1972-01-01 is day 4383.
    EXPECT_EQ(kd::calendar_of_dta(kd::DtaTime::LeapMilliseconds, 4383 * 86400000.0), 2441318);

    EXPECT_EQ(kd::dta_time_of_format("%-tdCCYY-NN-DD"), kd::DtaTime::Days);
    EXPECT_EQ(kd::dta_time_of_format("%d"), kd::DtaTime::Days);
    EXPECT_EQ(kd::dta_time_of_format("%tq"), kd::DtaTime::Quarters);
    EXPECT_EQ(kd::dta_time_of_format("%9.0g"), kd::DtaTime::None);
    EXPECT_EQ(kd::dta_time_of_format("%tg"), kd::DtaTime::None);
    EXPECT_EQ(kd::dta_time_of_format(nullptr), kd::DtaTime::None);
}
