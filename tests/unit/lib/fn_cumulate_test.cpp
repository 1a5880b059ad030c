
#include "lib/library_rows.h"
#include "matrix_fn_fixture.h"

namespace kj::test {
namespace {
class CumulateBuiltins : public MatrixFnTest {
protected:
    CumulateBuiltins() : MatrixFnTest(lib::cumulate_rows()) {}
};

value::Value column(std::initializer_list<double> xs) { return matrix(static_cast<int>(xs.size()), 1, xs); }

TEST_F(CumulateBuiltins, Recursions) {
    check({
        {"cumsum", {column({1, 2, 3}), num(0.5)}, 3, 1, {1, 2.5, 4.25}},
        {"cumsum", {matrix(2, 2, {1, 10, 2, 20}), int_value(1)}, 2, 2, {1, 10, 3, 30}},
        {"cumsum", {column({1, 1, 1, 1}), matrix(1, 2, {1, 1})}, 4, 1, {1, 2, 4, 7}},
        // mstart holds y[-2] and y[-1] (its last row).
        {"cumsum", {column({1, 1}), matrix(2, 1, {1, 1}), column({10, 20})}, 2, 1, {31, 52}},
        {"cumsum", {column({1, 1}), num(0.5), int_value(4)}, 2, 1, {3, 2.5}},
        {"cumsum", {column({1, 2}), matrix(0, 0)}, 2, 1, {1, 2}},
        {"cumprod", {column({1, 2, 3, 4})}, 4, 1, {1, 2, 6, 24}},
        {"cumprod", {column({1, 2, 3, 4}), int_value(2)}, 4, 1, {1, 2, 3, 8}},
        {"cumprod", {column({2, k_nan, 3})}, 3, 1, {2, k_nan, k_nan}},
        {"cumulate", {column({1, 2, 3})}, 3, 1, {1, 3, 6}},
        {"cumulate", {column({1, 2, 3}), num(0.5)}, 3, 1, {1, 2.5, 4.25}},
        {"cumulate", {column({1, 0, 0, 0}), int_value(1), int_value(1)}, 4, 1, {1, 1, 2, 3}},
        // Row t is a column vector: A y = <1,2;0,1> (1,1)' = (3,1)'.
        {"cumulate", {matrix(2, 2, {1, 1, 0, 0}), matrix(2, 2, {1, 2, 0, 1})}, 2, 2, {1, 1, 3, 1}},
        {"cumulate", {matrix(2, 2, {1, 2, 3, 4})}, 2, 2, {1, 2, 4, 6}},
        {"cumulate", {matrix(0, 0)}, 0, 0, {}},
    });
}

TEST_F(CumulateBuiltins, LagsAndDifferences) {
    check({
        {"lag", {column({1, 2, 3})}, 3, 1, {k_nan, 1, 2}},
        {"lag", {column({1, 2, 3}), int_value(-1)}, 3, 1, {2, 3, k_nan}},
        {"lag0", {column({1, 2, 3}), matrix(1, 2, {0, 1})}, 3, 2, {1, 0, 2, 1, 3, 2}},
        {"lag", {matrix(2, 2, {1, 2, 3, 4}), int_value(1), int_value(-9)}, 2, 2, {-9, -9, 1, 2}},
        {"lag", {matrix(2, 2, {1, 2, 3, 4}), matrix(1, 2, {1, -1})}, 2, 4, {k_nan, k_nan, 3, 4, 1, 2, k_nan, k_nan}},
        {"lag", {column({1, 2}), int_value(5)}, 2, 1, {k_nan, k_nan}},
        {"lag", {column({1, 2}), matrix(0, 0)}, 0, 0, {}},
        {"diff", {column({1, 4, 9})}, 3, 1, {k_nan, 3, 5}},
        {"diff0", {column({1, 4, 9})}, 3, 1, {0, 3, 5}},
        {"diff", {column({1, 4, 9}), int_value(-1)}, 3, 1, {-3, -5, k_nan}},
        {"diff", {column({1, 4, 9}), int_value(2), num(0.5)}, 3, 1, {0.5, 0.5, 8}},
        {"diff0", {matrix(2, 2, {1, 2, 4, 8})}, 2, 2, {0, 0, 3, 6}},
    });
}

TEST_F(CumulateBuiltins, ArgumentErrors) {
    using runtime::E_ArgError;
    using runtime::E_ArgSize;
    expect_error("cumsum", {column({1, 2}), matrix(1, 2, {1, 1}), column({1, 2, 3})}, E_ArgSize,
                 "found matrix[3][1] but expected matrix[2][1] in argument 3");
    expect_error("cumsum", {column({1}), num(1), num(0), num(0)}, E_ArgError, "error in argument 4");
    expect_error("cumprod", {column({1, 2}), int_value(0)}, E_ArgError, "error in argument 2");
    expect_error("cumulate", {matrix(1, 2), int_value(1), matrix(1, 3)}, E_ArgSize,
                 "found matrix[1][3] but expected matrix[2][2] in argument 3");
    expect_error("lag", {column({1}), int_value(1), num(0), num(0)}, E_ArgError, "error in argument 4");
    expect_error("diff", {column({1}), value::make_null()}, E_ArgError,
                 "type error in argument 2; expected: int, found: .Null");
    expect_error("lag0", {array({})}, E_ArgError, "type error in argument 1; expected: matrix, found: array[0]");
}

}  // namespace
}  // namespace kj::test
