#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "lib/io/data_set_files.h"
#include "value_fixture.h"

namespace ki = kj::lib::io;

namespace {

class DataSetDoor : public testing::Test {
protected:
    kj::test::RunCapture run;
    std::string dir;
    void SetUp() override {
        char tmpl[] = "/tmp/kj_door_XXXXXX";
        dir = ::mkdtemp(tmpl);
        ki::install_data_messages();
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
};

}  // namespace

TEST_F(DataSetDoor, MatricesWithNamesThroughEveryKind) {
    ki::DataSetMatrix m;
    m.rows = 2;
    m.cols = 2;
    m.values = {1.5, std::nan(""), -3, 4e-300};
    m.names = {"first"};  // the second column is named by the layer
    for (const char* name : {"m.csv", "m.XLSX", "m.in7", "m.dta", "m.tsv", "m.dat"}) {
        SCOPED_TRACE(name);
        const std::string path = dir + "/" + name;
        ASSERT_EQ(ki::offer_data_set_save(path, m), ki::DataSetOffer::Done);
        ki::DataSetMatrix back;
        ASSERT_EQ(ki::offer_data_set_load(path, 0, back), ki::DataSetOffer::Done);
        EXPECT_EQ(back.rows, 2u);
        EXPECT_EQ(back.cols, 2u);
        EXPECT_EQ(back.names, (std::vector<std::string>{"first", "Var2"}));
        EXPECT_EQ(back.values[0], 1.5);
        EXPECT_TRUE(std::isnan(back.values[1]));
        EXPECT_EQ(back.values[3], 4e-300);
    }
    // Matrix files are declined; kinds not built and missing files fail with a message.
    ki::DataSetMatrix none;
    EXPECT_EQ(ki::offer_data_set_load(dir + "/m.txt", 0, none), ki::DataSetOffer::Declined);
    EXPECT_EQ(ki::offer_data_set_save(dir + "/m.fmt", m), ki::DataSetOffer::Declined);
    kj::test::RunCapture::messages().clear();
    EXPECT_EQ(ki::offer_data_set_save(dir + "/m.wk1", m), ki::DataSetOffer::Failed);
    EXPECT_EQ(kj::test::RunCapture::messages(),
              "Error: .wks/.wk1 files are not supported in this version: " + dir + "/m.wk1\n");
    EXPECT_EQ(ki::offer_data_set_load(dir + "/absent.csv", 0, none), ki::DataSetOffer::Failed);
}
