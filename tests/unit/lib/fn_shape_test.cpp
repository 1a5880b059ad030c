#include <cmath>

#include "lib/library_rows.h"
#include "matrix_fn_fixture.h"
#include "vm/operators.h"

namespace kj::test {
namespace {
class ShapeBuiltins : public MatrixFnTest {
protected:
    ShapeBuiltins() : MatrixFnTest(lib::shape_rows()) {}
};

TEST_F(ShapeBuiltins, Creation) {
    check({
        {"zeros", {int_value(2), int_value(3)}, 2, 3, {0, 0, 0, 0, 0, 0}},
        {"zeros", {matrix(2, 1)}, 2, 1, {0, 0}},
        {"zeros", {int_value(3)}, 1, 1, {0}},  // a scalar is 1 x 1, not a size
        {"ones", {num(3)}, 1, 1, {1}},
        {"ones", {int_value(1), num(2.9)}, 1, 2, {1, 1}},
        {"nans", {int_value(1), int_value(2)}, 1, 2, {k_nan, k_nan}},
        {"nans", {int_value(0), int_value(4)}, 0, 0, {}},
        {"constant", {num(2.5), int_value(2), int_value(2)}, 2, 2, {2.5, 2.5, 2.5, 2.5}},
        {"constant", {int_value(2), int_value(3)}, 1, 1, {2}},
        {"constant", {int_value(7), matrix(1, 3)}, 1, 3, {7, 7, 7}},
        {"unit", {int_value(2)}, 2, 2, {1, 0, 0, 1}},
        {"unit", {int_value(2), int_value(3)}, 2, 3, {1, 0, 0, 0, 1, 0}},
        {"range", {int_value(1), int_value(4)}, 1, 4, {1, 2, 3, 4}},
        {"range", {int_value(3), int_value(1)}, 1, 3, {3, 2, 1}},
        {"range", {num(0), num(1), num(0.25)}, 1, 5, {0, 0.25, 0.5, 0.75, 1}},
        {"range", {num(0), num(1), num(-1)}, 0, 0, {}},
        {"range", {num(5), num(5)}, 1, 1, {5}},
    });
    // 0.1 does not divide 1 exactly in binary; the last element is still 1.
    call("range", {num(0), num(1), num(0.1)});
    ASSERT_EQ(result.v.u.mat.c, 11);
    EXPECT_DOUBLE_EQ(result.v.u.mat.m[0][10], 1.0);
    EXPECT_DOUBLE_EQ(result.v.u.mat.m[0][3], 0.30000000000000004);  // 0 + 3 * 0.1, not a running sum
}

TEST_F(ShapeBuiltins, Rearranging) {
    check({
        {"reshape", {matrix(2, 2, {1, 2, 3, 4}), int_value(3), int_value(2)}, 3, 2, {1, 2, 3, 4, 1, 2}},
        {"reshape", {matrix(2, 3, {1, 2, 3, 4, 5, 6}), int_value(1), int_value(4)}, 1, 4, {1, 2, 3, 4}},
        {"reshape", {matrix(0, 0), int_value(1), int_value(2)}, 1, 2, {0, 0}},
        {"shape", {matrix(2, 3, {1, 2, 3, 4, 5, 6}), int_value(3), int_value(2)}, 3, 2, {1, 5, 4, 3, 2, 6}},
        {"shape", {matrix(1, 2, {1, 2}), int_value(2), int_value(2)}, 2, 2, {1, 0, 2, 0}},
        {"vec", {matrix(2, 2, {1, 2, 3, 4})}, 4, 1, {1, 3, 2, 4}},
        {"vecr", {matrix(2, 2, {1, 2, 3, 4})}, 4, 1, {1, 2, 3, 4}},
        {"vec", {matrix(0, 0)}, 0, 0, {}},
        {"vech", {matrix(2, 2, {1, 2, 3, 4})}, 3, 1, {1, 3, 4}},
        {"unvech", {matrix(3, 1, {1, 2, 3})}, 2, 2, {1, 2, 2, 3}},
        {"unvech", {matrix(1, 6, {1, 2, 3, 4, 5, 6})}, 3, 3, {1, 2, 3, 2, 4, 5, 3, 5, 6}},
        {"reversec", {matrix(3, 2, {1, 2, 3, 4, 5, 6})}, 3, 2, {5, 6, 3, 4, 1, 2}},
        {"reversec", {matrix(1, 3, {1, 2, 3})}, 1, 3, {1, 2, 3}},
        {"reverser", {matrix(2, 3, {1, 2, 3, 4, 5, 6})}, 2, 3, {3, 2, 1, 6, 5, 4}},
        {"thinc", {matrix(1, 5, {1, 2, 3, 4, 5}), int_value(3)}, 1, 3, {1, 3, 5}},
        {"thinc", {matrix(1, 5, {1, 2, 3, 4, 5}), int_value(1)}, 1, 1, {1}},
        {"thinc", {matrix(1, 3, {1, 2, 3}), int_value(9)}, 1, 3, {1, 2, 3}},
        {"thinc", {matrix(1, 3, {1, 2, 3}), int_value(0)}, 0, 0, {}},
        {"thinr", {matrix(7, 1, {0, 1, 2, 3, 4, 5, 6}), int_value(3)}, 3, 1, {0, 3, 6}},
        {"thinr", {matrix(6, 1, {0, 1, 2, 3, 4, 5}), int_value(4)}, 4, 1, {0, 1, 3, 5}},
    });
}

// reshape keeps the block of a matrix nobody else holds (a temporary) under
// the new shape, and copies a matrix that a variable still holds, which stays
// as it was.
TEST_F(ShapeBuiltins, ReshapeKeepsTheBlockOfATemporary) {
    value::Value temporary = matrix(2, 3, {1, 2, 3, 4, 5, 6});
    const double* block = temporary.u.mat.m[0];
    call("reshape", {temporary, int_value(3), int_value(2)});
    expect_matrix(3, 2, {1, 2, 3, 4, 5, 6});
    EXPECT_EQ(result.v.u.mat.m[0], block);

    Owned held{matrix(2, 3, {1, 2, 3, 4, 5, 6})};
    value::Value alias = held.v;
    alias.type &= ~value::k_owns;
    call("reshape", {alias, int_value(6), int_value(1)});
    expect_matrix(6, 1, {1, 2, 3, 4, 5, 6});
    EXPECT_NE(result.v.u.mat.m[0], held.v.u.mat.m[0]);
    ASSERT_EQ(held.v.u.mat.r, 2);
    EXPECT_EQ(held.v.u.mat.m[1][2], 6);

    // A temporary of another size is read cyclically into a new block.
    call("reshape", {matrix(1, 2, {7, 8}), int_value(2), int_value(2)});
    expect_matrix(2, 2, {7, 8, 7, 8});
}

TEST_F(ShapeBuiltins, StringsAndArraysReverse) {
    call("reversec", {string("abc")});
    ASSERT_EQ(value::type_of(result.v), value::T_String);
    EXPECT_EQ(std::string(result.v.u.str.s, 3), "cba");
    call("reverser", {array({int_value(1), string("x"), num(2.5)})});
    ASSERT_EQ(value::type_of(result.v), value::T_Array);
    ASSERT_EQ(result.v.u.arr.n, 3);
    EXPECT_EQ(result.v.u.arr.v[0].u.dval, 2.5);
    EXPECT_EQ(value::type_of(result.v.u.arr.v[1]), value::T_String);
    EXPECT_TRUE(value::owns(result.v.u.arr.v[1]));  // a copy: the argument was released
    EXPECT_EQ(result.v.u.arr.v[2].u.ival, 1);
}

TEST_F(ShapeBuiltins, DiagonalsAndTriangles) {
    const auto m22 = [] { return matrix(2, 2, {1, 2, 3, 4}); };
    check({
        {"diag", {matrix(1, 2, {1, 2})}, 2, 2, {1, 0, 0, 2}},
        {"diag", {num(5)}, 1, 1, {5}},
        {"diagonal", {m22()}, 1, 2, {1, 4}},
        {"diagonal", {matrix(2, 3, {1, 2, 3, 4, 5, 6})}, 1, 2, {1, 5}},
        {"diagonal", {m22(), int_value(1), int_value(1)}, 3, 2, {0, 2, 1, 4, 3, 0}},
        {"diagonal", {matrix(3, 2, {1, 2, 3, 4, 5, 6}), int_value(0), int_value(1)}, 2, 2, {1, 4, 3, 6}},
        {"diagonal", {matrix(2, 3, {1, 2, 3, 4, 5, 6}), int_value(0)}, 1, 3, {1, 5, 0}},
        {"diagcat", {int_value(1), matrix(1, 2, {2, 3})}, 2, 3, {1, 0, 0, 0, 2, 3}},
        {"diagcat", {matrix(0, 0), num(1), matrix(0, 2)}, 1, 1, {1}},
        {"setdiagonal", {m22(), int_value(9)}, 2, 2, {9, 2, 3, 9}},
        {"setdiagonal", {m22(), matrix(2, 1, {7, 8})}, 2, 2, {7, 2, 3, 8}},
        {"setdiagonal", {m22(), matrix(2, 2, {5, 6, 7, 8})}, 2, 2, {5, 2, 3, 8}},
        {"setdiagonal", {matrix(2, 3, {1, 2, 3, 4, 5, 6}), matrix(1, 2, {0, 0})}, 2, 3, {0, 2, 3, 4, 0, 6}},
        {"lower", {m22()}, 2, 2, {1, 0, 3, 4}},
        {"upper", {m22()}, 2, 2, {1, 2, 0, 4}},
        {"lower", {matrix(2, 3, {1, 2, 3, 4, 5, 6})}, 2, 3, {1, 0, 0, 4, 5, 0}},
        {"upper", {matrix(3, 2, {1, 2, 3, 4, 5, 6})}, 3, 2, {1, 2, 0, 4, 0, 0}},
        {"setlower", {m22(), int_value(0)}, 2, 2, {1, 2, 0, 4}},
        {"setlower", {m22(), matrix(2, 2, {0, 0, 7, 0})}, 2, 2, {1, 2, 7, 4}},
        {"setupper", {m22(), int_value(0), int_value(9)}, 2, 2, {9, 0, 3, 9}},
        {"toeplitz", {matrix(1, 3, {1, 2, 3})}, 3, 3, {1, 2, 3, 2, 1, 2, 3, 2, 1}},
        {"toeplitz", {matrix(2, 1, {1, 2}), int_value(3)}, 3, 3, {1, 2, 0, 2, 1, 2, 0, 2, 1}},
        {"toeplitz", {matrix(1, 3, {1, 2, 3}), int_value(3), matrix(1, 3, {0, 8, 9})}, 3, 3,
         {1, 8, 9, 2, 1, 8, 3, 2, 1}},
    });
}

TEST_F(ShapeBuiltins, ProductsSumsAndBins) {
    const auto x = [] { return matrix(2, 2, {1, 2, 3, 4}); };
    check({
        {"outer", {matrix(1, 2, {1, 2}), matrix(0, 0)}, 1, 1, {5}},
        {"outer", {x(), int_value(0)}, 2, 2, {5, 11, 11, 25}},
        {"outer", {x(), matrix(2, 2, {2, 0, 0, 1})}, 2, 2, {6, 14, 14, 34}},
        // A non-symmetric S: X S = <1,3;3,7>, then times X'.
        {"outer", {x(), matrix(2, 2, {1, 1, 0, 1})}, 2, 2, {7, 15, 17, 37}},
        {"outer", {x(), matrix(2, 2, {2, 0, 0, 1}), int_value('d')}, 2, 1, {6, 34}},
        {"outer", {x(), int_value(0), string("d")}, 2, 1, {5, 25}},
        {"aggregatec", {matrix(5, 1, {1, 2, 3, 4, 5}), int_value(2)}, 3, 1, {3, 7, 5}},
        {"aggregatec", {matrix(2, 2, {1, k_nan, 3, 4}), int_value(2)}, 1, 2, {4, k_nan}},
        {"aggregatec", {matrix(0, 3), int_value(2)}, 0, 0, {}},
        {"aggregater", {matrix(1, 3, {1, 2, 3}), int_value(2)}, 1, 2, {3, 3}},
        {"discretize", {matrix(1, 3, {0, 0.25, 1}), num(0), num(1), int_value(3), int_value(1)}, 1, 3,
         {1.5, 0.5, 1}},
        {"discretize", {matrix(3, 1, {0, 0.25, 1}), num(0), num(1), int_value(3), int_value(0)}, 1, 3,
         {1, 1, 1}},
        // Outside points and NaN are skipped; dmin >= dmax takes each row's own range.
        {"discretize", {matrix(1, 4, {-1, 0.5, 2, k_nan}), num(0), num(1), int_value(2), int_value(0)}, 1, 2,
         {0, 1}},
        {"discretize", {matrix(2, 3, {2, 3, 4, 0, 10, 5}), num(1), num(0), int_value(3), int_value(1)}, 2, 3,
         {1, 1, 1, 1, 1, 1}},
    });
    call("trace", {x()});
    EXPECT_EQ(result.v.type, static_cast<uint32_t>(KJ_TYPE_DOUBLE));
    EXPECT_EQ(result.v.u.dval, 5);
    call("trace", {matrix(0, 0)});
    EXPECT_EQ(result.v.u.dval, 0);
}

// The natives answer as the inline size instructions do, for every kind of value.
TEST_F(ShapeBuiltins, SizeQueriesMatchTheInlineInstructions) {
    const struct {
        const char* fn;
        int inline_code;
    } queries[] = {{"columns", 142}, {"rows", 152}, {"sizeof", 154}, {"sizec", 161}, {"sizer", 162}, {"sizerc", 163}};
    const struct {
        const char* name;
        value::Value (*make)();
        int rows, columns, sizer, sizec;
    } values[] = {
        {"int", [] { return int_value(3); }, 0, 0, 1, 1},
        {"double", [] { return num(2.5); }, 0, 0, 1, 1},
        {"matrix", [] { return matrix(2, 3); }, 2, 3, 2, 3},
        {"string", [] { return string("abcd"); }, 4, 4, 1, 4},
        {"array", [] { return array({int_value(1), int_value(2)}); }, 2, 2, 1, 2},
        {"no value", [] { return value::make_null(); }, 0, 0, 0, 0},
    };
    for (const auto& v : values) {
        for (const auto& q : queries) {
            SCOPED_TRACE(std::string(v.name) + " " + q.fn);
            call(q.fn, {v.make()});
            ASSERT_EQ(value::type_of(result.v), value::T_Int);
            const std::string fn = q.fn;
            const int want = fn == "rows"      ? v.rows
                             : fn == "columns" ? v.columns
                             : fn == "sizer"   ? v.sizer
                             : fn == "sizec"   ? v.sizec
                                               : v.sizer * v.sizec;
            EXPECT_EQ(result.v.u.ival, want);
            Owned top(v.make());
            vm::apply_inline(q.inline_code, top.v);
            EXPECT_EQ(top.v.u.ival, result.v.u.ival);
        }
    }
}

TEST_F(ShapeBuiltins, ArgumentErrors) {
    using runtime::E_ArgError;
    using runtime::E_ArgSize;
    expect_error("zeros", {int_value(1), int_value(2), int_value(3)}, E_ArgError, "error in argument 3");
    expect_error("zeros", {int_value(-1), int_value(2)}, runtime::E_NegativeDim, "");
    expect_error("ones", {array({int_value(1)})}, E_ArgError,
                 "type error in argument 1; expected: matrix, found: array[1]");
    expect_error("constant", {num(1), value::make_null(), int_value(2)}, E_ArgError,
                 "type error in argument 2; expected: int, found: .Null");
    expect_error("range", {num(0), num(1), num(0)}, E_ArgError, "error in argument 3");
    expect_error("unvech", {matrix(1, 2, {1, 2})}, E_ArgError, "error in argument 1");
    expect_error("vech", {matrix(1, 3)}, E_ArgSize, "found matrix[1][3] but expected square matrix in argument 1");
    expect_error("trace", {matrix(2, 3)}, E_ArgSize, "found matrix[2][3] but expected square matrix in argument 1");
    expect_error("diagonal", {matrix(2, 2), int_value(-1)}, E_ArgError, "error in argument 2");
    expect_error("diagonal", {matrix(2, 2), int_value(0), int_value(-1)}, E_ArgError, "error in argument 3");
    expect_error("setdiagonal", {matrix(2, 2), matrix(1, 3)}, E_ArgError, "error in argument 2");
    expect_error("setlower", {matrix(2, 2), matrix(2, 3)}, E_ArgError, "error in argument 2");
    expect_error("setupper", {matrix(2, 2), int_value(0), matrix(1, 3)}, E_ArgError, "error in argument 3");
    expect_error("outer", {matrix(1, 2), matrix(3, 2)}, E_ArgSize,
                 "found matrix[3][2] but expected matrix[2][2] in argument 2");
    expect_error("aggregatec", {matrix(2, 2), int_value(0)}, E_ArgError, "error in argument 2");
    expect_error("discretize", {matrix(1, 2), num(0), num(1), int_value(1), int_value(0)}, E_ArgError,
                 "error in argument 4");
    expect_error("discretize", {matrix(1, 2), num(0), num(1), int_value(3), int_value(2)}, E_ArgError,
                 "error in argument 5");
    expect_error("reshape", {value::make_null(), int_value(1), int_value(1)}, E_ArgError,
                 "type error in argument 1; expected: matrix, found: .Null");
}

}  // namespace
}  // namespace kj::test
