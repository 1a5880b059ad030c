#include "lib/fn_sets.h"
#include "select_fixture.h"

namespace kl = kj::lib;
namespace kv = kj::value;
using namespace kj::test;

namespace {

class Sets : public LibTest {
protected:
    kv::Value positions = kv::make_int(0);
    void TearDown() override {
        kv::release(positions);
        LibTest::TearDown();
    }
};

TEST_F(Sets, ShapesFollowTheFirstArgument) {
    expect_matrix(call(kl::fn_unique, {matrix(2, 2, {2, 1, 2, 3})}), 1, 3, {1, 2, 3});
    expect_matrix(call(kl::fn_unique, {matrix(5, 1, {3, k_nan, 1, k_nan, 3})}), 3, 1, {k_nan, 1, 3});
    expect_matrix(call(kl::fn_unique, {d(5)}), 1, 1, {5});
    expect_empty(call(kl::fn_unique, {matrix(0, 0)}));
    expect_matrix(call(kl::fn_union, {matrix(1, 2, {3, 1}), matrix(1, 2, {1, 2})}), 1, 3, {1, 2, 3});
    expect_matrix(call(kl::fn_union, {matrix(2, 1, {3, 1}), matrix(1, 2, {k_nan, 2})}), 4, 1, {k_nan, 1, 2, 3});
    expect_matrix(call(kl::fn_union, {matrix(1, 1, {3}), matrix(3, 1, {2, 1, 2})}), 1, 3, {1, 2, 3});
}

TEST_F(Sets, IntersectionAndExclusionGivePositions) {
    expect_matrix(call(kl::fn_intersection, {matrix(1, 3, {4, 1, 3}), matrix(1, 3, {3, 4, 5}), reference(&positions)}),
                  1, 2, {3, 4});
    expect_matrix(positions, 2, 2, {2, 0, 0, 1});
    expect_matrix(call(kl::fn_intersection, {matrix(1, 3, {k_nan, 2, k_nan}), matrix(1, 2, {2, k_nan}),
                                             reference(&positions)}),
                  1, 2, {k_nan, 2});
    expect_matrix(positions, 2, 2, {0, 1, 1, 0});
    expect_matrix(call(kl::fn_exclusion, {matrix(1, 4, {3, 1, 2, 3}), i(2), reference(&positions)}), 1, 2, {1, 3});
    expect_matrix(positions, 1, 2, {1, 0});
    expect_empty(call(kl::fn_exclusion, {matrix(1, 2, {1, 2}), matrix(2, 1, {2, 1}), reference(&positions)}));
    expect_empty(positions);
    expect_matrix(call(kl::fn_exclusion, {matrix(3, 1, {5, 4, 5}), i(0), i(0)}), 2, 1, {4, 5});
}

TEST_F(Sets, StringArrays) {
    expect_strings(call(kl::fn_unique, {strings({"b", "a", "b"})}), {"a", "b"});
    expect_strings(call(kl::fn_union, {strings({"b"}), strings({"a", "b", "A"})}), {"A", "a", "b"});
    expect_strings(call(kl::fn_intersection, {strings({"x", "y", "z"}), strings({"z", "x"}), reference(&positions)}),
                   {"x", "z"});
    expect_matrix(positions, 2, 2, {0, 2, 1, 0});
    expect_strings(call(kl::fn_exclusion, {strings({"x", "y"}), string_value("x")}), {"y"});
    expect_strings(call(kl::fn_exclusion, {strings({"x"}), strings({"x"})}), {});
}

TEST_F(Sets, Membership) {
    expect_matrix(call(kl::fn_ismember, {matrix(1, 3, {1, 2, 3}), matrix(1, 2, {3, 1})}), 1, 3, {1, 0, 1});
    expect_int(call(kl::fn_ismember, {i(2), matrix(1, 2, {1, 2})}), 1);
    expect_int(call(kl::fn_ismember, {d(k_nan), matrix(2, 1, {0, k_nan})}), 1);
    expect_int(call(kl::fn_ismember, {d(4), matrix(0, 0)}), 0);
    expect_matrix(call(kl::fn_ismember, {strings({"a", "b"}), string_value("b")}), 1, 2, {0, 1});
    expect_int(call(kl::fn_ismember, {string_value("a"), strings({"c", "a"})}), 1);

    const double x[] = {3, 1, 3, k_nan};
    const kl::ValueSet set(x, 4);
    EXPECT_TRUE(set.contains(1));
    EXPECT_TRUE(set.contains(k_nan));
    EXPECT_FALSE(set.contains(2));
    const kl::FirstPositions first(x, 4);
    EXPECT_EQ(first.of(3), 0);
    EXPECT_EQ(first.of(k_nan), 3);
    EXPECT_EQ(first.of(7), -1);
}

TEST_F(Sets, BadArguments) {
    EXPECT_EQ(fails(kl::fn_union, "union", {i(1), strings({"a"})}), 37);
    EXPECT_EQ(first_run_message(), "union(): type error in argument 2; expected: matrix, found: array[1]");
    EXPECT_EQ(fails(kl::fn_intersection, "intersection", {i(1), i(1), i(0), i(0)}), 37);
    EXPECT_EQ(first_run_message(), "intersection(): error in argument 4");
    EXPECT_EQ(fails(kl::fn_unique, "unique", {array_of({i(1)})}), 37);
    EXPECT_EQ(fails(kl::fn_ismember, "ismember", {matrix(1, 1), strings({"a"})}), 37);
}

}  // namespace
