#include <cmath>

#include "lib/library_rows.h"
#include "matrix_fn_fixture.h"

namespace kj::test {
namespace {
class ReduceBuiltins : public MatrixFnTest {
protected:
    ReduceBuiltins() : MatrixFnTest(lib::reduce_rows()) {}
};

// Four observations of three variables; the last has a zero among ones.
value::Value data() { return matrix(4, 3, {1, 2, 0, 3, 5, 1, 4, 4, 1, 8, 1, 1}); }

TEST_F(ReduceBuiltins, ColumnsAndRows) {
    check({
        {"sumc", {data()}, 1, 3, {16, 12, 3}},
        {"sumr", {data()}, 4, 1, {3, 9, 9, 10}},
        {"meanc", {data()}, 1, 3, {4, 3, 0.75}},
        {"meanr", {data()}, 4, 1, {1, 3, 3, 10.0 / 3}},
        {"varc", {data()}, 1, 3, {6.5, 2.5, 0.1875}},
        {"varr", {data()}, 4, 1, {2.0 / 3, 8.0 / 3, 2, 294.0 / 27}},
        {"prodc", {data()}, 1, 3, {96, 40, 0}},
        {"prodr", {data()}, 4, 1, {0, 15, 16, 8}},
        {"sumsqrc", {data()}, 1, 3, {90, 46, 3}},
        {"sumsqrr", {data()}, 4, 1, {5, 35, 33, 66}},
        {"maxc", {data()}, 1, 3, {8, 5, 1}},
        {"minc", {data()}, 1, 3, {1, 1, 0}},
        {"maxr", {data()}, 4, 1, {2, 5, 4, 8}},
        {"minr", {data()}, 4, 1, {0, 1, 1, 1}},
        {"maxcindex", {data()}, 1, 3, {3, 1, 1}},  // first of the tied ones
        {"mincindex", {data()}, 1, 3, {0, 3, 0}},
        // Rows longer than the four partial sums, with a remainder.
        {"sumr", {matrix(1, 6, {1, 2, 3, 4, 5, 6})}, 1, 1, {21}},
        {"maxr", {matrix(1, 6, {3, k_nan, 7, 1, 9, 2})}, 1, 1, {9}},
        {"minr", {matrix(1, 6, {3, k_nan, 7, 1, 9, 2})}, 1, 1, {1}},
        {"sumc", {num(2.5)}, 1, 1, {2.5}},
        {"sumc", {matrix(0, 2)}, 1, 2, {0, 0}},
        {"meanc", {matrix(0, 2)}, 1, 2, {k_nan, k_nan}},
        {"sumc", {matrix(0, 0)}, 0, 0, {}},
    });
}

TEST_F(ReduceBuiltins, MissingValues) {
    const auto x = [] { return matrix(3, 2, {k_nan, 1, 2, k_nan, 1, k_nan}); };
    check({
        // Sums, products and moments propagate NaN ...
        {"sumc", {x()}, 1, 2, {k_nan, k_nan}},
        {"meanr", {x()}, 3, 1, {k_nan, k_nan, k_nan}},
        {"prodr", {matrix(1, 2, {k_nan, 0})}, 1, 1, {k_nan}},
        {"varc", {matrix(2, 1, {1, k_nan})}, 1, 1, {k_nan}},
        // ... the extremes skip it, and give NaN or -1 when nothing is left.
        {"maxc", {x()}, 1, 2, {2, 1}},
        {"minc", {x()}, 1, 2, {1, 1}},
        {"maxcindex", {x()}, 1, 2, {1, 0}},
        {"mincindex", {matrix(2, 2, {k_nan, 3, k_nan, 1})}, 1, 2, {-1, 1}},
        {"maxc", {matrix(2, 1, {k_nan, k_nan})}, 1, 1, {k_nan}},
        {"minr", {matrix(1, 5, {k_nan, k_nan, k_nan, k_nan, k_nan})}, 1, 1, {k_nan}},
    });
}

TEST_F(ReduceBuiltins, CovarianceCorrelationStandardize) {
    check({
        {"variance", {data()}, 3, 3, {6.5, -1.75, 0.75, -1.75, 2.5, 0.25, 0.75, 0.25, 0.1875}},
        {"correlation",
         {data()},
         3,
         3,
         {1.0, -0.43412157106222965, 0.6793662204867574, -0.43412157106222965, 1.0, 0.3651483716701107,
          0.6793662204867574, 0.3651483716701107, 1.0}},
        // A constant column correlates 0; NaN fills its row and column.
        {"correlation", {matrix(3, 2, {1, 5, 2, 5, 3, 5})}, 2, 2, {1, 0, 0, 1}},
        {"correlation", {matrix(2, 2, {1, k_nan, 2, 3})}, 2, 2, {1, k_nan, k_nan, k_nan}},
        {"correlation", {matrix(0, 3)}, 0, 0, {}},
        {"standardize", {matrix(2, 2, {1, 7, 3, 7})}, 2, 2, {-1, 0, 1, 0}},
        {"standardize", {matrix(2, 1, {1, k_nan})}, 2, 1, {k_nan, k_nan}},
    });
}

TEST_F(ReduceBuiltins, Moments) {
    check({
        {"moments",
         {data()},
         5,
         3,
         {4, 4, 4, 4, 3, 0.75, 2.5495097567963922, 1.5811388300841898, 0.4330127018922193, 0.5430908357672789, 0,
          -1.1547005383792515, 2.0, 1.36, 2.3333333333333335}},
        {"moments",
         {data(), int_value(4), int_value(0)},
         5,
         3,
         {4, 4, 4, 4, 3, 0.75, 6.5, 2.5, 0.1875, 9, 0, -0.09375, 84.5, 8.5, 0.08203125}},
        {"moments", {matrix(2, 1, {1, 1}), int_value(3)}, 4, 1, {2, 1, 0, 0}},
        {"moments", {data(), int_value(0)}, 1, 3, {4, 4, 4}},
    });
}

TEST_F(ReduceBuiltins, Quantiles) {
    check({
        {"quantilec", {matrix(4, 1, {1, 2, 3, 4})}, 1, 1, {2.5}},
        {"quantilec", {matrix(4, 1, {4, 1, 3, 2}), num(0.25)}, 1, 1, {1.75}},
        {"quantilec", {data(), matrix(1, 3, {0, 0.5, 1})}, 3, 3, {1, 1, 0, 3.5, 3, 1, 8, 5, 1}},
        // More probabilities than the selection path takes: the sorted path.
        {"quantilec", {data(), matrix(5, 1, {0, 0.25, 0.5, 0.75, 1})}, 5, 3,
         {1, 1, 0, 2.5, 1.75, 0.75, 3.5, 3, 1, 5, 4.25, 1, 8, 5, 1}},
        {"quantilec", {matrix(3, 1, {k_nan, 1, 3})}, 1, 1, {2}},
        {"quantilec", {matrix(2, 1, {k_nan, k_nan})}, 1, 1, {k_nan}},
        {"quantilec", {matrix(1, 3, {1, 2, 3})}, 1, 3, {1, 2, 3}},  // one value per column
        {"quantiler", {matrix(2, 4, {1, 2, 3, 4, 8, 4, 1, 3}), matrix(1, 2, {0.25, 0.5})}, 2, 2,
         {1.75, 2.5, 2.5, 3.5}},
    });
}

TEST_F(ReduceBuiltins, Counts) {
    check({
        {"countc", {matrix(5, 1, {1, 2, 3, 4, 5}), matrix(1, 2, {2, 4})}, 3, 1, {2, 2, 1}},
        {"countr", {matrix(1, 5, {1, 2, 3, 4, 5}), matrix(2, 1, {2, 4})}, 1, 3, {2, 2, 1}},
        // Bounds belong to the interval below them; NaN is counted nowhere.
        {"countc", {matrix(4, 1, {2, k_nan, 4.5, -1}), matrix(1, 2, {2, 4})}, 3, 1, {2, 0, 1}},
        {"countc", {matrix(2, 2, {1, k_nan, 2, 3}), matrix(0, 0)}, 1, 2, {2, 1}},
    });
}

TEST_F(ReduceBuiltins, AnyMaxMin) {
    const struct {
        const char* fn;
        std::vector<value::Value> args;
        uint32_t type;
        double value;
    } cases[] = {
        {"any", {int_value(0)}, value::T_Int, 0},
        {"any", {int_value(-3)}, value::T_Int, 1},
        {"any", {num(k_nan)}, value::T_Int, 1},
        {"any", {matrix(2, 2)}, value::T_Int, 0},
        {"any", {matrix(1, 3, {0, 0, 0.5})}, value::T_Int, 1},
        {"any", {matrix(0, 0)}, value::T_Int, 0},
        {"max", {matrix(2, 2, {1, 5, 2, k_nan}), int_value(3)}, value::T_Double, 5},
        {"max", {int_value(1), int_value(7), int_value(3)}, value::T_Int, 7},
        {"min", {int_value(4), matrix(0, 0)}, value::T_Double, 4},
        {"min", {matrix(1, 3, {3, k_nan, -2}), num(2.5)}, value::T_Double, -2},
        {"max", {num(k_nan)}, value::T_Double, k_nan},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fn);
        call(c.fn, c.args);
        ASSERT_EQ(result.v.type, c.type);
        const double got = c.type == value::T_Int ? result.v.u.ival : result.v.u.dval;
        if (std::isnan(c.value)) {
            EXPECT_TRUE(std::isnan(got));
        } else {
            EXPECT_EQ(got, c.value);
        }
    }
}

TEST_F(ReduceBuiltins, ArgumentErrors) {
    using runtime::E_ArgError;
    expect_error("moments", {data(), int_value(-1)}, E_ArgError, "error in argument 2");
    expect_error("moments", {data(), int_value(4), int_value(1), int_value(0)}, E_ArgError, "error in argument 4");
    expect_error("quantilec", {data(), matrix(1, 2, {0.5, 1.5})}, E_ArgError, "error in argument 2");
    expect_error("quantiler", {data(), num(k_nan)}, E_ArgError, "error in argument 2");
    expect_error("max", {int_value(1), string("a")}, E_ArgError,
                 "type error in argument 2; expected: matrix, found: string[1]");
    expect_error("any", {string("a")}, E_ArgError, "type error in argument 1; expected: matrix, found: string[1]");
    expect_error("sumc", {array({})}, E_ArgError, "type error in argument 1; expected: matrix, found: array[0]");
}

// The GAUSS median is quantilec called with its one required argument.
TEST_F(ReduceBuiltins, MedianThroughTheTable) {
    link::free_function_table();
    lib::register_library();
    const link::LibEntry* median = link::find_function("gauss::median");
    const link::LibEntry* quantilec = link::find_function("quantilec");
    ASSERT_NE(median, nullptr);
    ASSERT_NE(quantilec, nullptr);
    EXPECT_EQ(median->fn, quantilec->fn);
    EXPECT_EQ(median->param_count, 1);
    EXPECT_EQ(median->flags & link::k_varargs, 0u);
    link::free_function_table();
}

}  // namespace
}  // namespace kj::test
