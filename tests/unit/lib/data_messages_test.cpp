// The data layer's one message function: its default output, and the
// library's function, which brings the messages of data-set files and of
// restriction arithmetic to the host in the same form.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "data/data_set_formats.h"
#include "data/message_function.h"
#include "data/restriction_compiler.h"
#include "data/restriction_evaluator.h"
#include "lib/library_call.h"

namespace kd = kj::data;

namespace {

TEST(DataMessageFunction, DefaultWritesCaptionAndTextToStandardError) {
    const kd::MessageFunction before = kd::set_message_function(nullptr);
    testing::internal::CaptureStderr();
    kd::report_warning("first");
    kd::report_error(std::string("sec") + "ond");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "\nWarning: first\n\nError: second\n");
    // Installing returns the function it replaces.
    EXPECT_NE(kd::set_message_function(before), nullptr);
    EXPECT_EQ(kd::set_message_function(before), before);
}

class LibraryDataMessages : public kj::test::LibraryTest {};

TEST_F(LibraryDataMessages, DataSetAndRestrictionMessagesReachTheHostAlike) {
    clear();
    kd::DataSet ds;
    EXPECT_FALSE(kd::load_data_set("/nonexistent/folder/x.csv", kd::DataFormat::Csv, ds));

    kd::ParameterRestrictions set;
    kd::CompileMessages messages;
    ASSERT_EQ(kd::compile_parameter_restrictions(u"&2 = &0 / (&1 - &1);", 3, set, messages), 2);
    std::vector<double> theta(3);
    const std::vector<double> phi{1, 2};
    kd::map_to_unconstrained(set, phi.data(), theta.data());
    EXPECT_TRUE(std::isinf(theta[2]));

    EXPECT_EQ(run_messages(), (std::vector<std::string>{"Error: Cannot open /nonexistent/folder/x.csv",
                                                        "Error: Restriction error: Division by zero"}));
}

}  // namespace
