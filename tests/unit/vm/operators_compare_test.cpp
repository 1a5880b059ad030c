// Comparisons giving int 0 or 1, and the element-wise selection `.?`.
#include <limits>

#include "compiler/tokens.h"
#include "vm/operators_fixture.h"

namespace kj::test {
namespace {

using namespace compiler;
const double k_nan = std::numeric_limits<double>::quiet_NaN();

class Comparisons : public OperatorTest {};

TEST_F(Comparisons, Relations) {
    const struct {
        const char* name;
        int code;
        Value l, r;
        int expect;
    } cases[] = {
        {"ints", T_Lt, i(1), i(2), 1},
        {"int and double", T_Eq, i(2), d(2.0), 1},
        {"NaN scalars are equal", T_Eq, d(k_nan), d(k_nan), 1},
        {"NaN against a number", T_Eq, d(k_nan), d(1), 0},
        {"NaN ordering is false", T_Ge, d(k_nan), d(k_nan), 0},
        {"matrix with NaN equals itself", T_Eq, mat(1, 2, {k_nan, 1}), mat(1, 2, {k_nan, 1}), 1},
        {"!= holds for every pair", T_Ne, mat(1, 2, {1, 2}), mat(1, 2, {3, 4}), 1},
        {"!= fails on one equal pair", T_Ne, mat(1, 2, {1, 2}), mat(1, 2, {1, 3}), 0},
        {"!= of equal matrices", T_Ne, mat(1, 2, {1, 2}), mat(1, 2, {1, 2}), 0},
        {"!= against a scalar", T_Ne, mat(1, 3, {1, 5, 3}), i(5), 0},
        {"NaN != NaN is false", T_Ne, mat(1, 2, {k_nan, 1}), mat(1, 2, {k_nan, 2}), 0},
        {"all elements hold", T_Gt, mat(1, 3, {2, 3, 4}), i(1), 1},
        {"one element fails", T_Gt, mat(1, 3, {2, 0, 4}), i(1), 0},
        {"scalar on the left", T_Lt, i(1), mat(1, 2, {2, 3}), 1},
        {"empty matrix is never true", T_Eq, mat(0, 0), i(0), 0},
        {"1x1 against a scalar", T_Eq, mat(1, 1, {4}), d(4), 1},
        {"shapes differ", T_Eq, mat(1, 2), mat(2, 1), 0},
        {"strings equal", T_Eq, str("abc"), str("abc"), 1},
        {"string order", T_Lt, str("abc"), str("abd"), 1},
        {"prefix is smaller", T_Lt, str("ab"), str("abc"), 1},
        {"no value equals no value", T_Eq, value::make_null(), value::make_null(), 1},
        {"no value differs from 0", T_Eq, value::make_null(), i(0), 0},
        {"no value != 0", T_Ne, i(0), value::make_null(), 1},
        {"string differs from int", T_Eq, str("a"), i(97), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Held res(binary(c.code, c.l, c.r));
        ASSERT_EQ(value::type_of(res.v), value::T_Int);
        EXPECT_EQ(res.v.u.ival, c.expect);
    }
}

TEST_F(Comparisons, OrderingNeedsComparableOperands) {
    push(str("a"));
    push(i(1));
    EXPECT_THROW(vm::apply_operator(T_Lt, sp), runtime::RunError);
    EXPECT_EQ(last_message(), error_line("string[1] < int", "bad operand"));
}

TEST_F(Comparisons, ElementwiseSelection) {
    push(mat(1, 3, {1, 0, 2}));
    push(mat(1, 3, {10, 20, 30}));
    push(i(-1));
    vm::apply_operator(T_DotQuestion, sp);
    ASSERT_EQ(depth(), 1);
    EXPECT_EQ(elements(*sp), (std::vector<double>{10, -1, 30}));
    value::release(*sp--);

    // A scalar condition takes one value whole.
    Held keep(str("kept"));
    push(i(0));
    push(i(5));
    push(alias(keep.v));
    vm::apply_operator(T_DotQuestion, sp);
    ASSERT_EQ(depth(), 1);
    EXPECT_EQ(text(*sp), "kept");
    EXPECT_TRUE(value::owns(*sp));
    value::release(*sp--);

    push(mat(2, 1, {1, 0}));
    push(mat(1, 2, {1, 2}));
    push(d(0));
    vm::apply_operator(T_DotQuestion, sp);
    EXPECT_EQ(sp->u.mat.r, 2);
    EXPECT_EQ(elements(*sp), (std::vector<double>{1, 2, 0, 0}));
}

}  // namespace
}  // namespace kj::test
