// Casts, concatenation, ranges and the small operators.
#include <limits>

#include "compiler/tokens.h"
#include "vm/conversions.h"
#include "vm/operators_fixture.h"

namespace kj::test {
namespace {

using namespace compiler;
const double k_nan = std::numeric_limits<double>::quiet_NaN();

class Conversions : public OperatorTest {};

TEST_F(Conversions, ToIntAndDouble) {
    const struct {
        const char* name;
        Value v;
        int as_int;
    } ints[] = {
        {"double truncates", d(-2.7), -2},
        {"out of range", d(3e9), -2147483647 - 1},
        {"NaN", d(k_nan), -2147483647 - 1},
        {"matrix first element", mat(2, 2, {7.9, 1, 1, 1}), 7},
        {"string first byte is signed", str("\xff"), -1},
        {"empty string", str(""), 0},
        {"range first index", range(3, 9), 3},
    };
    for (const auto& c : ints) {
        SCOPED_TRACE(c.name);
        Held res(unary(compiler::T_Int, c.v));
        ASSERT_EQ(value::type_of(res.v), value::T_Int);
        EXPECT_EQ(res.v.u.ival, c.as_int);
    }
    Held strict(mat(2, 2));
    EXPECT_THROW(vm::to_int(strict.v, vm::Strictness::Strict), runtime::RunError);
    EXPECT_EQ(last_message(), error_line("matrix[2][2]", "cannot cast to int"));
    Held one(mat(1, 1, {4}));
    EXPECT_EQ(vm::to_int(one.v, vm::Strictness::Strict), 4);

    Held packed(unary(compiler::T_Double, str("AB")));
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&packed.v.u.dval);
    EXPECT_EQ(bytes[0], 'A');
    EXPECT_EQ(bytes[1], 'B');
    EXPECT_EQ(bytes[2], 0);

    const struct {
        int code;
        Value v;
        const char* item;
        const char* message;
    } failures[] = {
        {compiler::T_Int, mat(0, 0), "matrix[0][0]", "cannot cast to int"},
        {compiler::T_Double, value::make_null(), ".Null", "cannot cast to double"},
        {compiler::T_Matrix, value::make_null(), ".Null", "cannot cast to matrix"},
        {compiler::T_String, mat(2, 2), "matrix[2][2]", "cannot typecast"},
    };
    for (const auto& f : failures) {
        push(f.v);
        expect_failure([&] { vm::apply_operator(f.code, sp); }, error_line(f.item, f.message));
    }
}

TEST_F(Conversions, ToMatrixStringAndArray) {
    Held r(unary(compiler::T_Matrix, range(2, 5)));
    EXPECT_EQ(elements(r.v), (std::vector<double>{2, 3, 4, 5}));
    Held empty(unary(compiler::T_Matrix, range(5, 2)));
    EXPECT_EQ(empty.v.u.mat.r * empty.v.u.mat.c, 0);
    Held s(unary(compiler::T_Matrix, str("A")));
    EXPECT_EQ(elements(s.v), (std::vector<double>{65}));
    Held m(unary(T_ToMatrix1x1, i(3)));
    EXPECT_EQ(elements(m.v), (std::vector<double>{3}));
    Held dbl(unary(T_IntToDouble, i(3)));
    EXPECT_EQ(value::type_of(dbl.v), value::T_Double);

    Held text_int(unary(compiler::T_String, i(-12)));
    EXPECT_EQ(text(text_int.v), "-12");
    Held text_dbl(unary(compiler::T_String, d(1.5)));
    EXPECT_EQ(text(text_dbl.v), "1.5");
    Held text_nan(unary(compiler::T_String, d(k_nan)));
    EXPECT_EQ(text(text_nan.v), ".NaN");

    // `}` wraps an alias into an array that owns a copy.
    Held src(str("abc"));
    Held wrapped(unary(T_RBrace, alias(src.v)));
    ASSERT_EQ(value::type_of(wrapped.v), value::T_Array);
    ASSERT_EQ(wrapped.v.u.arr.n, 1);
    EXPECT_TRUE(value::owns(wrapped.v.u.arr.v[0]));
    EXPECT_NE(wrapped.v.u.arr.v[0].u.str.s, src.v.u.str.s);

    // A spread-marked matrix becomes an array of its elements.
    push(mat(1, 3, {1, 2, 3}));
    vm::apply_operator(T_Ellipsis, sp);
    EXPECT_TRUE(value::has_flag(*sp, value::k_varargs));
    vm::apply_operator(compiler::T_Array, sp);
    ASSERT_EQ(sp->u.arr.n, 3);
    EXPECT_EQ(sp->u.arr.v[2].u.dval, 3);
}

TEST_F(Conversions, Concatenation) {
    const char* padded = "Warning: concatenation dimensions don't match, padded with zeros";
    const MatrixCase cases[] = {
        {"scalars ~", T_Tilde, i(1), d(2), 1, 2, {1, 2}},
        {"scalars |", T_Bar, i(1), i(2), 2, 1, {1, 2}},
        {"scalar fills a column", T_Tilde, i(1), mat(3, 2, {2, 2, 2, 2, 2, 2}), 3, 3, {1, 2, 2, 1, 2, 2, 1, 2, 2}},
        {"scalar fills a row", T_Bar, mat(1, 2, {5, 6}), i(0), 2, 2, {5, 6, 0, 0}},
        {"padded with zeros", T_Tilde, mat(2, 2, {1, 2, 3, 4}), mat(3, 1, {5, 6, 7}), 3, 3, {1, 2, 5, 3, 4, 6, 0, 0, 7}, padded},
        {"vertical padding", T_Bar, mat(1, 1, {1}), mat(1, 2, {2, 3}), 2, 2, {1, 0, 2, 3}, padded},
        {"empty joins silently", T_Bar, mat(0, 0), mat(1, 2, {2, 3}), 1, 2, {2, 3}},
        {"range becomes a row", T_Tilde, range(1, 3), i(9), 1, 4, {1, 2, 3, 9}},
    };
    expect_matrices(cases);
    Held joined(binary(T_Tilde, str("ab"), str("c")));
    EXPECT_EQ(text(joined.v), "abc");
}

TEST_F(Conversions, ArrayConstructorSequence) {
    // { "a", 2 } is built as: empty array, then per element `}` and `|`.
    push(i(0));
    vm::new_value(value::T_Array, sp);
    Held shared(str("a"));
    for (const Value& e : {alias(shared.v), i(2)}) {
        push(e);
        vm::apply_operator(T_RBrace, sp);
        vm::apply_operator(T_Bar, sp);
    }
    ASSERT_EQ(depth(), 1);
    ASSERT_EQ(sp->u.arr.n, 2);
    EXPECT_EQ(text(sp->u.arr.v[0]), "a");
    EXPECT_EQ(sp->u.arr.v[1].u.ival, 2);
}

TEST_F(Conversions, RangesAndSmallOperators) {
    Held r(binary(T_Colon, d(1.9), i(KJ_RANGE_OPEN)));
    EXPECT_EQ(value::type_of(r.v), value::T_Range);
    EXPECT_EQ(r.v.u.rng.first, 1);
    EXPECT_EQ(r.v.u.rng.last, KJ_RANGE_OPEN);

    vm::apply_operator(T_FullRange, sp);
    ASSERT_EQ(depth(), 1);
    EXPECT_EQ(sp->u.rng.first, 0);
    EXPECT_EQ(sp->u.rng.last, KJ_RANGE_OPEN);
    sp--;

    Held left(binary(T_ShiftLeft, i(4), str("dropped")));
    EXPECT_EQ(left.v.u.ival, 4);

    Held src(mat(1, 1, {2}));
    Held made(unary(T_New, alias(src.v)));
    EXPECT_TRUE(value::owns(made.v));
    EXPECT_NE(made.v.u.mat.m, src.v.u.mat.m);

    push(i(1));
    push(i(2));
    vm::apply_operator(999, sp);  // unknown codes leave the stack as it is
    EXPECT_EQ(depth(), 2);
}

TEST_F(Conversions, DeleteReleasesTheAddressedVariable) {
    Value var = mat(2, 2);
    Value addr{};
    addr.type = value::T_Array | value::k_address;
    addr.u.arr.n = 1;
    addr.u.arr.v = &var;
    push(addr);
    push(i(0));
    vm::apply_operator(T_Delete, sp);
    EXPECT_EQ(depth(), 1);
    EXPECT_TRUE(value::is_null(var));
}

TEST_F(Conversions, NewValues) {
    push(i(2));
    push(i(3));
    vm::new_value(value::T_Matrix, sp);
    ASSERT_EQ(depth(), 1);
    EXPECT_EQ(elements(*sp), (std::vector<double>(6, 0.0)));
    vm::new_value(258, sp);
    EXPECT_TRUE(std::isnan(sp->u.dval));
    vm::new_value(259, sp);
    EXPECT_TRUE(std::isinf(sp->u.dval));
    vm::new_value(260, sp);
    EXPECT_TRUE(value::is_null(*sp));
    vm::new_value(256, sp);
    EXPECT_EQ(value::type_of(*sp), value::T_Matrix);
    EXPECT_EQ(sp->u.mat.r, 0);
    value::release(*sp);
    *sp = i(3);
    vm::new_value(value::T_String, sp);
    EXPECT_EQ(text(*sp), "   ");
    value::release(*sp);
    *sp = i(-1);
    EXPECT_THROW(vm::new_value(value::T_Array, sp), runtime::RunError);
    EXPECT_EQ(last_message(), "Runtime error: negative dimension");
}

}  // namespace
}  // namespace kj::test
