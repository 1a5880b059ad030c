// Matrix products, division through the inverse, powers, transposes.
#include "compiler/tokens.h"
#include "vm/operators_fixture.h"

namespace kj::test {
namespace {

using namespace compiler;

class MatrixOperators : public OperatorTest {};

TEST_F(MatrixOperators, Products) {
    const MatrixCase cases[] = {
        {"matrix product", T_Star, mat(2, 3, {1, 2, 3, 4, 5, 6}), mat(3, 2, {1, 0, 0, 1, 1, 1}), 2, 2, {4, 5, 10, 11}},
        {"row times column", T_Star, mat(1, 3, {1, 2, 3}), mat(3, 1, {4, 5, 6}), 1, 1, {32}},
        {"column times row", T_Star, mat(2, 1, {1, 2}), mat(1, 2, {3, 4}), 2, 2, {3, 4, 6, 8}},
        {"kronecker", T_StarStar, mat(1, 2, {1, 2}), mat(2, 1, {1, 10}), 2, 2, {1, 2, 10, 20}},
        {"horizontal direct product", T_G_StarTilde, mat(2, 2, {1, 2, 3, 4}), mat(2, 2, {1, 10, 1, 10}), 2, 4,
         {1, 10, 2, 20, 3, 30, 4, 40}},
        {"XY'", T_XYt, mat(1, 2, {1, 2}), mat(2, 2, {1, 1, 2, 3}), 1, 2, {3, 8}},
        {"scalar XY'", T_XYt, i(2), mat(1, 2, {1, 2}), 2, 1, {2, 4}},
        {"divide by a matrix", T_Slash, mat(1, 2, {4, 6}), mat(2, 2, {2, 0, 0, 3}), 1, 2, {2, 2}},
        {"scalar over a matrix", T_Slash, i(6), mat(2, 2, {2, 0, 0, 3}), 2, 2, {3, 0, 0, 2}},
        {"divide by a 1x1 is element-wise", T_Slash, mat(1, 2, {4, 6}), mat(1, 1, {2}), 1, 2, {2, 3}},
        {"matrix power", T_Caret, mat(2, 2, {1, 1, 0, 1}), i(5), 2, 2, {1, 5, 0, 1}},
        {"matrix power 0", T_Caret, mat(2, 2, {3, 1, 4, 1}), i(0), 2, 2, {1, 0, 0, 1}},
        {"negative matrix power", T_Caret, mat(2, 2, {2, 0, 0, 4}), d(-2), 2, 2, {0.25, 0, 0, 0.0625}},
        {"power by a 1x1 is element-wise", T_Caret, mat(1, 2, {2, 3}), mat(1, 1, {2}), 1, 2, {4, 9}},
        {"1x1 base is element-wise", T_Caret, mat(1, 1, {2}), mat(1, 2, {1, 3}), 1, 2, {2, 8}},
    };
    expect_matrices(cases, 1e-12);
}

TEST_F(MatrixOperators, ProductOfLargeMatricesMatchesNaiveSum) {
    const int n = 70;  // large enough for the optimised path
    Held a(mat(n, n)), b(mat(n, n));
    for (int k = 0; k < n * n; ++k) {
        a.v.u.mat.m[0][k] = (k % 7) - 3;
        b.v.u.mat.m[0][k] = (k % 5) * 0.5;
    }
    Held y(binary(T_Star, alias(a.v), alias(b.v)));
    for (int r = 0; r < n; r += 13)
        for (int c = 0; c < n; c += 11) {
            double s = 0;
            for (int k = 0; k < n; ++k) s += a.v.u.mat.m[r][k] * b.v.u.mat.m[k][c];
            EXPECT_DOUBLE_EQ(y.v.u.mat.m[r][c], s);
        }
    Held xtx(unary(T_XtX, alias(a.v)));
    for (int r = 0; r < n; r += 17)
        for (int c = 0; c < n; c += 9) {
            double s = 0;
            for (int k = 0; k < n; ++k) s += a.v.u.mat.m[k][r] * a.v.u.mat.m[k][c];
            EXPECT_DOUBLE_EQ(xtx.v.u.mat.m[r][c], s);
        }
}

TEST_F(MatrixOperators, Transposes) {
    Held t(unary(T_Transpose, mat(2, 3, {1, 2, 3, 4, 5, 6})));
    EXPECT_EQ(t.v.u.mat.r, 3);
    EXPECT_EQ(elements(t.v), (std::vector<double>{1, 4, 2, 5, 3, 6}));
    Held row(unary(T_DotTranspose, mat(1, 3, {1, 2, 3})));
    EXPECT_EQ(row.v.u.mat.r, 3);
    EXPECT_EQ(row.v.u.mat.m[2][0], 3);  // row pointers for the new shape
    Held s(unary(T_Transpose, d(2.5)));
    EXPECT_EQ(s.v.u.dval, 2.5);
    Held xtx(unary(T_XtX, mat(2, 2, {1, 2, 3, 4})));
    EXPECT_EQ(elements(xtx.v), (std::vector<double>{10, 14, 14, 20}));
    Held sq(unary(T_XtX, i(-3)));
    EXPECT_EQ(sq.v.u.ival, 9);
}

TEST_F(MatrixOperators, Failures) {
    const struct {
        const char* name;
        int code;
        Value l, r;
        std::string message;
    } cases[] = {
        {"singular divisor", T_Slash, mat(1, 2, {1, 1}), mat(2, 2, {1, 2, 2, 4}), "Runtime error: singular matrix"},
        {"singular negative power", T_Caret, mat(2, 2), i(-1), "Runtime error: singular matrix"},
        {"non-square divisor", T_Slash, mat(1, 2), mat(2, 3),
         "Runtime error: 'matrix[1][2] / matrix[2][3]' bad operand"},
        {"power of a non-square", T_Caret, mat(2, 3), i(2), "Runtime error: 'matrix[2][3] ^ int' bad operand"},
        {"fractional matrix power", T_Caret, mat(2, 2), d(0.5),
         "Runtime error: 'matrix[2][2] ^ double' bad operand"},
        {"*~ rows differ", T_G_StarTilde, mat(2, 2), mat(3, 2),
         "Runtime error: 'matrix[2][2] *~ matrix[3][2]' bad operand"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        push(c.l);
        push(c.r);
        expect_failure([&] { vm::apply_operator(c.code, sp); }, c.message);
    }
}

}  // namespace
}  // namespace kj::test
