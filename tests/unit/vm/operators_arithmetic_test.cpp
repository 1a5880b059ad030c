// Arithmetic type rules, shapes and in-place reuse of owned operands.
#include <limits>

#include "compiler/tokens.h"
#include "vm/operators_fixture.h"

namespace kj::test {
namespace {

using namespace compiler;
const double k_nan = std::numeric_limits<double>::quiet_NaN();
const double k_inf = std::numeric_limits<double>::infinity();

class Arithmetic : public OperatorTest {};

TEST_F(Arithmetic, ScalarTypeRules) {
    const struct {
        const char* name;
        int code;
        Value l, r;
        uint32_t type;  // value type of the result
        double expect;
    } cases[] = {
        {"int + wraps", T_Plus, i(2147483647), i(1), value::T_Int, -2147483648.0},
        {"int - wraps", T_Minus, i(-2147483647 - 1), i(1), value::T_Int, 2147483647.0},
        {"int * wraps", T_Star, i(65536), i(65536), value::T_Int, 0},
        {"int .* int", T_DotStar, i(-3), i(4), value::T_Int, -12},
        {"int ** int is a product", T_StarStar, i(3), i(4), value::T_Int, 12},
        {"int + double", T_Plus, i(1), d(0.5), value::T_Double, 1.5},
        {"int / int is double", T_Slash, i(7), i(2), value::T_Double, 3.5},
        {"int ./ int is double", T_DotSlash, i(1), i(4), value::T_Double, 0.25},
        {"1 / 0 is +inf", T_Slash, i(1), i(0), value::T_Double, k_inf},
        {"2 ^ 10 stays int", T_Caret, i(2), i(10), value::T_Int, 1024},
        {"2 ^ 15 stays int", T_Caret, i(2), i(15), value::T_Int, 32768},
        {"-2 ^ 15 stays int", T_Caret, i(-2), i(15), value::T_Int, -32768},
        {"2 ^ 16 switches to double", T_Caret, i(2), i(16), value::T_Double, 65536},
        {"3 ^ 40 is double", T_Caret, i(3), i(40), value::T_Double, std::pow(3.0, 40)},
        {"2 ^ -1 is double", T_Caret, i(2), i(-1), value::T_Double, 0.5},
        {"x ^ 0 is int 1", T_Caret, i(-7), i(0), value::T_Int, 1},
        {"0 ^ 5 is int 0", T_DotCaret, i(0), i(5), value::T_Int, 0},
        {"double ^ int", T_Caret, d(1.5), i(2), value::T_Double, 2.25},
        {"int % int, sign of left", T_Percent, i(-7), i(3), value::T_Int, -1},
        {"int % negative", T_Percent, i(7), i(-3), value::T_Int, 1},
        {"double % rounds first", T_Percent, d(7.6), i(3), value::T_Int, 2},
        {"INT_MIN % -1", T_Percent, i(-2147483647 - 1), i(-1), value::T_Int, 0},
        {".== ints", T_DotEq, i(3), i(3), value::T_Int, 1},
        {".< with NaN", T_DotLt, d(k_nan), i(1), value::T_Int, 0},
        {".== NaN NaN", T_DotEq, d(k_nan), d(k_nan), value::T_Int, 1},
        {".&&", T_DotAndAnd, i(2), i(0), value::T_Int, 0},
        {".||", T_DotOrOr, i(0), d(0.5), value::T_Int, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Held res(binary(c.code, c.l, c.r));
        ASSERT_EQ(value::type_of(res.v), c.type);
        if (c.type == value::T_Int)
            EXPECT_EQ(res.v.u.ival, static_cast<int>(c.expect));
        else
            EXPECT_EQ(res.v.u.dval, c.expect);
    }
}

TEST_F(Arithmetic, MatrixShapes) {
    const MatrixCase cases[] = {
        {"row + column broadcasts", T_Plus, mat(1, 3, {1, 2, 3}), mat(2, 1, {10, 20}), 2, 3, {11, 12, 13, 21, 22, 23}},
        {"matrix + int", T_Plus, mat(2, 2, {1, 2, 3, 4}), i(1), 2, 2, {2, 3, 4, 5}},
        {"double - matrix", T_Minus, d(10), mat(1, 2, {1, 2}), 1, 2, {9, 8}},
        {"1x1 applies to all", T_Plus, mat(1, 1, {5}), mat(2, 2, {1, 2, 3, 4}), 2, 2, {6, 7, 8, 9}},
        {"1x1 + 1x1 stays a matrix", T_Plus, mat(1, 1, {5}), mat(1, 1, {1}), 1, 1, {6}},
        {"empty dimension gives 0x0", T_Plus, mat(0, 3), mat(2, 2), 0, 0, {}},
        {"scalar keeps empty shape", T_Plus, mat(0, 3), i(1), 0, 3, {}},
        {"equal shapes", T_DotStar, mat(2, 2, {1, 2, 3, 4}), mat(2, 2, {2, 2, 2, 2}), 2, 2, {2, 4, 6, 8}},
        {"./ by a row", T_DotSlash, mat(2, 2, {2, 4, 6, 8}), mat(1, 2, {2, 4}), 2, 2, {1, 1, 3, 2}},
        {".^ int", T_DotCaret, mat(1, 3, {1, 2, 3}), i(2), 1, 3, {1, 4, 9}},
        {"* with a scalar is element-wise", T_Star, mat(1, 2, {1, 2}), i(3), 1, 2, {3, 6}},
        {"* with a 1x1 is element-wise", T_Star, mat(1, 2, {1, 2}), mat(1, 1, {3}), 1, 2, {3, 6}},
        {"% rounds elements", T_Percent, mat(1, 2, {7.6, -7}), i(3), 1, 2, {2, -1}},
        {".> broadcasts", T_DotGt, mat(2, 1, {1, 5}), mat(1, 2, {2, 4}), 2, 2, {0, 0, 1, 1}},
        {".== NaN equal NaN", T_DotEq, mat(1, 2, {k_nan, 1}), mat(1, 2, {k_nan, 2}), 1, 2, {1, 0}},
        {".!= negates .==", T_DotNe, mat(1, 2, {k_nan, 1}), mat(1, 2, {k_nan, 2}), 1, 2, {0, 1}},
        {".<= NaN is false", T_DotLe, mat(1, 2, {k_nan, 1}), d(1), 1, 2, {0, 1}},
        {".&& matrix", T_DotAndAnd, mat(1, 3, {1, 0, 2}), mat(1, 3, {1, 1, 0}), 1, 3, {1, 0, 0}},
        {"** scalar with matrix", T_StarStar, i(2), mat(1, 2, {1, 2}), 1, 2, {2, 4}},
    };
    expect_matrices(cases);
}

TEST_F(Arithmetic, OwnedOperandIsReusedInPlace) {
    Value a = mat(2, 2, {1, 2, 3, 4});
    Held b(mat(2, 2, {1, 1, 1, 1}));
    double** block = a.u.mat.m;
    Held sum(binary(T_Plus, a, alias(b.v)));
    EXPECT_EQ(sum.v.u.mat.m, block);  // left owned: no new block
    EXPECT_EQ(elements(sum.v), (std::vector<double>{2, 3, 4, 5}));

    // An alias on the left and an owned right of the result's shape: the
    // right's block carries the result, and the left's payload is untouched.
    Value r = mat(2, 2, {10, 10, 10, 10});
    double** rblock = r.u.mat.m;
    Held diff(binary(T_Minus, alias(b.v), r));
    EXPECT_EQ(diff.v.u.mat.m, rblock);
    EXPECT_EQ(elements(diff.v), (std::vector<double>{-9, -9, -9, -9}));
    EXPECT_EQ(elements(b.v), (std::vector<double>{1, 1, 1, 1}));

    // Two aliases: a new block.
    Held prod(binary(T_DotStar, alias(b.v), alias(b.v)));
    EXPECT_NE(prod.v.u.mat.m, b.v.u.mat.m);
    EXPECT_TRUE(value::owns(prod.v));
}

TEST_F(Arithmetic, StringsJoinWithPlus) {
    Held s(binary(T_Plus, str("ab"), str("cd")));
    EXPECT_EQ(text(s.v), "abcd");
}

TEST_F(Arithmetic, BadOperandNamesBothOperands) {
    const struct {
        const char* name;
        int code;
        Value l, r;
        const char* item;
    } cases[] = {
        {"shapes clash", T_Plus, mat(2, 3), mat(3, 2), "matrix[2][3] + matrix[3][2]"},
        {"string and int", T_Minus, str("abc"), i(1), "string[3] - int"},
        {"string + matrix", T_Plus, str("abc"), mat(1, 2), "string[3] + matrix[1][2]"},
        {"no value", T_Star, value::make_null(), d(2), ".Null * double"},
        {"product dimensions", T_Star, mat(2, 3), mat(2, 3), "matrix[2][3] * matrix[2][3]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        push(c.l);
        push(c.r);
        expect_failure(
            [&] {
                EXPECT_EQ(depth(), 2);  // the operands stay for the run boundary to release
                vm::apply_operator(c.code, sp);
            },
            error_line(c.item, "bad operand"));
    }
}

TEST_F(Arithmetic, ScalarErrors) {
    const struct {
        int code;
        Value l, r;
        const char* message;
    } cases[] = {
        {T_Caret, i(0), i(-1), "Runtime error: negative power of zero"},
        {T_Percent, i(5), d(0.2), "Runtime error: divide by zero"},  // 0.2 rounds to 0
        {T_Percent, mat(1, 2, {1, 2}), i(0), "Runtime error: divide by zero"},
    };
    for (const auto& c : cases) {
        push(c.l);
        push(c.r);
        expect_failure([&] { vm::apply_operator(c.code, sp); }, c.message);
    }
}

TEST_F(Arithmetic, UnaryOperators) {
    Held neg(unary(T_UnaryMinus, i(-2147483647 - 1)));
    EXPECT_EQ(neg.v.u.ival, -2147483647 - 1);
    Held inc(unary(T_PlusPlus, i(2147483647)));
    EXPECT_EQ(inc.v.u.ival, -2147483647 - 1);
    Held dec(unary(T_MinusMinus, d(0.5)));
    EXPECT_EQ(dec.v.u.dval, -0.5);
    Held notd(unary(T_Not, d(0.0)));
    EXPECT_EQ(value::type_of(notd.v), value::T_Int);
    EXPECT_EQ(notd.v.u.ival, 1);

    Held m(mat(1, 3, {1, 0, -2}));
    Held negm(unary(T_UnaryMinus, alias(m.v)));
    EXPECT_EQ(elements(negm.v), (std::vector<double>{-1, 0, 2}));
    EXPECT_EQ(elements(m.v), (std::vector<double>{1, 0, -2}));  // the alias's payload is untouched
    Held notm(unary(T_Not, alias(m.v)));
    EXPECT_EQ(elements(notm.v), (std::vector<double>{0, 1, 0}));

    push(str("x"));
    EXPECT_THROW(vm::apply_operator(T_UnaryMinus, sp), runtime::RunError);
    EXPECT_EQ(last_message(), error_line("Unary - string[1]", "bad operand"));
}

}  // namespace
}  // namespace kj::test
