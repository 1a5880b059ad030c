#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/message_function.h"
#include "data_message_capture.h"
#include "data/restriction_compiler.h"

namespace kd = kj::data;

namespace {

class Restrictions : public DataMessageCapture {
protected:
    int compile(const char* text, int n) {
        return kd::compile_parameter_restrictions(kd::utf16_from_utf8(text), n, set, messages);
    }
    int compile_tests(const char* text, int n) {
        return kd::compile_test_restrictions(kd::utf16_from_utf8(text), n, tests, messages);
    }
    std::vector<int> restricted() const {
        std::vector<int> r;
        for (int i = 0; i < set.n; ++i) r.push_back(set.restricted(i));
        return r;
    }

    kd::ParameterRestrictions set;
    kd::TestRestrictions tests;
    kd::CompileMessages messages;
};

constexpr const char* k_form = "\nRestrictions must be of the form: &1 = ....;";

}  // namespace

TEST_F(Restrictions, AcceptedSetsCountTheirFreeParameters) {
    EXPECT_EQ(compile("&1 = 2 * &0; &2 = &1 ^ 2;", 4), 2);
    EXPECT_EQ(restricted(), (std::vector<int>{0, 1, 1, 0}));
    EXPECT_EQ(messages.text(), "");
    // A restriction may use free parameters of any index and restricted
    // ones of lower index; statements may come in any order and span lines.
    EXPECT_EQ(compile("&4 = &1 + &2;\n&1 = &0;\n&3 =\n -(&0 - 1) / 2 ^ &2;", 5), 2);
    EXPECT_EQ(restricted(), (std::vector<int>{0, 1, 0, 1, 1}));
    EXPECT_EQ(compile("", 3), 3);
    EXPECT_EQ(compile("// nothing restricted\n", 2), 2);
    EXPECT_EQ(compile("&0 = 1; &1 = 2;", 2), 0);
}

TEST_F(Restrictions, OrderOfRestrictedParameters) {
    EXPECT_EQ(compile("&0 = &1;\n&1 = 1;", 3), -1);
    EXPECT_EQ(messages.text(), "Error: Cannot access higher restricted parameter on line 1");
    EXPECT_EQ(compile("&1 = 1;\n&0 = &1 * 2;", 3), -1);
    EXPECT_EQ(messages.text(), std::string("Error: Cannot access higher restricted parameter on line 2") + k_form);
    EXPECT_EQ(compile("&1 = &1 + 1;", 3), -1);  // not even itself
    EXPECT_EQ(messages.text(), "Error: Cannot access higher restricted parameter on line 1");
    EXPECT_EQ(compile("&1 = &0;", 3), 2);
}

TEST_F(Restrictions, LeftHandSideMessages) {
    EXPECT_EQ(compile("&5 = 1;", 5), -1);
    EXPECT_EQ(messages.text(), std::string("Error: Cannot constrain parameter on line 1") + k_form);
    EXPECT_EQ(compile("\n&1.0 = 1;", 5), -1);
    EXPECT_EQ(messages.text(), std::string("Error: Parameter number must be integer on line 2") + k_form);
    EXPECT_EQ(compile("& = 1;", 5), -1);
    EXPECT_EQ(messages.text(), std::string("Error: Missing constant on line 1") + k_form);
    EXPECT_EQ(compile("&1 2;", 5), -1);
    EXPECT_EQ(messages.text(), std::string("Error: Missing = on line 1") + k_form);
    EXPECT_EQ(compile("&1 = 1;\n&1 = 2;", 5), -1);
    EXPECT_EQ(messages.text(), std::string("Error: Constraint on parameter 1 defined twice on line 2") + k_form);
    EXPECT_EQ(compile("&1 = 1;", 0), -1);
    EXPECT_EQ(messages.text(), "Error: No parameters to restrict");
    EXPECT_EQ(compile("&1 = 1;", -2), -1);
    EXPECT_EQ(messages.text(), "Error: No parameters to restrict");
    EXPECT_EQ(compile("&1 = 1;", kd::k_max_parameters + 1), -1);
    EXPECT_EQ(messages.text(), "Error: Too many parameters to restrict");
    EXPECT_EQ(compile_tests("&1 = 0;", kd::k_max_parameters + 1), 0);
    EXPECT_EQ(messages.text(), "Error: Too many parameters to restrict");
    EXPECT_EQ(compile("theta1 = 1;", 3), -1);
    EXPECT_EQ(messages.text(), std::string("Error: Unexpected token on line 1") + k_form);
}

TEST_F(Restrictions, RightHandSideMessages) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"&2 = &1.5;", "Parameter number must be integer on line 1"},
        {"&2 = &1e0;", "Parameter number must be integer on line 1"},
        {"&2 = &7;", "Invalid parameter: &7 on line 1"},
        {"&2 = 1 +\n&;", "Missing constant on line 2"},
        {"&2 = (&0 + 1;", "Unbalanced () on line 1"},
        {"&2 = &0 + 1);", "Unbalanced () on line 1"},
        {"&2 = &0\n\n x;", "Unexpected token on line 3"},
        {"&2 = &0 &1;", "Unexpected token on line 1"},
        {"&2 = 2 3;", "Unexpected token on line 1"},
        {"&2 = ;", "Unexpected token on line 1"},
        {"&2 = &0 *;", "Unexpected token on line 1"},
        {"&2 = ();", "Unexpected token on line 1"},
        {"&2 = &0 == 1;", "Unexpected token on line 1"},
        {"&2 = PI * &0;", "Unexpected token on line 1"},
        {"&2 = &0 + 1", "Unexpected token on line 1"},
        {"&2 = &0 = 1;", "Unexpected token on line 1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(compile(c.text, 3), -1) << c.text;
        EXPECT_EQ(messages.text(), std::string("Error: ") + c.message + k_form) << c.text;
        EXPECT_EQ(set.n, 0) << c.text;
    }
    EXPECT_EQ(compile(("&1 = " + std::string(kd::k_max_nesting, '(') + "&0" + std::string(kd::k_max_nesting, ')') + ";").c_str(), 2), 1);
    EXPECT_EQ(compile(("&1 = " + std::string(kd::k_max_nesting + 1, '(') + "&0" + std::string(kd::k_max_nesting + 1, ')') + ";").c_str(), 2), -1);
    EXPECT_EQ(messages.text(), std::string("Error: Expression nested too deeply on line 1") + k_form);
    // Long runs of signs are no nesting.
    std::string signs = "&1 = ";
    for (int i = 0; i < 5000; ++i) signs += "- +";
    EXPECT_EQ(compile((signs + "&0;").c_str(), 2), 1);
}

TEST_F(Restrictions, ScanErrorsFailTheCompileAndAreReported) {
    EXPECT_EQ(compile("&1 = 1;\n&2 = &0 # 2;", 3), -1);
    EXPECT_EQ(messages.text(), "Error: Scan error: Unrecognized # on line 2");
    EXPECT_EQ(reported(), (std::vector<std::string>{"Error: Scan error: Unrecognized # on line 2"}));
    EXPECT_EQ(compile_tests("&0 = 0; \"", 3), 0);
    EXPECT_EQ(messages.text(), "Error: Scan error: End of string missing on line 1");
}

TEST_F(Restrictions, StartingValues) {
    EXPECT_EQ(compile("&1 = 1; start = 1, -2;", 3), 2);
    EXPECT_TRUE(set.has_start);
    EXPECT_EQ(set.start, (std::vector<double>{1, -2}));
    EXPECT_EQ(compile("&1 = 1;\nstart = 1.5e1, -2, 3", 3), 2);  // more than needed, no ";"
    EXPECT_EQ(set.start, (std::vector<double>{15, -2, 3}));
    EXPECT_EQ(compile("&1 = 1;", 3), 2);
    EXPECT_FALSE(set.has_start);
    EXPECT_EQ(compile("&1 = 1; start = 1;", 3), -1);
    EXPECT_EQ(messages.text(), "Error: Not enough starting values supplied");
    EXPECT_FALSE(set.has_start);
    EXPECT_EQ(compile("&1 = 1; start = 1, 2; &2 = 1;", 3), -1);
    EXPECT_EQ(messages.text(), std::string("Error: Unexpected token on line 1") + k_form);
    EXPECT_EQ(compile("start 1;", 3), -1);
    EXPECT_EQ(messages.text(), "Error: Missing = on line 1");
    EXPECT_EQ(compile("start = 1, -;", 1), -1);
    EXPECT_EQ(messages.text(), "Error: Missing constant on line 1");
}

TEST_F(Restrictions, AFailedCompileLeavesNoSet) {
    ASSERT_EQ(compile("&1 = 2 * &0; start = 1, 2, 3;", 4), 3);
    EXPECT_EQ(compile("&1 = &9;", 4), -1);
    EXPECT_EQ(set.n, 0);
    EXPECT_EQ(set.free_count, 0);
    EXPECT_TRUE(set.streams.empty());
    EXPECT_FALSE(set.has_start);
    ASSERT_EQ(compile_tests("&0 - &1 = 0;", 4), 1);
    EXPECT_EQ(compile_tests("&0 = 1;", 4), 0);
    EXPECT_EQ(tests.n, 0);
    EXPECT_EQ(tests.count(), 0);
}

TEST_F(Restrictions, TestRestrictions) {
    EXPECT_EQ(compile_tests("&0 - &1 = 0; &2 = 0;", 3), 2);
    EXPECT_EQ(messages.text(), "");
    EXPECT_EQ(compile_tests("&0 = 1;", 3), 0);
    EXPECT_EQ(messages.text(), "Error: Expected 0 on line 1");
    EXPECT_EQ(compile_tests("&0 = 0; &1 = 0; &2 = 0;", 3), 0);
    EXPECT_EQ(messages.text(), "Error: Too many restrictions on line 1");
    EXPECT_EQ(compile_tests("(&0 + 1) * 2 = 0.0;\n-&1 = 0e3;", 3), 2);
    EXPECT_EQ(compile_tests("&0 + 1;", 3), 0);
    EXPECT_EQ(messages.text(), "Error: Missing = on line 1");
    EXPECT_EQ(compile_tests("&0 = 0\n", 3), 0);
    EXPECT_EQ(messages.text(), "Error: Missing ; on line 2");
    EXPECT_EQ(compile_tests("&3 = 0;", 3), 0);
    EXPECT_EQ(messages.text(), "Error: Invalid parameter: &3 on line 1");
    EXPECT_EQ(compile_tests("(&0 = 0;", 3), 0);
    EXPECT_EQ(messages.text(), "Error: Unbalanced () on line 1");
    // A statement that cannot begin an expression ends the list.
    EXPECT_EQ(compile_tests("&1 = 0; end", 3), 1);
    EXPECT_EQ(compile_tests("", 3), 0);
    EXPECT_EQ(messages.text(), "");
}

TEST(CompileMessages, FirstIsMarkedAndOverflowIsDropped) {
    kd::CompileMessages m;
    m.add("one");
    m.add("two");
    EXPECT_EQ(m.text(), "Error: one\ntwo");
    m.add(std::string(500, 'x'));  // does not fit: dropped whole
    EXPECT_EQ(m.text(), "Error: one\ntwo");
    m.add(std::string(kd::CompileMessages::k_capacity - m.text().size() - 2, 'y'));
    EXPECT_EQ(m.text().size(), kd::CompileMessages::k_capacity - 1);
    m.add("");
    EXPECT_EQ(m.text().size(), kd::CompileMessages::k_capacity - 1);
}

TEST_F(Restrictions, StoredStreamsKeepTheirLines) {
    ASSERT_EQ(compile("&1 = 2 * &0;\n&2 =\n  -&1;", 3), 1);
    EXPECT_TRUE(set.streams[0].empty());
    const kd::TokenStream first{1, 127, '0', '0', '1', 67, '2', 0, '*', '&', 67, '0', 0, ';', 2};
    EXPECT_EQ(set.streams[1], first);
    const kd::TokenStream second{1, 127, '0', '0', '2', 127, '0', '0', '3', '-', '&', 67, '1', 0, ';', 2};
    EXPECT_EQ(set.streams[2], second);
    ASSERT_EQ(compile_tests("&0 = 0;", 2), 1);
    const kd::TokenStream test{1, 127, '0', '0', '1', '&', 67, '0', 0, ';', 2};
    EXPECT_EQ(tests.streams[0], test);
}
