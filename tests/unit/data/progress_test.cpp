#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/data_set_formats.h"
#include "data/progress.h"
#include "data_files_fixture.h"

namespace kd = kj::data;

namespace {

struct Report {
    std::string action, path;
    int percent;
};
std::vector<Report> g_reports;

class Progress : public kj::test::DataFilesTest {
protected:
    void SetUp() override {
        DataFilesTest::SetUp();
        g_reports.clear();
        kd::set_progress_function(
            [](const char* action, const char* path, int percent) { g_reports.push_back({action, path, percent}); });
        kd::set_progress_threshold(4096);
    }
    void TearDown() override {
        kd::set_progress_function(nullptr);
        kd::set_progress_threshold(100u << 20);
        DataFilesTest::TearDown();
    }
    // The percentages reported for one action, checked to rise.
    static std::vector<int> percents(const char* action) {
        std::vector<int> out;
        for (const Report& r : g_reports)
            if (r.action == action) out.push_back(r.percent);
        for (std::size_t i = 1; i < out.size(); ++i) EXPECT_LT(out[i - 1], out[i]) << action;
        return out;
    }
};

}  // namespace

TEST_F(Progress, LargeLoadsAndSavesGoFromNoneToAll) {
    kd::DataSet ds;
    ds.sample = kd::Sample::undated(2000);
    for (const char* name : {"a", "b", "c"}) {
        kd::Variable& v = ds.add_variable(name);
        for (int i = 0; i < 2000; ++i) v.values.push_back(i * 0.25);
    }
    for (const char* file : {"big.csv", "big.xlsx", "big.dta", "big.in7", "big.dat"}) {
        g_reports.clear();
        const kd::DataFormat format = kd::data_format_of(file);
        ASSERT_TRUE(kd::save_data_set(path(file), format, ds)) << messages();
        kd::DataSet back;
        ASSERT_TRUE(kd::load_data_set(path(file), format, back)) << messages();
        const std::vector<int> saved = percents("Saving"), loaded = percents("Loading");
        ASSERT_GE(saved.size(), 2u) << file;
        EXPECT_EQ(saved.front(), 0) << file;
        EXPECT_EQ(saved.back(), 100) << file;
        ASSERT_GE(loaded.size(), 2u) << file;
        EXPECT_EQ(loaded.front(), 0) << file;
        EXPECT_EQ(loaded.back(), 100) << file;
        EXPECT_EQ(g_reports.back().path, path(file));
    }

    // Below the threshold nothing is said; a failed load stops without 100.
    g_reports.clear();
    kd::set_progress_threshold(1u << 30);
    kd::DataSet back;
    ASSERT_TRUE(kd::load_data_set(path("big.csv"), kd::DataFormat::Csv, back));
    EXPECT_TRUE(g_reports.empty());
    kd::set_progress_threshold(10);
    write("bad.xlsx", std::string(100, 'x'));
    EXPECT_FALSE(kd::load_data_set(path("bad.xlsx"), kd::DataFormat::Xlsx, back));
    EXPECT_EQ(percents("Loading"), std::vector<int>{0});
}

TEST_F(Progress, MetersDoNotNest) {
    kd::ProgressMeter outer("Loading", "outer", 1 << 20);
    kd::ProgressMeter inner("Saving", "inner", 1 << 20);
    inner.done();
    outer.done();
    outer.done();
    ASSERT_EQ(g_reports.size(), 2u);
    EXPECT_EQ(g_reports[0].path, "outer");
    EXPECT_EQ(g_reports[1].percent, 100);
}
